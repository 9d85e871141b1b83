#include "platform/win32/keyboard.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/win32/windows_api.h"

namespace tollivox {

static_assert(kKeyInputExtended == KEYEVENTF_EXTENDEDKEY);
static_assert(kKeyInputKeyUp == KEYEVENTF_KEYUP);
static_assert(kKeyInputUnicode == KEYEVENTF_UNICODE);
static_assert(kVkShift == VK_SHIFT && kVkControl == VK_CONTROL && kVkMenu == VK_MENU);

namespace {

// Shift-state bits of VkKeyScanExW's high byte and the modifier keys that produce them.
struct ShiftBit {
  unsigned Bit;
  std::uint16_t Vk;
};
constexpr std::array<ShiftBit, 3> kShiftBits = {{{1, VK_SHIFT}, {2, VK_CONTROL}, {4, VK_MENU}}};

// A character whose key is down, with the modifiers pressed for it alone.
struct TypedCharacter {
  std::uint32_t CodePoint;
  std::uint16_t Vk;  // 0: typed as Unicode input
  std::array<std::uint16_t, 3> Extras;
  std::size_t ExtraCount;
};

class Translator {
 public:
  explicit Translator(const IKeyLayout& Layout) : layout_(Layout) {}

  void Add(const KeyEvent& Event) {
    if (Event.Kind == KeyKind::VirtualKey) {
      if (Event.Code == 0 || Event.Code > 0xFE) return;  // not a virtual key
      const auto vk = static_cast<std::uint16_t>(Event.Code);
      if (Event.Down) {
        Press(vk);
      } else {
        Lift(vk);
      }
    } else if (Event.Down) {
      PressCharacter(Event.Code);
    } else {
      LiftCharacter(Event.Code);
    }
  }

  // Whatever the events left down is released, so no modifier stays stuck for the user.
  std::vector<KeyInput> Finish() {
    while (!typed_.empty()) LiftTyped(typed_.size() - 1);
    while (!held_.empty()) Lift(held_.back());
    return std::move(inputs_);
  }

 private:
  bool IsHeld(std::uint16_t Vk) const {
    return std::find(held_.begin(), held_.end(), Vk) != held_.end();
  }

  void Press(std::uint16_t Vk) {
    inputs_.push_back({Vk, layout_.ScanCode(Vk), IsExtendedKey(Vk) ? kKeyInputExtended : 0});
    if (!IsHeld(Vk)) held_.push_back(Vk);
  }

  void Lift(std::uint16_t Vk) {
    inputs_.push_back(
        {Vk, layout_.ScanCode(Vk), (IsExtendedKey(Vk) ? kKeyInputExtended : 0) | kKeyInputKeyUp});
    const auto it = std::find(held_.begin(), held_.end(), Vk);
    if (it != held_.end()) held_.erase(it);
  }

  void Unicode(std::uint32_t CodePoint, bool Down) {
    const std::uint32_t flags = kKeyInputUnicode | (Down ? 0 : kKeyInputKeyUp);
    if (CodePoint >= 0x10000) {
      const std::uint32_t v = CodePoint - 0x10000;
      inputs_.push_back({0, static_cast<std::uint16_t>(0xD800 + (v >> 10)), flags});
      inputs_.push_back({0, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)), flags});
    } else {
      inputs_.push_back({0, static_cast<std::uint16_t>(CodePoint), flags});
    }
  }

  // The layout's key and shift state for the character; false when it has none we can press.
  bool LayoutKey(std::uint32_t CodePoint, std::uint16_t& Vk, unsigned& Shift) const {
    if (CodePoint >= 0x10000 || (CodePoint >= 0xD800 && CodePoint <= 0xDFFF)) return false;
    const std::int16_t scan = layout_.KeyScan(static_cast<char16_t>(CodePoint));
    if (scan == -1) return false;
    const auto bits = static_cast<std::uint16_t>(scan);
    Vk = bits & 0xFF;
    Shift = bits >> 8;
    // Kana and other states we cannot press with Shift/Ctrl/Alt: Unicode input is exact instead.
    return Vk != 0 && Vk != 0xFF && (Shift & ~7u) == 0;
  }

  void PressCharacter(std::uint32_t CodePoint) {
    TypedCharacter typed{CodePoint, 0, {}, 0};
    unsigned shift = 0;
    if (LayoutKey(CodePoint, typed.Vk, shift)) {
      for (const ShiftBit& s : kShiftBits) {
        if ((shift & s.Bit) != 0 && !IsHeld(s.Vk)) {
          Press(s.Vk);
          typed.Extras[typed.ExtraCount++] = s.Vk;
        }
      }
      Press(typed.Vk);
    } else {
      typed.Vk = 0;
      Unicode(CodePoint, true);
    }
    typed_.push_back(typed);
  }

  void LiftTyped(std::size_t Index) {
    const TypedCharacter typed = typed_[Index];
    typed_.erase(typed_.begin() + static_cast<std::ptrdiff_t>(Index));
    if (typed.Vk == 0) {
      Unicode(typed.CodePoint, false);
      return;
    }
    Lift(typed.Vk);
    for (std::size_t i = typed.ExtraCount; i-- > 0;) Lift(typed.Extras[i]);
  }

  void LiftCharacter(std::uint32_t CodePoint) {
    for (std::size_t i = typed_.size(); i-- > 0;) {
      if (typed_[i].CodePoint == CodePoint) {
        LiftTyped(i);
        return;
      }
    }
    // A release without its press: let the key go up, touch no modifier.
    std::uint16_t vk = 0;
    unsigned shift = 0;
    if (LayoutKey(CodePoint, vk, shift)) {
      Lift(vk);
    } else {
      Unicode(CodePoint, false);
    }
  }

  const IKeyLayout& layout_;
  std::vector<KeyInput> inputs_;
  std::vector<std::uint16_t> held_;  // virtual keys down, in the order pressed
  std::vector<TypedCharacter> typed_;
};

std::uintptr_t LayoutOf(DWORD Thread) {
  return reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(Thread));
}

// Read before every send: the user may switch the input language between two.
HKL ReadReceivingLayout() {
  LayoutReadings readings;
  // 0 would read our own thread's layout in place of the front's.
  const DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  if (front != 0) {
    readings.Front = LayoutOf(front);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(front, &info) != FALSE && info.hwndFocus != nullptr) {
      const DWORD focus = GetWindowThreadProcessId(info.hwndFocus, nullptr);
      if (focus != 0) readings.Focus = LayoutOf(focus);
    }
  }
  HKL system = nullptr;
  if (SystemParametersInfoW(SPI_GETDEFAULTINPUTLANG, 0, &system, 0) != FALSE) {
    readings.System = reinterpret_cast<std::uintptr_t>(system);
  }
  readings.Own = LayoutOf(0);
  return reinterpret_cast<HKL>(ReceivingLayout(readings));
}

class ForegroundLayout final : public IKeyLayout {
 public:
  ForegroundLayout() : layout_(ReadReceivingLayout()) {}

  std::int16_t KeyScan(char16_t Character) const override {
    return VkKeyScanExW(static_cast<WCHAR>(Character), layout_);
  }
  std::uint16_t ScanCode(std::uint32_t Vk) const override {
    return static_cast<std::uint16_t>(MapVirtualKeyExW(Vk, MAPVK_VK_TO_VSC, layout_));
  }

 private:
  HKL layout_;
};

UINT SendRecords(const std::vector<KeyInput>& Records) {
  std::vector<INPUT> inputs(Records.size());
  for (std::size_t i = 0; i < Records.size(); ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = Records[i].Vk;
    inputs[i].ki.wScan = Records[i].Scan;
    inputs[i].ki.dwFlags = Records[i].Flags;
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

bool IsExtendedKey(std::uint32_t Vk) {
  switch (Vk) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_CANCEL:
    case VK_SNAPSHOT:
      return true;
    default:
      return false;
  }
}

std::vector<KeyInput> TranslateKeyEvents(const std::vector<KeyEvent>& Events,
                                         const IKeyLayout& Layout) {
  Translator translator(Layout);
  for (const KeyEvent& event : Events) translator.Add(event);
  return translator.Finish();
}

std::uintptr_t ReceivingLayout(const LayoutReadings& Readings) {
  for (std::uintptr_t layout : {Readings.Front, Readings.Focus, Readings.System, Readings.Own}) {
    if (layout != 0) return layout;
  }
  return 0;
}

std::vector<KeyInput> AroundHeldModifiers(const std::vector<KeyInput>& Records,
                                          const std::vector<std::uint16_t>& Held,
                                          const IKeyLayout& Layout) {
  if (Held.empty() || Records.empty()) return Records;
  constexpr std::uint16_t kMaskKey = 0xE8;  // unassigned: no window acts on it
  const auto record = [&](std::uint16_t Vk, bool Up) {
    const bool extended = Vk == VK_RCONTROL || Vk == VK_RMENU || Vk == VK_LWIN || Vk == VK_RWIN;
    return KeyInput{Vk, Layout.ScanCode(Vk),
                    (extended ? kKeyInputExtended : 0u) | (Up ? kKeyInputKeyUp : 0u)};
  };
  std::vector<KeyInput> out;
  const bool menuKey = std::any_of(Held.begin(), Held.end(), [](std::uint16_t Vk) {
    return Vk == VK_LMENU || Vk == VK_RMENU || Vk == VK_LWIN || Vk == VK_RWIN;
  });
  if (menuKey) out.insert(out.end(), {record(kMaskKey, false), record(kMaskKey, true)});
  for (std::uint16_t vk : Held) out.push_back(record(vk, true));
  out.insert(out.end(), Records.begin(), Records.end());
  for (std::uint16_t vk : Held) out.push_back(record(vk, false));
  return out;
}

static DWORD SettleMilliseconds(std::size_t Records) {
  constexpr std::size_t kBase = 100;
  constexpr std::size_t kPerRecord = 2;
  constexpr std::size_t kMost = 1000;
  return static_cast<DWORD>(std::min(kMost, kBase + kPerRecord * Records));
}

SendCount Win32Keyboard::Send(const std::vector<KeyEvent>& Events) {
  const ForegroundLayout layout;
  std::vector<KeyInput> records = TranslateKeyEvents(Events, layout);
  if (records.empty()) return {};
  // Read just before the keys go: SendInput's batch is not interleaved with the user's input,
  // so a modifier let go after this comes up after our presses again, and Caps Lock pressed
  // after this is toggled after our restore.
  std::vector<std::uint16_t> held;
  for (std::uint16_t vk :
       {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN}) {
    if ((GetAsyncKeyState(vk) & 0x8000) != 0) held.push_back(vk);
  }
  const CapsLockState capsLock = ReadCapsLock(capsLock_);
  records = AroundCapsLockAndHeld(records, capsLock, held, layout);
  const UINT inserted = SendRecords(records);
  bool capsLockLeftOff = false;
  if (inserted < records.size()) {
    // Input was blocked part way (another desktop, a higher-integrity window): a modifier left
    // down would keep changing what the user types, and Caps Lock left lifted its case.
    const std::vector<KeyInput> releases = ReleasesAfterPartialSend(records, inserted, capsLock);
    if (!releases.empty()) capsLockLeftOff = CapsLockLeftOff(releases, SendRecords(releases));
  }
  // Injected keys reach the focused window some time after SendInput returns. If the caller
  // activates another window before then, the keys still on their way are lost or typed into
  // the wrong window, so give the focused window time to take them.
  if (inserted > 0) Sleep(SettleMilliseconds(records.size()));
  return {inserted, records.size(), capsLockLeftOff};
}

}  // namespace tollivox
