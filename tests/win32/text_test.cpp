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
