// The keyboard that types key events with SendInput. The translation to input records is kept
// apart from SendInput and from the real keyboard layout so that it can be checked against a
// made-up layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/keys.h"
#include "platform/platform.h"

namespace tollivox {

// The KEYEVENTF_* bits of a keyboard input record (checked against <windows.h> in the source).
inline constexpr std::uint32_t kKeyInputExtended = 0x0001;
inline constexpr std::uint32_t kKeyInputKeyUp = 0x0002;
inline constexpr std::uint32_t kKeyInputUnicode = 0x0004;

// One keyboard input record as SendInput takes it.
struct KeyInput {
  std::uint16_t Vk;     // 0 for Unicode input
  std::uint16_t Scan;   // the scan code, or the UTF-16 unit for Unicode input
  std::uint32_t Flags;  // kKeyInput* bits
  friend bool operator==(const KeyInput&, const KeyInput&) = default;
};

// What the translation asks of a keyboard layout.
class IKeyLayout {
 public:
  virtual ~IKeyLayout() = default;
  // As VkKeyScanExW: the virtual key in the low byte, the shift state (1 Shift, 2 Ctrl, 4 Alt) in
  // the high byte; -1 when the layout has no key for the character.
  virtual std::int16_t KeyScan(char16_t Character) const = 0;
  // As MapVirtualKeyExW(MAPVK_VK_TO_VSC).
  virtual std::uint16_t ScanCode(std::uint32_t Vk) const = 0;
};

// Whether SendInput needs KEYEVENTF_EXTENDEDKEY for the virtual key (the keys of the grey block,
// the arrows, Divide, NumLock, Break and PrtSc).
bool IsExtendedKey(std::uint32_t Vk);

// The input records that type Events with Layout. Characters the layout has are typed with their
// key and the shift states they need (unless already held); others go as Unicode input. Every key
// pressed in the batch is released by its end, even if Events leave one down.
std::vector<KeyInput> TranslateKeyEvents(const std::vector<KeyEvent>& Events,
                                         const IKeyLayout& Layout);

// Caps Lock as a send finds it.
struct CapsLockState {
  bool On = false;
  // The user's "press Shift to turn off Caps Lock" (KLF_SHIFTLOCK): a Caps Lock press leaves it on
  // and a Shift press turns it off.
  bool ShiftLock = false;
};

// Where Caps Lock's state is read.
class ICapsLockSource {
 public:
  virtual ~ICapsLockSource() = default;
  // The toggle in the key state of the thread whose window is in front, the one that reads the
  // keys; nullopt when it cannot be read without waiting on that thread (it does not answer).
  virtual std::optional<bool> FrontToggle() = 0;
  // Our own thread's toggle: stale whenever another thread has been reading the keyboard.
  virtual bool OwnToggle() = 0;
  virtual bool ShiftLock() = 0;
};

// The front thread's reading where there is one, else our own.
CapsLockState ReadCapsLock(ICapsLockSource& Source);

// Records with Caps Lock lifted around them while it is on: a press that turns it off before
// them (Caps Lock, or Shift under ShiftLock) and a Caps Lock tap after, in the same batch.
// SendInput leaves the keyboard's state as it is, so with Caps Lock on every letter would arrive
// in the other case; lifted, the records type as with it off, chords and shifted letters
// included, and Caps Lock ends as the user had it (changed only by a Caps Lock the records press
// themselves). Keys the user holds (AroundHeldModifiers) are lifted around the lift and restore.
std::vector<KeyInput> AroundCapsLockAndHeld(const std::vector<KeyInput>& Records,
                                            const CapsLockState& CapsLock,
                                            const std::vector<std::uint16_t>& Held,
                                            const IKeyLayout& Layout);

// What puts things right after only the first Inserted records of Inputs went through: the
// releases of every key still down, last pressed first, and, when Inputs lifted Caps Lock
// (Lifted.On) and its lift went through but its restore did not, a Caps Lock tap that restores
// it, last.
std::vector<KeyInput> ReleasesAfterPartialSend(const std::vector<KeyInput>& Inputs,
                                               std::size_t Inserted, const CapsLockState& Lifted);

// Whether Caps Lock stays lifted when only the first Inserted of Releases went through.
bool CapsLockLeftOff(const std::vector<KeyInput>& Releases, std::size_t Inserted);

// The keyboard layouts (HKL values) that may stand for the one the keys are read with; 0 where
// none is reported.
struct LayoutReadings {
  std::uintptr_t Front = 0;   // the thread of the window in front
  std::uintptr_t Focus = 0;   // the thread of the window with the focus
  std::uintptr_t System = 0;  // the system's default input language
  std::uintptr_t Own = 0;     // our own thread
};

// The layout the keys are typed with: the front thread's; a thread that reports none (a console
// program's window) gives way to the thread with the focus, then to the system's default, then
// to ours. Never 0 while any of them reports one.
std::uintptr_t ReceivingLayout(const LayoutReadings& Readings);

// Records lifts the modifier keys in Held (left and right virtual keys as GetAsyncKeyState reads
// them) before it and presses them again after it, so that keys typed while the user holds one
// do not combine with it. Before Alt or Win goes up, an unassigned key is tapped so that their
// release alone does not open a menu.
std::vector<KeyInput> AroundHeldModifiers(const std::vector<KeyInput>& Records,
                                          const std::vector<std::uint16_t>& Held,
                                          const IKeyLayout& Layout);

// Caps Lock as the window in front reads it: our input joined to its thread's for the read, and
// only while that thread answers; the user's shift-lock choice from their profile.
class SystemCapsLock final : public ICapsLockSource {
 public:
  std::optional<bool> FrontToggle() override;
  bool OwnToggle() override;
  bool ShiftLock() override;
};

class Win32Keyboard final : public IKeyboard {
 public:
  // Uses the keyboard layout of the foreground window's thread, which receives the keys (see
  // ReceivingLayout).
  SendCount Send(const std::vector<KeyEvent>& Events) override;
  bool DesktopReceivesInput() override;

 private:
  SystemCapsLock capsLock_;
};

}  // namespace tollivox
