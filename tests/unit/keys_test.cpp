#include "platform/keys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tollivox {
namespace {

using Events = std::vector<KeyEvent>;

KeyEvent Press(std::uint32_t Vk) { return {KeyKind::VirtualKey, Vk, true}; }
KeyEvent Lift(std::uint32_t Vk) { return {KeyKind::VirtualKey, Vk, false}; }

// A key typed once: press and release.
Events Key(std::uint32_t Vk) { return {Press(Vk), Lift(Vk)}; }
Events Char(char32_t C) { return {{KeyKind::Character, C, true}, {KeyKind::Character, C, false}}; }
Events Chars(std::u32string_view Text) {
  Events out;
  for (char32_t c : Text) {
    for (const KeyEvent& e : Char(c)) out.push_back(e);
  }
  return out;
}
Events Join(std::initializer_list<Events> Parts) {
  Events out;
  for (const Events& part : Parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}
Events Repeat(const Events& Part, int Times) {
  Events out;
  for (int i = 0; i < Times; ++i) out.insert(out.end(), Part.begin(), Part.end());
  return out;
}

// Every key is released after it is pressed, in last-pressed-first-released order, and nothing is
// pressed twice or left down. A modifier released before the key it holds breaks this.
::testing::AssertionResult ProperlyNested(const Events& List) {
  std::vector<KeyEvent> down;
  for (std::size_t i = 0; i < List.size(); ++i) {
    const KeyEvent& e = List[i];
    if (e.Down) {
      for (const KeyEvent& d : down) {
        if (d.Kind == e.Kind && d.Code == e.Code) {
          return ::testing::AssertionFailure() << "key " << e.Code << " pressed twice at " << i;
        }
      }
      down.push_back(e);
    } else {
      if (down.empty() || down.back().Kind != e.Kind || down.back().Code != e.Code) {
        return ::testing::AssertionFailure() << "release of " << e.Code << " out of order at " << i;
      }
      down.pop_back();
    }
  }
  if (!down.empty()) {
    return ::testing::AssertionFailure() << down.size() << " key(s) left down";
  }
  return ::testing::AssertionSuccess();
}

struct ValidCase {
  std::string Text;
  Events Expected;
};

TEST(ParseKeyString, TypesWhatTheNotationDescribes) {
  const std::uint32_t shift = kVkShift, ctrl = kVkControl, alt = kVkMenu;
  const ValidCase cases[] = {
      {"", {}},
      {"abc", Chars(U"abc")},
      {"A 1", Chars(U"A 1")},
      {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", Chars(U"\u00E9\u20AC\U0001F600")},
      {"[x]", Chars(U"[x]")},
      {"~", Key(kVkReturn)},
      {"a~b", Join({Char('a'), Key(kVkReturn), Char('b')})},
      // Modifiers hold the next key only, pressed in written order, released in reverse.
      {"+a", Join({{Press(shift)}, Char('a'), {Lift(shift)}})},
      {"^a", Join({{Press(ctrl)}, Char('a'), {Lift(ctrl)}})},
      {"%a", Join({{Press(alt)}, Char('a'), {Lift(alt)}})},
      {"+ab", Join({{Press(shift)}, Char('a'), {Lift(shift)}, Char('b')})},
      {"+^a", Join({{Press(shift), Press(ctrl)}, Char('a'), {Lift(ctrl), Lift(shift)}})},
      {"%^+a", Join({{Press(alt), Press(ctrl), Press(shift)},
                     Char('a'),
                     {Lift(shift), Lift(ctrl), Lift(alt)}})},
      {"++a", Join({{Press(shift)}, Char('a'), {Lift(shift)}})},
      {"+~", Join({{Press(shift)}, Key(kVkReturn), {Lift(shift)}})},
      {"^{END}", Join({{Press(ctrl)}, Key(kVkEnd), {Lift(ctrl)}})},
      // Groups.
      {"(ab)", Chars(U"ab")},
      {"()", {}},
      {"+(ab)c", Join({{Press(shift)}, Chars(U"ab"), {Lift(shift)}, Char('c')})},
      {"+(a+b)", Join({{Press(shift)}, Chars(U"ab"), {Lift(shift)}})},
      {"^(a%(b+c)d)", Join({{Press(ctrl)},
                            Char('a'),
                            {Press(alt)},
                            Char('b'),
                            {Press(shift)},
                            Char('c'),
                            {Lift(shift), Lift(alt)},
                            Char('d'),
                            {Lift(ctrl)}})},
      {"+(^(a))", Join({{Press(shift), Press(ctrl)}, Char('a'), {Lift(ctrl), Lift(shift)}})},
      {"((a)(b))", Chars(U"ab")},
      // Braces: names, repeats, and the special characters typed as themselves.
      {"{TAB}", Key(kVkTab)},
      {"{tab}{Tab}", Repeat(Key(kVkTab), 2)},
      {"{TAB 3}", Repeat(Key(kVkTab), 3)},
      {"{TAB   2}", Repeat(Key(kVkTab), 2)},
      {"{TAB 007}", Repeat(Key(kVkTab), 7)},
      {"{x 5}", Repeat(Char('x'), 5)},
      {"{\xC3\xA9 2}", Repeat(Char(0xE9), 2)},
      {"{TAB 0}", {}},
      {"a{DOWN 0}b", Chars(U"ab")},
      {"+{TAB 2}", Join({{Press(shift)}, Repeat(Key(kVkTab), 2), {Lift(shift)}})},
      {"{+}{^}{%}{~}", Chars(U"+^%~")},
      {"{(}{)}{{}{}}", Chars(U"(){}")},
      {"{[}{]}{a}", Chars(U"[]a")},
      {"{ }", Char(' ')},
      {"{} 3}", Repeat(Char('}'), 3)},
      {"+{{}", Join({{Press(shift)}, Char('{'), {Lift(shift)}})},
      // A modifier over nothing would be a lone tap (Alt opens the menu bar): nothing is sent.
      {"%()", {}},
      {"+{TAB 0}", {}},
      {"a^(+())b", Chars(U"ab")},
      {"+(a{TAB 0})", Join({{Press(shift)}, Char('a'), {Lift(shift)}})},
  };
  for (const ValidCase& c : cases) {
    SCOPED_TRACE(c.Text);
    const KeyParseResult result = ParseKeyString(c.Text);
    EXPECT_EQ(result.Error, 0);
    EXPECT_EQ(result.Events, c.Expected);
  }
}

TEST(ParseKeyString, NamedKeysMapToTheirVirtualKeys) {
  const struct {
    const char* Name;
    std::uint32_t Vk;
  } cases[] = {
      {"BACKSPACE", 0x08}, {"BS", 0x08},         {"BKSP", 0x08},     {"BREAK", 0x03},
      {"CAPSLOCK", 0x14},  {"DELETE", 0x2E},     {"DEL", 0x2E},      {"DOWN", 0x28},
      {"END", 0x23},       {"ENTER", 0x0D},      {"ESC", 0x1B},      {"HELP", 0x2F},
      {"HOME", 0x24},      {"INSERT", 0x2D},     {"INS", 0x2D},      {"LEFT", 0x25},
      {"NUMLOCK", 0x90},   {"PGDN", 0x22},       {"PGUP", 0x21},     {"PRTSC", 0x2C},
      {"RIGHT", 0x27},     {"SCROLLLOCK", 0x91}, {"TAB", 0x09},      {"UP", 0x26},
      {"F1", 0x70},        {"F9", 0x78},         {"F10", 0x79},      {"F16", 0x7F},
      {"ADD", 0x6B},       {"SUBTRACT", 0x6D},   {"MULTIPLY", 0x6A}, {"DIVIDE", 0x6F},
      {"enter", 0x0D},     {"ScrollLock", 0x91}, {"f12", 0x7B},      {"pgDn", 0x22},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const KeyParseResult result = ParseKeyString(std::string("{") + c.Name + "}");
    EXPECT_EQ(result.Error, 0);
    EXPECT_EQ(result.Events, Key(c.Vk));
  }
}

// Control steps split the keys around them, keep their text as written (blanks, braces, any
// script) and leave the keys of a string without them exactly as they were.
TEST(ParseKeySteps, ControlStepsStandInOrderBetweenTheKeys) {
  const auto control = [](ControlVerb Verb, std::string Text) {
    KeyStep step;
    step.IsControl = true;
    step.Verb = Verb;
    step.Text = std::move(Text);
    return step;
  };
  const auto keys = [](Events List) {
    KeyStep step;
    step.Events = std::move(List);
    return step;
  };
  const struct {
    std::string Text;
    std::vector<KeyStep> Steps;
  } cases[] = {
      {"{CLICK Next}", {control(ControlVerb::Click, "Next")}},
      {"{click &Next >}", {control(ControlVerb::Click, "&Next >")}},
      {"{Check I accept the terms}{UNCHECK  Run now }",
       {control(ControlVerb::Check, "I accept the terms"),
        control(ControlVerb::Uncheck, " Run now ")}},
      {"{SETTEXT C:\\Orbit Tools}{CLICK Install}",
       {control(ControlVerb::SetText, "C:\\Orbit Tools"), control(ControlVerb::Click, "Install")}},
      {"{SETTEXT }", {control(ControlVerb::SetText, "")}},
      {"{SETTEXT a{b}", {control(ControlVerb::SetText, "a{b")}},
      {"{select  Deutsch }{CLICK OK}",
       {control(ControlVerb::Select, " Deutsch "), control(ControlVerb::Click, "OK")}},
      {"{CLICK \xC3\x9C"
       "bernehmen}",
       {control(ControlVerb::Click,
                "\xC3\x9C"
                "bernehmen")}},
      {"+a{CLICK OK}{TAB 2}~",
       {keys(Join({{Press(kVkShift)}, Char('a'), {Lift(kVkShift)}})),
        control(ControlVerb::Click, "OK"), keys(Join({Repeat(Key(kVkTab), 2), Key(kVkReturn)}))}},
      // Without a blank after it the word is a key name, as ever, and an unknown one.
      {"{C 3}", {keys(Repeat(Char('C'), 3))}},
      {"%a", {keys(Join({{Press(kVkMenu)}, Char('a'), {Lift(kVkMenu)}}))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const KeyStepsResult result = ParseKeySteps(c.Text);
    EXPECT_EQ(result.Error, 0);
    EXPECT_EQ(result.Steps, c.Steps);
  }
}

TEST(ParseKeyString, RejectsMalformedStringsWithoutSendingAnything) {
  const std::string over = "{TAB " + std::to_string(kMaxKeyRepeat + 1) + "}";
  const std::string cases[] = {
      // Unknown names.
      "{FOO}",
      "{F0}",
      "{F17}",
      "{F01}",
      "{ENTER2}",
      "{ TAB}",
      "{{TAB}}",
      "{\xC3\x89NTER}",
      "{TABTABTABTAB}",
      // Braces.
      "{",
      "{TAB",
      "a{b",
      "}",
      "a}b",
      "TAB}",
      "{}",
      "{} ",
      "x{}y",
      // Counts.
      "{TAB x}",
      "{TAB 3x}",
      "{TAB -1}",
      "{TAB +1}",
      "{TAB }",
      "{TAB 3 }",
      "{TAB 3 4}",
      over,
      "{TAB 99999999999999999999}",
      // Parentheses.
      "(",
      "(a",
      "((a)",
      ")",
      "a)",
      "(a))",
      "+(a",
      // Modifiers with no key after them.
      "+",
      "a^",
      "%^+",
      "(+)",
      "(a%)",
      "+)",
      // Invalid UTF-8: lone lead, bad continuation, stray continuation, overlong, surrogate,
      // beyond U+10FFFF, bytes never used.
      "\xC3",
      "a\xC3(",
      "\x80",
      "\xC0\xAF",
      "\xE0\x80\x80",
      "\xED\xA0\x80",
      "\xF4\x90\x80\x80",
      "\xFF",
      "{\xC3}",
      // Control steps: a blank caption, one held by a modifier or a group, one not closed.
      "{CLICK }",
      "{CHECK   }",
      "{SELECT  }",
      "^{SELECT English}",
      "{CLICK}",
      "+{CLICK Next}",
      "({CHECK I accept})",
      "a{SETTEXT C:\\Orbit",
  };
  for (const std::string& c : cases) {
    SCOPED_TRACE(c);
    const KeyParseResult result = ParseKeyString(c);
    EXPECT_EQ(result.Error, kKeyStringError);
    EXPECT_TRUE(result.Events.empty());
  }
}

TEST(ParseKeyString, AcceptsTheLargestRepeatCount) {
  const KeyParseResult result = ParseKeyString("{TAB " + std::to_string(kMaxKeyRepeat) + "}");
  EXPECT_EQ(result.Error, 0);
  EXPECT_EQ(result.Events, Repeat(Key(kVkTab), kMaxKeyRepeat));
}

TEST(ParseKeyString, EveryValidStringReleasesWhatItPresses) {
  const char* cases[] = {
      "+^%a",          "+(^(%(abc)d)e)f", "+(+(+(a)))",   "^(a{TAB 3}+{LEFT 2})~",
      "%(+{F4})",      "+({+}{)}{{})",    "(((((a)))))",  "^+(a%b)(c)+(d)",
      "%{x 10}^~+{}}", "+({DOWN 0}a)",    "^(+(%(()b)))",
  };
  for (const char* c : cases) {
    SCOPED_TRACE(c);
    const KeyParseResult result = ParseKeyString(c);
    ASSERT_EQ(result.Error, 0);
    EXPECT_TRUE(ProperlyNested(result.Events));
  }

  // Random strings over the notation's tokens: whatever parses must still be well nested, and
  // whatever fails must send nothing.
  const std::string_view tokens[] = {"a", "B", "+",     "^",     "%",   "~",   "(", ")",
                                     "{", "}", "{TAB}", "{x 2}", "{+}", "{}}", " ", "{ENTER 0}"};
  std::mt19937 random(20240501);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(tokens) - 1);
  std::uniform_int_distribution<int> length(1, 16);
  int parsed = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += tokens[pick(random)];
    const KeyParseResult result = ParseKeyString(text);
    if (result.Error == 0) {
      ++parsed;
      ASSERT_TRUE(ProperlyNested(result.Events)) << text;
    } else {
      ASSERT_TRUE(result.Events.empty()) << text;
    }
  }
  EXPECT_GT(parsed, 1000);  // the walk must reach valid strings to mean anything
}

TEST(ParseKeyString, DeepNestingDoesNotExhaustTheStack) {
  const std::string text = std::string(100000, '(') + "a" + std::string(100000, ')');
  const KeyParseResult result = ParseKeyString(text);
  EXPECT_EQ(result.Error, 0);
  EXPECT_EQ(result.Events, Char('a'));
}

}  // namespace
}  // namespace tollivox
