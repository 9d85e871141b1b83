// Caps Lock lifted around the keys a send types and put back after them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/win32/keyboard.h"
#include "platform/win32/windows_api.h"

namespace tollivox {

namespace {

// Under shift lock Caps Lock is turned off with a Shift press. The left one: the translation
// presses VK_SHIFT, so the lift stays apart from the records' own presses.
constexpr std::uint16_t kShiftLockLift = VK_LSHIFT;

bool IsPress(const KeyInput& Input, std::uint16_t Vk) {
  return Input.Vk == Vk && (Input.Flags & kKeyInputKeyUp) == 0;
}

bool IsShift(std::uint16_t Vk) { return Vk == VK_SHIFT || Vk == VK_LSHIFT || Vk == VK_RSHIFT; }

std::vector<KeyInput> Tap(std::uint16_t Vk, const IKeyLayout& Layout) {
  const std::uint16_t scan = Layout.ScanCode(Vk);
  return {{Vk, scan, 0}, {Vk, scan, kKeyInputKeyUp}};
}

bool ReadToggle() { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

}  // namespace

CapsLockState ReadCapsLock(ICapsLockSource& Source) {
  const std::optional<bool> front = Source.FrontToggle();
  return {front.has_value() ? *front : Source.OwnToggle(), Source.ShiftLock()};
}

std::vector<KeyInput> AroundCapsLockAndHeld(const std::vector<KeyInput>& Records,
                                            const CapsLockState& CapsLock,
                                            const std::vector<std::uint16_t>& Held,
                                            const IKeyLayout& Layout) {
  if (!CapsLock.On || Records.empty()) return AroundHeldModifiers(Records, Held, Layout);
  // Caps Lock toggles as each record is taken, in order, so the records between lift and
  // restore are read with it off, by the window that receives them, as by every other.
  std::vector<KeyInput> lifted = Tap(CapsLock.ShiftLock ? kShiftLockLift : VK_CAPITAL, Layout);
  lifted.insert(lifted.end(), Records.begin(), Records.end());
  const std::vector<KeyInput> restore = Tap(VK_CAPITAL, Layout);
  // Lifted inside the held modifiers, so that no modifier of the user's combines with it. Under
  // shift lock a held Shift pressed again would turn Caps Lock off anew: restore after it.
  if (CapsLock.ShiftLock && std::any_of(Held.begin(), Held.end(), IsShift)) {
    std::vector<KeyInput> out = AroundHeldModifiers(lifted, Held, Layout);
    out.insert(out.end(), restore.begin(), restore.end());
    return out;
  }
  lifted.insert(lifted.end(), restore.begin(), restore.end());
  return AroundHeldModifiers(lifted, Held, Layout);
}

std::vector<KeyInput> ReleasesAfterPartialSend(const std::vector<KeyInput>& Inputs,
                                               std::size_t Inserted, const CapsLockState& Lifted) {
  std::vector<KeyInput> down;
  for (std::size_t i = 0; i < Inserted && i < Inputs.size(); ++i) {
    const KeyInput& input = Inputs[i];
    if ((input.Flags & kKeyInputUnicode) != 0) continue;  // leaves no key down
    const auto it =
        std::find_if(down.begin(), down.end(), [&](const KeyInput& d) { return d.Vk == input.Vk; });
    if ((input.Flags & kKeyInputKeyUp) != 0) {
      if (it != down.end()) down.erase(it);
    } else if (it == down.end()) {
      down.push_back(input);
    }
  }
  std::vector<KeyInput> releases;
  for (auto it = down.rbegin(); it != down.rend(); ++it) {
    releases.push_back({it->Vk, it->Scan, it->Flags | kKeyInputKeyUp});
  }
  if (!Lifted.On) return releases;
  // The lift is the batch's first press of its key (before it only held keys go up) and the
  // restore its last press of Caps Lock.
  const std::uint16_t liftKey = Lifted.ShiftLock ? kShiftLockLift : VK_CAPITAL;
  const auto lift = std::find_if(Inputs.begin(), Inputs.end(),
                                 [&](const KeyInput& Input) { return IsPress(Input, liftKey); });
  const auto restore = std::find_if(Inputs.rbegin(), Inputs.rend(), [](const KeyInput& Input) {
    return IsPress(Input, VK_CAPITAL);
  });
  if (lift == Inputs.end() || restore == Inputs.rend()) return releases;
  const auto liftAt = static_cast<std::size_t>(lift - Inputs.begin());
  const auto restoreAt = Inputs.size() - 1 - static_cast<std::size_t>(restore - Inputs.rbegin());
  if (liftAt < Inserted && restoreAt >= Inserted) {
    releases.push_back({VK_CAPITAL, restore->Scan, 0});
    releases.push_back({VK_CAPITAL, restore->Scan, kKeyInputKeyUp});
  }
  return releases;
}

bool CapsLockLeftOff(const std::vector<KeyInput>& Releases, std::size_t Inserted) {
  // Releases hold only key-ups but for the restore's press.
  const auto restore = std::find_if(Releases.begin(), Releases.end(), [](const KeyInput& Input) {
    return IsPress(Input, VK_CAPITAL);
  });
  return restore != Releases.end() &&
         static_cast<std::size_t>(restore - Releases.begin()) >= Inserted;
}

// ---------------------------------------------------------------- reading it on Windows

std::optional<bool> SystemCapsLock::FrontToggle() {
  const HWND front = GetForegroundWindow();
  // Joined to a thread that takes no messages, our own input would stall behind its own.
  if (front == nullptr || IsHungAppWindow(front) != FALSE) return std::nullopt;
  const DWORD frontThread = GetWindowThreadProcessId(front, nullptr);
  const DWORD ownThread = GetCurrentThreadId();
  if (frontThread == 0) return std::nullopt;
  if (frontThread == ownThread) return ReadToggle();
  // Joined threads share one key state, the front's own, which is current for the keys it reads.
  if (AttachThreadInput(ownThread, frontThread, TRUE) == FALSE) return std::nullopt;
  const bool on = ReadToggle();
  AttachThreadInput(ownThread, frontThread, FALSE);
  return on;
}

bool SystemCapsLock::OwnToggle() { return ReadToggle(); }

bool SystemCapsLock::ShiftLock() {
  // The choice in the keyboard settings, kept in the user's profile.
  DWORD attributes = 0;
  DWORD size = sizeof attributes;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Keyboard Layout", L"Attributes", RRF_RT_REG_DWORD, nullptr,
                   &attributes, &size) != ERROR_SUCCESS) {
    return false;
  }
  return (attributes & KLF_SHIFTLOCK) != 0;
}

}  // namespace tollivox
