// The log writer on the simulated desktop: line format, splitting, the wait for a busy file and
// the failure box.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace tollivox {
namespace {

using test::Harness;

constexpr const char* kTitle = "Tollivox 1.10";

struct LogWriterTest : ::testing::Test {
  Harness H;
  std::string Path = H.LogPath("run.log");

  void SetUp() override {
    H.Form.LogFilePath = Path;
    H.Form.AppTitle = kTitle;
    H.Form.ConsoleMode = 2;  // no tray icon unless a test asks for one
  }

  bool Log(const std::string& Item) {
    return H.Run([&] { H.Form.Add2Log(Path, Item); });
  }

  static std::string FailureText(const std::string& FileName, const std::string& ErrorLine) {
    return "An unexpected internal error was encountered in module 'Add2Log'.\n\n" + ErrorLine +
           "\n\nPlease ensure that the path for the '" + FileName +
           "' log file is valid\nand that no other program is currently accessing this file.\n\n"
           "If you require further assistance, please report this error to Orvantis\n"
           "Support at www.orvantis.com/support.";
  }
};

TEST_F(LogWriterTest, WritesEveryNonEmptyTrimmedPieceAsOneDatedLine) {
  struct Case {
    const char* Name;
    std::string Existing;  // content before the call; "-" for no file
    std::string Item;
    std::vector<std::string> Lines;
  };
  const std::string stamp = "Sun 12/06/26 08:00:00: ";
  const std::vector<Case> cases = {
      {"single line", "-", ">>>>> Exit", {stamp + ">>>>> Exit"}},
      {"empty middle piece", "-", "a\n\nb", {stamp + "a", stamp + "b"}},
      {"surrounding spaces", "-", "   padded text  ", {stamp + "padded text"}},
      {"spaces inside pieces", "-", "  one \n   two  ", {stamp + "one", stamp + "two"}},
      {"only spaces", "-", "     ", {}},
      {"empty text", "-", "", {}},
      {"carriage return is no separator", "-", "x\r\ny", {stamp + "x\r", stamp + "y"}},
      {"appends after old lines", "old 1\r\nold 2\r\n", "new", {"old 1", "old 2", stamp + "new"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    h.Form.LogFilePath = Path;
    h.Form.ConsoleMode = 2;
    if (c.Existing != "-") h.Desk.WriteFile(Path, c.Existing);
    ASSERT_TRUE(h.Run([&] { h.Form.Add2Log(Path, c.Item); }));
    EXPECT_TRUE(h.Desk.Exists(Path)) << "the first write creates the file";
    EXPECT_EQ(h.LogLines(Path), c.Lines);
    EXPECT_TRUE(h.Desk.MessageBoxes().empty());
  }
}

TEST_F(LogWriterTest, TakesDateAndTimeAnewForEveryCall) {
  H.Desk.SetTimeOfDay(7 * 3600 + 20 * 60 + 35);
  ASSERT_TRUE(Log("first"));
  H.Desk.Advance(61);
  H.Desk.Date = "Mon 12/07/26";
  ASSERT_TRUE(Log("second"));
  EXPECT_EQ(H.LogLines(Path), (std::vector<std::string>{"Sun 12/06/26 07:20:35: first",
                                                        "Mon 12/07/26 07:21:36: second"}));
}

TEST_F(LogWriterTest, DoesNothingWithoutALogPathWhateverFileIsNamed) {
  H.Form.LogFilePath = "";
  ASSERT_TRUE(Log("text"));
  EXPECT_FALSE(H.Desk.Exists(Path));
  EXPECT_EQ(H.Desk.TrialOpens, 0);
  EXPECT_TRUE(H.Desk.MessageBoxes().empty());
}

TEST_F(LogWriterTest, AFileThatCannotBeCreatedEndsTheProgramWithTheFailureBoxAtOnce) {
  struct Case {
    const char* Name;
    std::string FileName;
    std::int16_t ConsoleMode;
    std::string ErrorLine;
    bool TrayRemoved;
    std::function<void(sim::SimDesktop&, const std::string&)> Prepare = nullptr;
  };
  // Refusals that no other program's open causes are not waited for.
  auto readOnly = [](sim::SimDesktop& Desk, const std::string& File) {
    Desk.WriteFile(File, "old\r\n");
    Desk.MarkReadOnly(File);
  };
  auto writeProtected = [](sim::SimDesktop& Desk, const std::string& File) {
    Desk.WriteFile(File, "old\r\n");
    Desk.WriteProtected = true;
  };
  const std::vector<Case> cases = {
      {"missing folder", "C:\\NoSuchFolder\\run.log", 0, "Error # 76, Path not found", true},
      {"missing folder, hidden console", "C:\\NoSuchFolder\\run.log", 2,
       "Error # 76, Path not found", false},
      {"bad name", "C:\\Logs\\run?.log", 1, "Error # 52, Bad file name or number", true},
      {"read-only file", "C:\\Logs\\run.log", 1, "Error # 75, Path/File access error", true,
       readOnly},
      {"write-protected medium", "C:\\Logs\\run.log", 1, "Error # 70, Permission denied", true,
       writeProtected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    h.Form.LogFilePath = c.FileName;
    h.Form.AppTitle = kTitle;
    h.Form.ConsoleMode = c.ConsoleMode;
    h.Desk.MakeFolder("C:\\Logs");
    if (c.Prepare) c.Prepare(h.Desk, c.FileName);
    EXPECT_FALSE(h.Run([&] { h.Form.Add2Log(c.FileName, "text"); }));
    EXPECT_EQ(h.Ended, kExitLogFailure);
    EXPECT_EQ(h.Form.Terminating, -1);
    ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
    const sim::MessageBoxRecord& box = h.Desk.MessageBoxes()[0];
    EXPECT_EQ(box.Text, FailureText(c.FileName, c.ErrorLine));
    EXPECT_EQ(box.Title, kTitle);
    EXPECT_EQ(box.Buttons, MsgBoxButtons::Ok);
    EXPECT_EQ(box.Icon, MsgBoxIcon::Critical);
    EXPECT_EQ(h.Desk.Pauses, 0) << "no retrying for a path that cannot work";
    bool removed = !h.Desk.TrayCalls().empty() && !h.Desk.TrayCalls().back().Add;
    EXPECT_EQ(removed, c.TrayRemoved);
  }
}

// Another program or copy holds the log. Hold(h) sets the scene; OnPause (given the number of
// pauses so far) may change it while the writer waits.
TEST_F(LogWriterTest, WaitsForABusyFileAndGivesUpOnlyAfterTheCountedAttempts) {
  const std::string marker = Path + ".RLK";
  const sim::Sharing none{false, false};
  const sim::Sharing readWrite{true, true};
  const sim::Sharing readOnly{true, false};
  const sim::Sharing writeOnly{false, true};
  struct Case {
    const char* Name;
    std::function<int(Harness&)> Hold;  // returns the holder's token
    std::function<void(Harness&, int Token, int Pauses)> OnPause;
    bool Written;
    int TrialOpens;
    // How long each pause lasts; a scheduler tick where a millisecond cannot be had.
    double PauseSeconds = 0.001;
  };
  constexpr double kTick = 0.0156;
  const int attemptsInTheTimeBound = static_cast<int>(kBusyWaitSeconds / kTick) + 1;
  const std::vector<Case> cases = {
      {"held with no sharing, never released",
       [&](Harness& h) { return h.Desk.HoldOpen(Path, readWrite, none); }, nullptr, false,
       kBusyAttemptLimit + 1},
      {"held with no sharing, released after a few attempts",
       [&](Harness& h) { return h.Desk.HoldOpen(Path, readWrite, none); },
       [](Harness& h, int token, int pauses) {
         if (pauses == 5) h.Desk.Release(token);
       },
       true, 6},
      {"fresh read marker: attempts are not counted",
       [&](Harness& h) {
         h.Desk.WriteFile(marker, "");
         return h.Desk.HoldOpen(Path, readWrite, none);
       },
       [](Harness& h, int token, int pauses) {
         if (pauses == kBusyAttemptLimit + 10) h.Desk.Release(token);
       },
       true, kBusyAttemptLimit + 11},
      {"pauses of a scheduler tick: the box comes within the time bound",
       [&](Harness& h) { return h.Desk.HoldOpen(Path, readWrite, none); }, nullptr, false,
       attemptsInTheTimeBound, kTick},
      {"pauses of a scheduler tick: a fresh read marker still holds the writer",
       [&](Harness& h) {
         h.Desk.WriteFile(marker, "");
         return h.Desk.HoldOpen(Path, readWrite, none);
       },
       [](Harness& h, int token, int pauses) {
         if (pauses == kBusyAttemptLimit + 10) h.Desk.Release(token);
       },
       true, kBusyAttemptLimit + 11, kTick},
      {"stale read marker of a copy that died is not honoured",
       [&](Harness& h) {
         h.Desk.WriteFile(marker, "");
         h.Desk.SetAge(marker, kStaleMarkerSeconds + 1);
         return h.Desk.HoldOpen(Path, readWrite, none);
       },
       nullptr, false, kBusyAttemptLimit + 1},
      {"second copy: append refused while the first appends, written once free",
       [&](Harness& h) { return h.Desk.HoldOpen(Path, writeOnly, readOnly); },
       [](Harness& h, int token, int pauses) {
         if (pauses == 3) h.Desk.Release(token);
       },
       true, 4},
      {"second copy: the first never lets go",
       [&](Harness& h) { return h.Desk.HoldOpen(Path, writeOnly, readOnly); }, nullptr, false,
       kBusyAttemptLimit + 1},
      {"file cleared while busy is created anew",
       [&](Harness& h) { return h.Desk.HoldOpen(Path, readWrite, none); },
       [&](Harness& h, int token, int pauses) {
         if (pauses != 2) return;
         h.Desk.Release(token);
         ASSERT_TRUE(h.Desk.Delete(Path).Ok());
       },
       true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    h.Form.LogFilePath = Path;
    h.Form.AppTitle = kTitle;
    h.Form.ConsoleMode = 2;
    h.Desk.WriteFile(Path, "old\r\n");
    const int token = c.Hold(h);
    ASSERT_NE(token, 0);
    if (c.OnPause) h.Desk.OnPause = [&](int pauses) { c.OnPause(h, token, pauses); };
    h.Desk.PauseSeconds = c.PauseSeconds;
    const double started = h.Desk.MonotonicSeconds();

    const bool ran = h.Run([&] { h.Form.Add2Log(Path, "new"); });
    if (!ran) {
      EXPECT_LE(h.Desk.MonotonicSeconds() - started, kBusyWaitSeconds + c.PauseSeconds);
    }

    EXPECT_EQ(ran, c.Written);
    EXPECT_EQ(h.Desk.TrialOpens, c.TrialOpens);
    std::vector<std::string> texts = h.LogTexts(Path);
    if (c.Written) {
      EXPECT_TRUE(h.Desk.MessageBoxes().empty());
      EXPECT_EQ(texts.back(), "new");
      EXPECT_EQ(std::count(texts.begin(), texts.end(), "new"), 1);
    } else {
      EXPECT_EQ(h.Ended, kExitLogFailure);
      EXPECT_EQ(texts, std::vector<std::string>{"old"});
      ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
      EXPECT_EQ(h.Desk.MessageBoxes()[0].Text, FailureText(Path, "Error # 70, Permission denied"));
    }
  }
}

// The failure box runs its own message loop; a tick queued meanwhile must not type keys under
// it, nor fail to log a second time.
TEST_F(LogWriterTest, FailureBoxStopsTheWatchAndNoQueuedTickRunsUnderIt) {
  Harness h;
  const WindowHandle setup = h.Desk.CreateWindow("Setup");
  ASSERT_TRUE(h.Load("/W:Setup /K:x /T:-1 /L:run.log"));
  ASSERT_TRUE(h.Tick());
  ASSERT_EQ(h.Desk.TypedInto(setup), "x");
  h.Desk.MarkReadOnly(h.LogPath("run.log"));
  bool timerOnUnderTheBox = true;
  h.Desk.WhileBoxIsUp = [&](const sim::MessageBoxRecord&) {
    timerOnUnderTheBox = h.Desk.TimerOn;
    h.Form.tmrWaitForWindow_Timer();
  };
  EXPECT_FALSE(h.Run([&] { h.Form.cmdExit_Click(); }));
  EXPECT_EQ(h.Ended, kExitLogFailure);
  EXPECT_FALSE(timerOnUnderTheBox);
  EXPECT_EQ(h.Desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.Desk.TypedInto(setup), "x");
}

TEST_F(LogWriterTest, IsFileOpenTellsFreeFromHeldWithoutRaising) {
  struct Case {
    const char* Name;
    std::function<void(Harness&)> Setup;
    std::string FileName;
    std::int16_t Result;
  };
  const std::string held = H.LogPath("held.log");
  const std::string shared = H.LogPath("shared.log");
  const std::vector<Case> cases = {
      {"free file", [&](Harness& h) { h.Desk.WriteFile(Path, "x"); }, Path, 0},
      {"missing file", [](Harness&) {}, Path, kErrFileNotFound},
      {"missing folder", [](Harness&) {}, "C:\\Nowhere\\x.log", kErrPathNotFound},
      {"held with no sharing",
       [&](Harness& h) {
         h.Desk.WriteFile(held, "x");
         h.Desk.HoldOpen(held, {true, true}, {false, false});
       },
       held, kErrPermissionDenied},
      {"being appended to by another copy",
       [&](Harness& h) {
         h.Desk.WriteFile(shared, "x");
         h.Desk.HoldOpen(shared, {false, true}, {true, false});
       },
       shared, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    c.Setup(h);
    EXPECT_EQ(h.Form.IsFileOpen(c.FileName), c.Result);
  }
}

}  // namespace
}  // namespace tollivox
