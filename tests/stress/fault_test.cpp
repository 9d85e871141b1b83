// Faults around the shared log, with real copies of the log driver: a log folder that does not
// exist, a log held past the writer's retry limit, a read marker left behind by a copy that
// died, and a copy killed in the middle of its writes; and the viewer against a log taken between
// its busy test and its read. Each driver test prints the figure it measured.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "platform/win32/controls.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/text.h"
#include "stress_support.h"

namespace tollivox::stress {
namespace {

using testing::HasSubstr;
using win32::KernelHandle;
using win32::Narrow;

// A copy ended by the log waits out the whole retry limit first.
constexpr DWORD kDriverLimitMs = 15 * 60 * 1000;
constexpr DWORD kQuickLimitMs = 120000;

double Seconds() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

SYSTEMTIME Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now;
}

std::string Describe(const LogFigures& F) {
  return "expected " + std::to_string(F.Expected) + ", found " + std::to_string(F.Found) +
         ", lost " + std::to_string(F.Lost) + ", duplicated " + std::to_string(F.Duplicated) +
         ", torn " + std::to_string(F.Torn) + ", out of order " + std::to_string(F.OutOfOrder) +
         ", after failure " + std::to_string(F.AfterFailure);
}

void Figure(const std::string& Text) {
  std::printf("[ figure   ] %s\n", Text.c_str());
  std::fflush(stdout);
}

// ---- The log check itself must see every kind of damage. ----

TEST(LogCheckTest, CountsEveryKindOfDamage) {
  const std::string stamp = "Sun 12/06/26 07:20:35";
  const std::set<std::string> stamps{stamp, "Sun 12/06/26 07:20:36"};
  auto line = [&](int Copy, int Seq) { return stamp + ": " + Payload(Copy, Seq) + "\r\n"; };
  auto bare = [&](int Copy, int Seq) { return stamp + ": " + Payload(Copy, Seq); };
  const std::string cutShort = bare(1, 2).substr(0, bare(1, 2).size() - 3) + "\r\n";

  struct Case {
    const char* Name;
    std::string Content;
    std::vector<CopyPlan> Plans;
    LogFigures Expected;
  };
  const Case cases[] = {
      {"whole log of two copies",
       line(1, 1) + line(2, 1) + line(1, 2),
       {{2, 0}, {1, 0}},
       {3, 3, 0, 0, 0, 0, 0}},
      {"empty log", "", {{2, 0}}, {2, 0, 2, 0, 0, 0, 0}},
      {"gap in a copy's lines", line(1, 1) + line(1, 3), {{3, 0}}, {3, 2, 1, 0, 0, 0, 0}},
      {"line written twice", line(1, 1) + line(1, 1) + line(1, 2), {{2, 0}}, {2, 3, 0, 1, 0, 0, 0}},
      {"line cut short", line(1, 1) + cutShort + line(1, 3), {{3, 0}}, {3, 2, 1, 0, 1, 0, 0}},
      {"two lines spliced", bare(1, 1) + line(2, 1), {{1, 0}, {1, 0}}, {2, 0, 2, 0, 1, 0, 0}},
      {"last line without its line end", line(1, 1) + bare(1, 2), {{2, 0}}, {2, 1, 1, 0, 1, 0, 0}},
      {"bare line feed inside a line",
       stamp + ": " + Payload(1, 1) + "\n" + line(1, 2),
       {{2, 0}},
       {2, 0, 2, 0, 1, 0, 0}},
      {"foreign line", line(1, 1) + stamp + ": >>>>> Exit\r\n", {{1, 0}}, {1, 1, 0, 0, 1, 0, 0}},
      {"stamp outside the run",
       "Mon 12/07/26 07:20:35: " + Payload(1, 1) + "\r\n",
       {{1, 0}},
       {1, 0, 1, 0, 1, 0, 0}},
      {"line of no copy asked for",
       line(1, 1) + line(1, 2) + line(3, 1),
       {{2, 0}},
       {2, 2, 0, 0, 1, 0, 0}},
      {"lines out of order", line(1, 2) + line(1, 1), {{2, 0}}, {2, 2, 0, 0, 0, 1, 0}},
      {"copy ended by the box, nothing after",
       line(1, 1) + line(1, 2),
       {{5, 3}},
       {5, 2, 0, 0, 0, 0, 0}},
      {"copy ended by the box, a line after",
       line(1, 1) + line(1, 2),
       {{5, 2}},
       {5, 2, 0, 0, 0, 0, 1}},
      {"copy ended by the box, a line before it lost", line(1, 1), {{5, 3}}, {5, 1, 1, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const LogFigures figures = CheckLog(c.Content, c.Plans, stamps);
    EXPECT_EQ(Describe(figures), Describe(c.Expected));
  }
}

// ---- The viewer against a file taken between its busy test and its read. ----

struct ProgramEnded {
  int ExitCode;
};

// The real system, except that ending the program comes back to the test.
class ReturningSystem final : public ISystem {
 public:
  std::string CommandLine() override { return real_.CommandLine(); }
  std::string ProgramFolder() override { return real_.ProgramFolder(); }
  VersionNumbers Version() override { return real_.Version(); }
  std::string ToUpper(std::string_view Text) override { return real_.ToUpper(Text); }
  [[noreturn]] void EndProgram(int ExitCode) override { throw ProgramEnded{ExitCode}; }
  bool StationVisible() override { return real_.StationVisible(); }

 private:
  win32::Win32System real_;
};

// The real files, with another program that takes the log, with no sharing, right after the
// first busy test that found it free, and lets go once a read open has been refused.
class IntrudedFiles final : public IFiles {
 public:
  bool Exists(const std::string& Path) override { return real_.Exists(Path); }
  Status Delete(const std::string& Path) override { return real_.Delete(Path); }
  AppendOpenResult OpenAppend(const std::string& Path) override { return real_.OpenAppend(Path); }
  std::int32_t TrialOpenReadLocked(const std::string& Path) override {
    const std::int32_t result = real_.TrialOpenReadLocked(Path);
    if (result == 0 && !intruded_) {
      intruded_ = true;
      held_ = KernelHandle(CreateFileW(win32::Widen(Path).c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return result;
  }
  Status ReadLines(const std::string& Path,
                   const std::function<void(std::string_view Line)>& OnLine) override {
    Status result = real_.ReadLines(Path, OnLine);
    if (!result.Ok() && held_.Valid()) {
      ++Refusals;
      held_.Reset();
    }
    return result;
  }
  Status CreateEmpty(const std::string& Path) override { return real_.CreateEmpty(Path); }
  double AgeSeconds(const std::string& Path) override { return real_.AgeSeconds(Path); }
  bool PreviousInstanceRunning() override { return false; }

  int Refusals = 0;

 private:
  win32::Win32Files real_{L"Local\\Tollivox.FaultTest"};
  bool intruded_ = false;
  KernelHandle held_;
};

TEST(LogViewerFaultTest, FileTakenBetweenBusyTestAndReadIsWaitedFor) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring log =
      std::wstring(temp) + L"tollivox-fault-" + std::to_wstring(GetCurrentProcessId()) + L".log";
  const std::string content = "Sun 12/06/26 07:20:35: >>>>> Started\r\n";
  ASSERT_TRUE(WriteWholeFile(log, content));

  struct Case {
    const char* Name;
    void (frmZandrel::*Handler)();
  };
  const Case cases[] = {{"view", &frmZandrel::cmdViewLog_Click},
                        {"refresh", &frmZandrel::cmdRefresh_Click}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    win32::Win32Windows windows;
    Win32Keyboard keyboard;
    win32::Win32Launcher launcher;
    IntrudedFiles files;
    ReportingDialogs dialogs(log + L".box");
    win32::Win32Clock clock;
    ReturningSystem system;
    QuietConsole console;
    win32::Win32Controls controls(windows);
    Platform os{windows, keyboard, launcher, files,   dialogs, clock,
                system,  console,  console,  console, console, controls};
    frmZandrel form(os);
    form.LogFilePath = Narrow(log);
    form.ConsoleMode = 2;
    console.SetText(Control::cmdStopStart, "&Stop");

    int ended = -1;
    try {
      (form.*c.Handler)();
    } catch (const ProgramEnded& end) {
      ended = end.ExitCode;
    }
    EXPECT_EQ(files.Refusals, 1);
    EXPECT_EQ(ended, -1) << ReadBoxReport(log + L".box").Text;
    EXPECT_EQ(console.Text(Control::txtLog), content);
    EXPECT_FALSE(FileExists(log + L".box"));
  }
  DeleteFileW(log.c_str());
  DeleteFileW((log + L".box").c_str());
}

// ---- Faults with real copies of the driver. ----

// Sets a file's last write time Seconds back from now.
bool SetMarkerAge(const std::wstring& Path, int Seconds) {
  KernelHandle file(CreateFileW(Path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER when{};
  when.LowPart = now.dwLowDateTime;
  when.HighPart = now.dwHighDateTime;
  when.QuadPart -= static_cast<ULONGLONG>(Seconds) * 10'000'000ull;
  const FILETIME written{when.LowPart, when.HighPart};
  return SetFileTime(file.Get(), nullptr, nullptr, &written) != FALSE;
}

class LogFaultTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::wstring(temp) + L"tollivox-fault-" + std::to_wstring(GetCurrentProcessId()) +
              L"-" + win32::Widen(info->name());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr) != FALSE ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    log_ = folder_ + L"\\run.log";
    started_ = Now();
  }

  void TearDown() override {
    if (HasFailure()) {
      std::printf("files kept in %s\n", Narrow(folder_).c_str());
      return;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(search, &found) != FALSE);
      FindClose(search);
    }
    RemoveDirectoryW(folder_.c_str());
  }

  std::wstring Report(int Copy) const {
    return folder_ + L"\\copy" + std::to_wstring(Copy) + L".box";
  }

  bool StartDriver(Child& Driver, int Copy, int Lines, const std::wstring& Log) {
    return Driver.Start(Quoted(ProgramFolder() + L"\\log_driver.exe") + L" " +
                        std::to_wstring(Copy) + L" " + std::to_wstring(Lines) + L" " + Quoted(Log) +
                        L" --report " + Quoted(Report(Copy)));
  }

  // Runs a copy to its end; the exit code, or -1 when it did not end in time.
  int RunDriver(int Copy, int Lines, DWORD LimitMs) {
    Child driver;
    if (!StartDriver(driver, Copy, Lines, log_)) return -2;
    return driver.Wait(LimitMs);
  }

  KernelHandle HoldExclusively() const {
    return KernelHandle(CreateFileW(log_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  LogFigures Check(const std::vector<CopyPlan>& Plans) const {
    return CheckLog(ReadWholeFile(log_), Plans, StampsBetween(started_, Now()));
  }

  // Seconds a copy takes to give up on a log held with no sharing, measured once per process:
  // the stale-marker test waits longer than that with a fresh marker.
  static double& RetryLimitSeconds() {
    static double seconds = 0;
    return seconds;
  }

  // Holds the log exclusively and runs a copy against it; its time to the box.
  double HeldLogRun(int Copy, int& ExitCode) {
    KernelHandle hold = HoldExclusively();
    EXPECT_TRUE(hold.Valid());
    const double start = Seconds();
    ExitCode = RunDriver(Copy, 5, kDriverLimitMs);
    const double elapsed = Seconds() - start;
    RetryLimitSeconds() = elapsed;
    return elapsed;
  }

  std::wstring folder_;
  std::wstring log_;
  SYSTEMTIME started_{};
};

TEST_F(LogFaultTest, MissingLogFolderEndsCopyWithBoxAndWritesNothing) {
  const std::wstring missing = folder_ + L"\\no such folder";
  const std::wstring log = missing + L"\\run.log";
  Child driver;
  ASSERT_TRUE(StartDriver(driver, 1, 5, log));
  const double start = Seconds();
  EXPECT_EQ(driver.Wait(kQuickLimitMs), 3);
  Figure("missing folder: exit code 3 after " + std::to_string(Seconds() - start) + " s");

  const BoxReport box = ReadBoxReport(Report(1));
  EXPECT_EQ(box.FailedSeq, 1);
  EXPECT_THAT(box.Text, HasSubstr("Error # 76, Path not found"));
  EXPECT_THAT(box.Text, HasSubstr("the path for the '" + Narrow(log) + "' log file is valid"));
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogFaultTest, LogHeldPastRetryLimitEndsCopyWithBoxAndNothingFollows) {
  ASSERT_EQ(RunDriver(1, 3, kQuickLimitMs), 0);
  int code = 0;
  const double elapsed = HeldLogRun(2, code);
  EXPECT_EQ(code, 3);
  Figure("log held with no sharing: exit code " + std::to_string(code) + " after " +
         std::to_string(elapsed) + " s");
  // The attempts are paced, so a lock held for a moment cannot use them up.
  EXPECT_GT(elapsed, 10.0);

  const BoxReport box = ReadBoxReport(Report(2));
  EXPECT_EQ(box.FailedSeq, 1);
  EXPECT_THAT(box.Text, HasSubstr("Error # 70, Permission denied"));

  // The hold is gone now: nothing of the ended copy may turn up, nor the failure itself.
  Sleep(500);
  const LogFigures figures = Check({{3, 0}, {5, 1}});
  EXPECT_TRUE(figures.Clean()) << Describe(figures);
  EXPECT_EQ(figures.Found, 3);
}

TEST_F(LogFaultTest, ReadMarkerKeepsWriterWaitingUntilItGoesStale) {
  // The limit without a marker, measured here unless the test before did.
  ASSERT_TRUE(WriteWholeFile(log_, ""));
  if (RetryLimitSeconds() == 0) {
    int code = 0;
    HeldLogRun(9, code);
    ASSERT_EQ(code, 3);
  }
  const double limit = RetryLimitSeconds();

  KernelHandle hold = HoldExclusively();
  ASSERT_TRUE(hold.Valid());
  const std::wstring marker = log_ + L".RLK";
  ASSERT_TRUE(WriteWholeFile(marker, ""));
  Child driver;
  ASSERT_TRUE(StartDriver(driver, 1, 2, log_));
  // A reader of another copy is at work (its marker kept younger than the age limit all along):
  // the writer waits past its limit without giving up.
  const double waitStart = Seconds();
  while (Seconds() - waitStart < limit * 1.25) {
    ASSERT_TRUE(SetMarkerAge(marker, 0));
    ASSERT_EQ(driver.Wait(1000), -1) << "gave up after " << Seconds() - waitStart << " s";
  }
  const double waited = Seconds() - waitStart;

  // The reader died long ago: its marker is no reason to wait any more.
  ASSERT_TRUE(SetMarkerAge(marker, 61));
  const double start = Seconds();
  EXPECT_EQ(driver.Wait(kDriverLimitMs), 3);
  const double elapsed = Seconds() - start;
  Figure("fresh marker: still waiting after " + std::to_string(waited) +
         " s; marker aged 61 s: exit code 3 after " + std::to_string(elapsed) + " s");
  EXPECT_THAT(ReadBoxReport(Report(1)).Text, HasSubstr("Error # 70, Permission denied"));
  hold.Reset();
  EXPECT_EQ(ReadWholeFile(log_), "");
}

TEST_F(LogFaultTest, KilledCopyLeavesNoTornLineAndNextWriterGetsTheFile) {
  constexpr int kRounds = 6;
  constexpr int kFollowerLines = 50;
  std::mt19937 random(GetCurrentProcessId());
  std::vector<CopyPlan> plans(100 + kRounds);
  std::string kills;
  for (int round = 1; round <= kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Child victim;
    ASSERT_TRUE(StartDriver(victim, round, 10000000, log_));
    // Killed at a random point of its writing, somewhere past its first lines.
    const std::size_t before = ReadWholeFile(log_).size();
    const std::size_t grow = std::uniform_int_distribution<std::size_t>(500, 60000)(random);
    const double start = Seconds();
    while (ReadWholeFile(log_).size() < before + grow && Seconds() - start < 60) Sleep(1);
    ASSERT_TRUE(TerminateProcess(victim.Handle(), 99) != FALSE);
    EXPECT_EQ(victim.Wait(10000), 99);

    const int follower = 100 + round;
    const double followStart = Seconds();
    EXPECT_EQ(RunDriver(follower, kFollowerLines, kQuickLimitMs), 0);
    plans[static_cast<std::size_t>(follower - 1)].Lines = kFollowerLines;
    const int reached = LastSeqOf(ReadWholeFile(log_), round, StampsBetween(started_, Now()));
    EXPECT_GE(reached, 1);
    plans[static_cast<std::size_t>(round - 1)].Lines = reached;
    kills += " " + std::to_string(reached) + " lines, follower " +
             std::to_string(Seconds() - followStart) + " s;";
  }
  const LogFigures figures = Check(plans);
  EXPECT_TRUE(figures.Clean()) << Describe(figures);
  Figure("killed copies:" + kills + " " + Describe(figures));
}

}  // namespace
}  // namespace tollivox::stress
