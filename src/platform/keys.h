// The key notation users write key strings in, turned into key events that every keyboard
// backend can send. No Windows header here: the virtual-key codes are spelled out below.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tollivox {

enum class KeyKind : std::uint8_t { VirtualKey, Character };

struct KeyEvent {
  KeyKind Kind;  // VirtualKey: Code is a Windows virtual-key code; Character: a Unicode code point
  std::uint32_t Code;
  bool Down;  // true: press, false: release
  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// The run-time error a malformed key string raises: "Invalid procedure call or argument".
inline constexpr std::int32_t kKeyStringError = 5;

struct [[nodiscard]] KeyParseResult {
  std::int32_t Error = 0;        // 0, or kKeyStringError for a malformed string
  std::vector<KeyEvent> Events;  // empty when Error != 0
};

// Upper bound of the count in {KEY n}. A typo such as {TAB 100000} would otherwise hammer the
// target window for minutes and cannot be interrupted; real scripts need a few dozen at most.
inline constexpr int kMaxKeyRepeat = 1000;

// Windows virtual-key codes of the modifiers and the named keys.
inline constexpr std::uint32_t kVkCancel = 0x03;  // BREAK
inline constexpr std::uint32_t kVkBack = 0x08;
inline constexpr std::uint32_t kVkTab = 0x09;
inline constexpr std::uint32_t kVkReturn = 0x0D;
inline constexpr std::uint32_t kVkShift = 0x10;
inline constexpr std::uint32_t kVkControl = 0x11;
inline constexpr std::uint32_t kVkMenu = 0x12;  // Alt
inline constexpr std::uint32_t kVkCapital = 0x14;
inline constexpr std::uint32_t kVkEscape = 0x1B;
inline constexpr std::uint32_t kVkPrior = 0x21;  // PGUP
inline constexpr std::uint32_t kVkNext = 0x22;   // PGDN
inline constexpr std::uint32_t kVkEnd = 0x23;
inline constexpr std::uint32_t kVkHome = 0x24;
inline constexpr std::uint32_t kVkLeft = 0x25;
inline constexpr std::uint32_t kVkUp = 0x26;
inline constexpr std::uint32_t kVkRight = 0x27;
inline constexpr std::uint32_t kVkDown = 0x28;
inline constexpr std::uint32_t kVkSnapshot = 0x2C;  // PRTSC
inline constexpr std::uint32_t kVkInsert = 0x2D;
inline constexpr std::uint32_t kVkDelete = 0x2E;
inline constexpr std::uint32_t kVkHelp = 0x2F;
inline constexpr std::uint32_t kVkMultiply = 0x6A;
inline constexpr std::uint32_t kVkAdd = 0x6B;
inline constexpr std::uint32_t kVkSubtract = 0x6D;
inline constexpr std::uint32_t kVkDivide = 0x6F;
inline constexpr std::uint32_t kVkF1 = 0x70;
inline constexpr std::uint32_t kVkF16 = 0x7F;
inline constexpr std::uint32_t kVkNumLock = 0x90;
inline constexpr std::uint32_t kVkScroll = 0x91;

// What a control step does to the control its text names: {CLICK text}, {CHECK text},
// {UNCHECK text}, {SETTEXT text}; {SELECT text} chooses the item of a list that the text names.
enum class ControlVerb : std::uint8_t { Click, Check, Uncheck, SetText, Select };

// One step of a key string, in the order written: a run of key events to type, or one control
// to act on through its own messages.
struct KeyStep {
  bool IsControl = false;
  std::vector<KeyEvent> Events;           // the keys (IsControl false), balanced on their own
  ControlVerb Verb = ControlVerb::Click;  // the rest: IsControl true
  std::string Text;  // the caption or item looked for, or the text to set (UTF-8)
  friend bool operator==(const KeyStep&, const KeyStep&) = default;
};

struct [[nodiscard]] KeyStepsResult {
  std::int32_t Error = 0;  // 0, or kKeyStringError for a malformed string
  std::vector<KeyStep> Steps;
};

// Appends one code point as UTF-8.
void AppendUtf8(std::string& Out, char32_t CodePoint);

// Turns a UTF-8 key string into its steps. Control steps stand outside any modifier or group; a
// caption to look for is never blank, a text to set may be empty.
KeyStepsResult ParseKeySteps(std::string_view KeyString);

// Turns a UTF-8 key string into key events, the keys of every step one after the other (control
// steps left out). On success every key pressed is released again and modifiers are released
// after the keys they hold, in nested order.
KeyParseResult ParseKeyString(std::string_view KeyString);

}  // namespace tollivox
