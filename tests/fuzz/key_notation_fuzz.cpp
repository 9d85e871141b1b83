// Fuzzes the key notation: whatever the string, the parser either refuses it with nothing to send
// or gives key events that leave no key held, release modifiers innermost first, hold every
// modifier over at least one key, and stay within a bound set by the string's length.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/keys.h"

namespace {

using namespace tollivox;

using fuzz::Checker;

bool IsModifier(const KeyEvent& Event) {
  return Event.Kind == KeyKind::VirtualKey &&
         (Event.Code == kVkShift || Event.Code == kVkControl || Event.Code == kVkMenu);
}

void CheckEvents(const std::vector<KeyEvent>& Events, std::size_t InputSize, const Checker& Check) {
  struct Held {
    std::uint32_t Code;
    bool Used;  // a key was typed while it was down
  };
  std::vector<Held> modifiers;
  std::size_t taps = 0;
  for (std::size_t i = 0; i < Events.size(); ++i) {
    const KeyEvent& event = Events[i];
    if (IsModifier(event)) {
      if (event.Down) {
        for (const Held& held : modifiers) {
          Check(held.Code != event.Code, "a held modifier is not pressed again");
        }
        modifiers.push_back({event.Code, false});
      } else {
        Check(!modifiers.empty() && modifiers.back().Code == event.Code,
              "modifiers are released innermost first");
        Check(modifiers.back().Used, "a modifier holds at least one key");
        modifiers.pop_back();
        // The enclosing modifiers held that key as well.
      }
      continue;
    }
    // Every other key is a tap: its press followed at once by its release.
    Check(event.Down, "no key is released that was not pressed");
    Check(i + 1 < Events.size() && Events[i + 1] == KeyEvent{event.Kind, event.Code, false},
          "a key press is followed by its release");
    if (event.Kind == KeyKind::Character) {
      Check(event.Code <= 0x10FFFF && (event.Code < 0xD800 || event.Code > 0xDFFF),
            "a typed character is a Unicode scalar value");
    }
    for (Held& held : modifiers) held.Used = true;
    ++taps;
    ++i;
  }
  Check(modifiers.empty(), "no modifier is left held");
  // One character of the string gives at most one key, repeated at most kMaxKeyRepeat times,
  // and presses each of the three modifiers at most once.
  Check(taps <= InputSize * static_cast<std::size_t>(kMaxKeyRepeat),
        "key taps are bounded by the string's length");
  Check(Events.size() - 2 * taps <= 6 * InputSize, "modifier events are bounded by the string");
}

bool IsSpecial(char C) { return std::string_view("+^%~(){}").find(C) != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view keys(reinterpret_cast<const char*>(Data), Size);
  const Checker check("key_notation_fuzz", "key string", keys);

  const KeyParseResult result = ParseKeyString(keys);
  check(result.Error == 0 || result.Error == kKeyStringError, "the only error is 5");
  if (result.Error != 0) {
    check(result.Events.empty(), "a refused string sends nothing");
    return 0;
  }
  CheckEvents(result.Events, Size, check);

  // Every step's keys are balanced on their own, and a control's text is a piece of the string.
  const KeyStepsResult steps = ParseKeySteps(keys);
  check(steps.Error == 0, "the steps parse where the keys do");
  for (const KeyStep& step : steps.Steps) {
    if (step.IsControl) {
      check(keys.find(step.Text) != std::string_view::npos,
            "a control's text comes from the string");
      check(step.Events.empty(), "a control step types nothing");
    } else {
      CheckEvents(step.Events, Size, check);
    }
  }

  // Plain ASCII text without the notation's special characters types itself, character by
  // character.
  bool plain = true;
  for (char c : keys) plain = plain && static_cast<unsigned char>(c) < 0x80 && !IsSpecial(c);
  if (plain) {
    std::vector<KeyEvent> expected;
    for (char c : keys) {
      const auto code = static_cast<std::uint32_t>(static_cast<unsigned char>(c));
      expected.push_back({KeyKind::Character, code, true});
      expected.push_back({KeyKind::Character, code, false});
    }
    check(result.Events == expected, "plain text types itself");
  }
  return 0;
}
