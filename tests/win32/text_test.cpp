#include "platform/win32/text.h"

#include <gtest/gtest.h>

#include <string>

#include "helpers.h"

namespace tollivox::win32 {
namespace {

TEST(TextConversion, Utf8AndUtf16RoundTripAndRepairInvalidInput) {
  struct Case {
    const char* Name;
    std::string Utf8;
    std::wstring Utf16;
    std::string BackToUtf8;  // what Narrow(Widen(Utf8)) gives
  };
  const Case cases[] = {
      {"empty", "", L"", ""},
      {"ascii", "Save As", L"Save As", "Save As"},
      {"latin", "\xC3\xA9t\xC3\xA9", L"\u00E9t\u00E9", "\xC3\xA9t\xC3\xA9"},
      {"surrogate pair",
       "a\xF0\x9D\x84\x9E"
       "b",
       L"a\xD834\xDD1E"
       L"b",
       "a\xF0\x9D\x84\x9E"
       "b"},
      {"embedded zero", std::string("a\0b", 3), std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
      {"stray continuation byte", "a\x80z", L"a\xFFFDz", "a\xEF\xBF\xBDz"},
      {"byte never valid", "x\xFFy", L"x\xFFFDy", "x\xEF\xBF\xBDy"},
      // Three bytes for every unit, the most UTF-8 a unit can take.
      {"three bytes per unit", "\xE6\xB5\x8B\xE8\xAF\x95", L"\u6D4B\u8BD5",
       "\xE6\xB5\x8B\xE8\xAF\x95"},
      {"only invalid bytes", "\xFF\xFE\x80", L"\xFFFD\xFFFD\xFFFD",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Widen(c.Utf8), c.Utf16);
    EXPECT_EQ(Narrow(Widen(c.Utf8)), c.BackToUtf8);
  }
}

TEST(TextConversion, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(Narrow(std::wstring(1, L'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(Narrow(std::wstring(L"a") + L'\xDC00' + L"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Narrow(L""), "");
  // Each unpaired surrogate takes the three bytes of U+FFFD, as much as a unit can take.
  EXPECT_EQ(Narrow(std::wstring(L"\xDC00\xD800", 2)), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextConversion, WidenIntoAKeptBufferGivesExactlyTheTextEveryTime) {
  // Longer text first, so that every later one lands in a buffer with a stale tail.
  const std::string texts[] = {std::string(300, 'x') + "\xF0\x9D\x84\x9E",
                               "Save As",
                               "",
                               "\xD0\xBF\xF0\x9D\x84\x9E",
                               "a\xFF",
                               std::string(1000, 'y')};
  std::wstring buffer;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 20));
    const std::wstring_view wide = WidenInto(text, buffer);
    EXPECT_EQ(std::wstring(wide), Widen(text));
    EXPECT_EQ(Narrow(wide), Narrow(Widen(text)));
  }
}

TEST(TextConversion, AnsiCodePageForTheLogFile) {
  if (GetACP() != 1252) GTEST_SKIP() << "expects the Western European code page 1252";
  EXPECT_EQ(ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(FromAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  // Outside the code page: the code page's default character.
  EXPECT_EQ(ToAnsi("a\xD1\x8F"
                   "b"),
            "a?b");
  EXPECT_EQ(ToAnsi(""), "");
  EXPECT_EQ(FromAnsi(""), "");
}

}  // namespace
}  // namespace tollivox::win32
