#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "helpers.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

// The locale's own short weekday name for a date, through the date formatter rather than the
// day-name table the clock reads.
std::string FormatterWeekday(const SYSTEMTIME& Date) {
  wchar_t buffer[64] = {};
  int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &Date, L"ddd", buffer, 64, nullptr);
  return length > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                    : std::string();
}

std::string LocaleItem(LCTYPE Item) {
  wchar_t buffer[16] = {};
  int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, Item, buffer, 16);
  return length > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                    : std::string();
}

TEST(ClockFormat, LogDateUsesTheLocaleWeekdayForEveryDay) {
  std::string separator = LocaleItem(LOCALE_SDATE);
  // 6 to 12 December 2026 run from Sunday to Saturday.
  for (WORD day = 6; day <= 12; ++day) {
    SYSTEMTIME date{};
    date.wYear = 2026;
    date.wMonth = 12;
    date.wDay = day;
    date.wDayOfWeek = static_cast<WORD>(day - 6);
    SCOPED_TRACE(day);
    std::string weekday = FormatterWeekday(date);
    ASSERT_FALSE(weekday.empty());
    std::string dd = (day < 10 ? "0" : "") + std::to_string(day);
    EXPECT_EQ(FormatLogDate(2026, 12, day, date.wDayOfWeek),
              weekday + " 12" + separator + dd + separator + "26");
  }
  EXPECT_EQ(FormatLogTime(7, 20, 5),
            "07" + LocaleItem(LOCALE_STIME) + "20" + LocaleItem(LOCALE_STIME) + "05");
}

TEST(ClockFormat, EnglishLocaleGivesTheDocumentedLine) {
  if (LocaleItem(LOCALE_SABBREVDAYNAME7) != "Sun" || LocaleItem(LOCALE_SDATE) != "/" ||
      LocaleItem(LOCALE_STIME) != ":") {
    GTEST_SKIP() << "needs English weekday names and / and : separators";
  }
  EXPECT_EQ(FormatLogDate(2026, 12, 6, 0) + " " + FormatLogTime(7, 20, 35),
            "Sun 12/06/26 07:20:35");
  EXPECT_EQ(FormatLogDate(2031, 1, 27, 1), "Mon 01/27/31");
  EXPECT_EQ(FormatLogDate(2000, 2, 29, 2), "Tue 02/29/00");
}

TEST(Clock, ReadsTheCurrentLocalTime) {
  Win32Clock clock;
  SYSTEMTIME before{};
  SYSTEMTIME after{};
  std::string date;
  std::string time;
  double seconds = 0;
  // Read again if a second boundary fell between the readings.
  for (int attempt = 0; attempt < 5; ++attempt) {
    GetLocalTime(&before);
    date = clock.LocalDate();
    time = clock.LocalTime();
    seconds = clock.SecondsSinceMidnight();
    GetLocalTime(&after);
    if (before.wSecond == after.wSecond && before.wDay == after.wDay) break;
  }
  EXPECT_EQ(date, FormatLogDate(before.wYear, before.wMonth, before.wDay, before.wDayOfWeek));
  EXPECT_EQ(time, FormatLogTime(before.wHour, before.wMinute, before.wSecond));
  double expected = before.wHour * 3600.0 + before.wMinute * 60.0 + before.wSecond;
  EXPECT_GE(seconds, expected);
  EXPECT_LT(seconds, expected + 1.0);
}

TEST(Clock, MonotonicSecondsMeasurePauses) {
  Win32Clock clock;
  double start = clock.MonotonicSeconds();
  clock.Pause(200);
  double elapsed = clock.MonotonicSeconds() - start;
  EXPECT_GE(elapsed, 0.19);
  EXPECT_LT(elapsed, 5.0);
  // A fraction of a second is visible, not whole seconds only.
  double a = clock.MonotonicSeconds();
  clock.Pause(20);
  double b = clock.MonotonicSeconds();
  EXPECT_GT(b - a, 0.0);
  EXPECT_LT(b - a, 1.0);
}

}  // namespace
}  // namespace tollivox::win32
