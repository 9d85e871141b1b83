#include <string>

#include "platform/win32/services.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

constexpr int kSchedulerTickMilliseconds = 16;
// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which older headers lack.
constexpr DWORD kHighResolutionTimer = 0x00000002;

// A text of the user's regional settings, or Fallback when the system has none to give.
std::string LocaleText(LCTYPE Item, const char* Fallback) {
  wchar_t buffer[128] = {};
  int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, Item, buffer, 128);
  if (length <= 1) return Fallback;
  return Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

// By hand: snprintf would bring the C runtime's whole formatter, a tenth of the program's size.
// The values are parts of a date and time, never negative.
std::string TwoDigits(int Value) {
  const int last = Value % 100;
  return {static_cast<char>('0' + last / 10), static_cast<char>('0' + last % 10)};
}

// timeBeginPeriod and timeEndPeriod (0 is TIMERR_NOERROR).
struct TimerPeriodCalls {
  using Call = UINT(WINAPI*)(UINT);
  Call Begin;
  Call End;
};

TimerPeriodCalls LoadTimerPeriodCalls() {
  return {SystemFunction<TimerPeriodCalls::Call>(L"winmm.dll", "timeBeginPeriod"),
          SystemFunction<TimerPeriodCalls::Call>(L"winmm.dll", "timeEndPeriod")};
}

}  // namespace

std::string FormatLogDate(int Year, int Month, int Day, int DayOfWeek) {
  // The locale numbers its abbreviations from Monday (1) to Sunday (7).
  static constexpr LCTYPE kDayNames[] = {LOCALE_SABBREVDAYNAME7, LOCALE_SABBREVDAYNAME1,
                                         LOCALE_SABBREVDAYNAME2, LOCALE_SABBREVDAYNAME3,
                                         LOCALE_SABBREVDAYNAME4, LOCALE_SABBREVDAYNAME5,
                                         LOCALE_SABBREVDAYNAME6};
  static constexpr const char* kEnglishDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  int day = ((DayOfWeek % 7) + 7) % 7;
  std::string separator = LocaleText(LOCALE_SDATE, "/");
  return LocaleText(kDayNames[day], kEnglishDays[day]) + " " + TwoDigits(Month) + separator +
         TwoDigits(Day) + separator + TwoDigits(Year);
}

std::string FormatLogTime(int Hour, int Minute, int Second) {
  std::string separator = LocaleText(LOCALE_STIME, ":");
  return TwoDigits(Hour) + separator + TwoDigits(Minute) + separator + TwoDigits(Second);
}

double Win32Clock::SecondsSinceMidnight() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

double Win32Clock::MonotonicSeconds() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Win32Clock::LocalDate() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return FormatLogDate(now.wYear, now.wMonth, now.wDay, now.wDayOfWeek);
}

std::string Win32Clock::LocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return FormatLogTime(now.wHour, now.wMinute, now.wSecond);
}

void Win32Clock::Pause(int Milliseconds) {
  if (Milliseconds <= 0) {
    Sleep(0);
    return;
  }
  // Sleep lasts at least a scheduler tick (about 15.6 ms) unless the timer resolution is raised,
  // which would stretch the log's busy wait of 20001 pauses to minutes.
  if (Milliseconds < kSchedulerTickMilliseconds) {
    if (!preciseTried_) {
      preciseTried_ = true;
      preciseTimer_ = KernelHandle(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer,
                                                          TIMER_MODIFY_STATE | SYNCHRONIZE));
    }
    if (preciseTimer_.Valid()) {
      // Relative, in 100 ns units.
      LARGE_INTEGER due{};
      due.QuadPart = -static_cast<LONGLONG>(Milliseconds) * 10000;
      if (SetWaitableTimer(preciseTimer_.Get(), &due, 0, nullptr, nullptr, FALSE) != FALSE &&
          WaitForSingleObject(preciseTimer_.Get(), INFINITE) == WAIT_OBJECT_0) {
        return;
      }
    }
    // Raised only while waiting: a finer resolution costs the whole system power. The
    // multimedia library comes from the system folder, and only on systems that need it.
    static const TimerPeriodCalls period = LoadTimerPeriodCalls();
    const bool raised = period.Begin && period.End && period.Begin(1) == 0;
    Sleep(static_cast<DWORD>(Milliseconds));
    if (raised) period.End(1);
    return;
  }
  Sleep(static_cast<DWORD>(Milliseconds));
}

}  // namespace tollivox::win32
