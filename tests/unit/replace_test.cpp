// ReplaceString: every occurrence within a stretch, and the calls that could never end.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace tollivox {
namespace {

TEST(ReplaceString, RewritesEveryOccurrenceWithinTheStretch) {
  struct Case {
    std::string Text;
    std::string Old;
    std::string New;
    std::int16_t Start;
    std::int16_t End;
    std::string Expected;
  };
  const Case cases[] = {
      {"x/y/z/w", "/", "_@#?!_", 3, 5, "x/y_@#?!_z/w"},
      {"x/y/z/w", "/", "_@#?!_", 1, 7, "x_@#?!_y_@#?!_z_@#?!_w"},
      {"abc", "/", "-", 1, 3, "abc"},
      {"a/b", "/", "-", 2, 1, "a/b"},
      {"a/b", "/", "-", 3, 2, "a/b"},
      {"a/b", "/", "-", 1, 100, "a-b"},
      {"a/b", "/", "-", 10, 20, "a/b"},
      {"", "/", "-", 1, 0, ""},
      {"\"a\"b\"", "\"", "", 1, 5, "ab"},
      {"aab", "ab", "b", 1, 3, "b"},
      // An occurrence that reaches past the stretch is left alone.
      {"a//b", "//", "-", 1, 2, "a//b"},
      {"a//b", "//", "-", 2, 3, "a-b"},
      {"a_@#?!_b_!?#@_c", "_@#?!_", "/", 1, 15, "a/b_!?#@_c"},
      {"ABab", "ab", "-", 1, 4, "AB-"},
      // Positions count characters, not bytes.
      {"ä/ö/ü", "/", "|", 4, 4, "ä/ö|ü"},
      {"ä/ö/ü", "/", "|", 3, 3, "ä/ö/ü"},
      {"Straße ß", "ß", "ss", 1, 6, "Strasse ß"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text + " " + c.Old + " -> " + c.New);
    test::Harness h;
    std::string result;
    ASSERT_TRUE(
        h.Run([&] { result = h.Form.ReplaceString(c.Text, c.Old, c.New, c.Start, c.End); }));
    EXPECT_EQ(result, c.Expected);
  }
}

TEST(ReplaceString, RefusesCallsThatCannotEnd) {
  struct Case {
    std::string Old;
    std::string New;
    std::int16_t Start;
    std::int16_t End;
  };
  const Case cases[] = {
      {"", "x", 1, 3},  {"b", "bb", 1, 3}, {"b", "abc", 1, 3},
      {"b", "x", 0, 3}, {"b", "x", -5, 3}, {"b", "x", 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Old + " -> " + c.New + " " + std::to_string(c.Start) + ".." +
                 std::to_string(c.End));
    test::Harness h;
    h.Form.AppTitle = "Tollivox 1.10";
    h.Form.ConsoleMode = 1;
    ASSERT_FALSE(h.Run([&] { h.Form.ReplaceString("abc", c.Old, c.New, c.Start, c.End); }));
    EXPECT_EQ(h.Ended, kExitFatalError);
    ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
    EXPECT_EQ(h.Desk.MessageBoxes()[0].Text,
              "An unexpected internal error was encountered in module 'ReplaceString'.\n\n"
              "Error # 5, Invalid procedure call or argument\n\n"
              "Please report this error to Orvantis Support at www.orvantis.com/support.");
    ASSERT_EQ(h.Desk.TrayCalls().size(), 1u);
    EXPECT_FALSE(h.Desk.TrayCalls()[0].Add);
  }
}

TEST(ReplaceString, StopsAReplacementThatWouldGrowForEver) {
  // Each "ab" replaced by "bbaa" leaves a new "ab" behind: the text would grow without end.
  test::Harness h;
  h.Form.AppTitle = "Tollivox 1.10";
  ASSERT_FALSE(h.Run([&] { h.Form.ReplaceString("aab", "ab", "bbaa", 1, 3); }));
  EXPECT_EQ(h.Ended, kExitFatalError);
  ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
  EXPECT_NE(h.Desk.MessageBoxes()[0].Text.find("module 'ReplaceString'.\n\nError # 6, Overflow"),
            std::string::npos);
}

}  // namespace
}  // namespace tollivox
