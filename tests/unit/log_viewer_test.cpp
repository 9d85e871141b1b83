// The log viewer on the simulated desktop: which lines it shows, how it leaves the console and
// the timer, the read marker, Clear, and its ways out when the log is missing or busy.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace tollivox {
namespace {

using test::Harness;

constexpr const char* kTitle = "Tollivox 1.10";

std::string NumberedLines(int First, int Last) {
  std::string text;
  for (int i = First; i <= Last; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

// A console as the start-up leaves it: log hidden, watch running.
struct Viewer {
  Harness H;
  std::string Path = H.LogPath("run.log");
  std::string Marker = Path + ".RLK";

  Viewer() {
    H.Form.LogFilePath = Path;
    H.Form.AppTitle = kTitle;
    H.Form.ConsoleMode = 2;
    H.Desk.Texts[Control::cmdViewLog] = "View &Log";
    H.Desk.Texts[Control::cmdStopStart] = "&Stop";
    H.Desk.TimerOn = true;
  }
  bool Click(void (frmZandrel::*Handler)()) {
    return H.Run([&] { (H.Form.*Handler)(); });
  }
};

TEST(LogViewerTest, ShowsTheLastOneOrTwoBlocksOfLines) {
  struct Case {
    int Lines;
    int First;  // first line shown; 0 for an empty view
    int Last;
  };
  const std::vector<Case> cases = {
      {0, 0, 0},       {10, 1, 10},     {499, 1, 499},        {500, 250, 500},
      {749, 250, 749}, {750, 500, 750}, {40000, 39750, 40000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Lines);
    Viewer v;
    v.H.Desk.WriteFile(v.Path, NumberedLines(1, c.Lines));
    v.H.Desk.Texts[Control::txtLog] = "old text";

    ASSERT_TRUE(v.Click(&frmZandrel::cmdViewLog_Click));

    EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], c.First ? NumberedLines(c.First, c.Last) : "");
    EXPECT_EQ(v.H.Desk.Texts[Control::cmdViewLog], "Hide &Log");
    EXPECT_EQ(v.H.Desk.Height, kTallHeight);
    EXPECT_EQ(v.H.Desk.Pointer, MousePointer::Default);
    EXPECT_EQ(v.H.Desk.FocusedControl, Control::txtLog);
    EXPECT_EQ(v.H.Desk.CaretMoves, 1);
    EXPECT_TRUE(v.H.Desk.Sent().empty()) << "no keystrokes that another window could receive";
    EXPECT_TRUE(v.H.Form.LogShown);

    // Refresh after more lines were logged reads the file again by the same rule.
    v.H.Desk.WriteFile(v.Path, NumberedLines(1, c.Lines + 1));
    ASSERT_TRUE(v.Click(&frmZandrel::cmdRefresh_Click));
    const int lines = c.Lines + 1;
    const int first = lines < 500 ? 1 : lines / 250 * 250 - 250;
    EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], NumberedLines(first, lines));
    EXPECT_EQ(v.H.Desk.CaretMoves, 2);
  }
}

TEST(LogViewerTest, MissingLogLeavesTheTextAndTheNextClickHidesTheArea) {
  Viewer v;
  v.H.Desk.Texts[Control::txtLog] = "earlier text";

  ASSERT_TRUE(v.Click(&frmZandrel::cmdViewLog_Click));
  EXPECT_EQ(v.H.Desk.Height, kTallHeight);
  EXPECT_EQ(v.H.Desk.Texts[Control::cmdViewLog], "View &Log");
  EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], "earlier text");
  EXPECT_EQ(v.H.Desk.Pointer, MousePointer::Default);
  EXPECT_TRUE(v.H.Desk.TimerOn);
  EXPECT_TRUE(v.H.Form.LogShown);

  ASSERT_TRUE(v.Click(&frmZandrel::cmdRefresh_Click));
  EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], "earlier text");
  EXPECT_EQ(v.H.Desk.Pointer, MousePointer::Default);

  v.H.Desk.TimerOn = false;  // hiding leaves the timer alone
  ASSERT_TRUE(v.Click(&frmZandrel::cmdViewLog_Click));
  EXPECT_EQ(v.H.Desk.Height, kShortHeight);
  EXPECT_EQ(v.H.Desk.Texts[Control::cmdViewLog], "View &Log");
  EXPECT_FALSE(v.H.Desk.TimerOn);
  EXPECT_FALSE(v.H.Form.LogShown);
  EXPECT_TRUE(v.H.Desk.MessageBoxes().empty());
}

// Each procedure pauses the watch while it works and resumes it only when the watch is running.
TEST(LogViewerTest, TimerIsOffWhileWorkingAndOnAfterwardsOnlyWhenWatching) {
  struct Case {
    const char* Name;
    void (frmZandrel::*Handler)();
    bool LogExists;
    MsgBoxAnswer Answer;
  };
  const std::vector<Case> cases = {
      {"view", &frmZandrel::cmdViewLog_Click, true, MsgBoxAnswer::Ok},
      {"view, no log", &frmZandrel::cmdViewLog_Click, false, MsgBoxAnswer::Ok},
      {"refresh", &frmZandrel::cmdRefresh_Click, true, MsgBoxAnswer::Ok},
      {"refresh, no log", &frmZandrel::cmdRefresh_Click, false, MsgBoxAnswer::Ok},
      {"clear, yes", &frmZandrel::cmdClear_Click, true, MsgBoxAnswer::Yes},
      {"clear, no", &frmZandrel::cmdClear_Click, true, MsgBoxAnswer::No},
  };
  for (const Case& c : cases) {
    for (const char* caption : {"&Stop", "&Start"}) {
      SCOPED_TRACE(std::string(c.Name) + " with " + caption);
      Viewer v;
      v.H.Desk.Texts[Control::cmdStopStart] = caption;
      if (c.LogExists) v.H.Desk.WriteFile(v.Path, "a\r\n");
      v.H.Desk.Answers.push_back(c.Answer);
      // The first yield comes after the timer is off and the hourglass is up.
      bool firstYieldSeen = false;
      bool timerAtFirstYield = true;
      MousePointer pointerAtFirstYield = MousePointer::Default;
      v.H.Desk.OnYield = [&] {
        if (firstYieldSeen) return;
        firstYieldSeen = true;
        timerAtFirstYield = v.H.Desk.TimerOn;
        pointerAtFirstYield = v.H.Desk.Pointer;
      };
      bool timerDuringBox = false;
      v.H.Desk.WhileBoxIsUp = [&](const sim::MessageBoxRecord&) {
        timerDuringBox = v.H.Desk.TimerOn;
      };

      ASSERT_TRUE(v.Click(c.Handler));

      EXPECT_TRUE(firstYieldSeen);
      EXPECT_FALSE(timerAtFirstYield);
      EXPECT_EQ(pointerAtFirstYield, MousePointer::Hourglass);
      EXPECT_FALSE(timerDuringBox);
      EXPECT_EQ(v.H.Desk.TimerOn, std::string(caption) == "&Stop");
      EXPECT_EQ(v.H.Desk.Pointer, MousePointer::Default);
    }
  }
}

TEST(LogViewerTest, ClearAsksAndDeletesOnlyWhenTheAnswerIsYes) {
  struct Case {
    MsgBoxAnswer Answer;
    bool LogExists;
    bool Deleted;
  };
  for (const Case& c : std::vector<Case>{{MsgBoxAnswer::Yes, true, true},
                                         {MsgBoxAnswer::No, true, false},
                                         {MsgBoxAnswer::Yes, false, false}}) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.Answer)) + (c.LogExists ? " log" : " no log"));
    Viewer v;
    if (c.LogExists) v.H.Desk.WriteFile(v.Path, "kept\r\n");
    v.H.Desk.Texts[Control::txtLog] = "shown";
    v.H.Desk.Answers.push_back(c.Answer);

    ASSERT_TRUE(v.Click(&frmZandrel::cmdClear_Click));

    ASSERT_EQ(v.H.Desk.MessageBoxes().size(), 1u);
    const sim::MessageBoxRecord& box = v.H.Desk.MessageBoxes()[0];
    EXPECT_EQ(box.Text, "Are you sure you want to clear the " + v.Path + " log file?");
    EXPECT_EQ(box.Title, "Clear Log File?");
    EXPECT_EQ(box.Buttons, MsgBoxButtons::YesNo);
    EXPECT_EQ(box.Icon, MsgBoxIcon::Question);
    EXPECT_EQ(v.H.Desk.Exists(v.Path), c.LogExists && !c.Deleted);
    EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], c.Answer == MsgBoxAnswer::Yes ? "" : "shown");
  }

  // The next line logged starts a new file.
  Viewer v;
  v.H.Desk.WriteFile(v.Path, "old\r\n");
  ASSERT_TRUE(v.Click(&frmZandrel::cmdClear_Click));
  ASSERT_TRUE(v.H.Run([&] { v.H.Form.Add2Log(v.Path, "fresh"); }));
  EXPECT_EQ(v.H.LogTexts(v.Path), std::vector<std::string>{"fresh"});
}

TEST(LogViewerTest, FailuresEndTheProgramThroughTheErrorReportUnderTheProcedureName) {
  struct Case {
    const char* Module;
    void (frmZandrel::*Handler)();
    sim::Sharing Access;
    int TrialOpens;
  };
  const std::vector<Case> cases = {
      // Held with no sharing: the read-locked trial open fails every time.
      {"cmdViewLog_Click", &frmZandrel::cmdViewLog_Click, {true, true}, kBusyAttemptLimit + 1},
      {"cmdRefresh_Click", &frmZandrel::cmdRefresh_Click, {true, true}, kBusyAttemptLimit + 1},
      // Held open for writing by another program: it cannot be deleted.
      {"cmdClear_Click", &frmZandrel::cmdClear_Click, {false, true}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Module);
    Viewer v;
    v.H.Form.PreviousInstance = true;
    v.H.Desk.WriteFile(v.Path, "a\r\n");
    const int token = v.H.Desk.HoldOpen(v.Path, c.Access, {false, false});
    ASSERT_NE(token, 0);
    int trialOpens = -1;
    bool markerWhileReporting = true;
    // The other program lets go while the report is up, so the report itself can be logged.
    v.H.Desk.WhileBoxIsUp = [&](const sim::MessageBoxRecord& box) {
      if (box.Title != kTitle) return;
      trialOpens = v.H.Desk.TrialOpens;
      markerWhileReporting = v.H.Desk.Exists(v.Marker);
      v.H.Desk.Release(token);
    };

    EXPECT_FALSE(v.Click(c.Handler));

    EXPECT_EQ(v.H.Ended, kExitFatalError);
    EXPECT_EQ(trialOpens, c.TrialOpens);
    EXPECT_FALSE(markerWhileReporting);
    const std::vector<std::string> texts = v.H.LogTexts(v.Path);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[texts.size() - 2], "An unexpected internal error was encountered in module '" +
                                           std::string(c.Module) + "'.");
    EXPECT_EQ(texts.back(), "Error # 70, Permission denied");
  }
}

TEST(LogViewerTest, ReaderWaitsForALockHeldForAMoment) {
  Viewer v;
  v.H.Desk.WriteFile(v.Path, "a\r\nb\r\n");
  const int token = v.H.Desk.HoldOpen(v.Path, {true, true}, {false, false});
  v.H.Desk.OnPause = [&](int pauses) {
    if (pauses == 3) v.H.Desk.Release(token);
  };
  ASSERT_TRUE(v.Click(&frmZandrel::cmdViewLog_Click));
  EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], "a\r\nb\r\n");
  EXPECT_EQ(v.H.Desk.TrialOpens, 4);
}

// Only a copy started beside another one marks its reading; every copy's viewer removes a
// marker it finds when its load ends.
TEST(LogViewerTest, ReadMarkerLivesOnlyWhileALaterCopyReads) {
  struct Case {
    const char* Name;
    void (frmZandrel::*Handler)();
    bool PreviousInstance;
    double MarkerAge;  // negative: no marker beforehand
    bool LogExists;
    bool MarkedWhileReading;
  };
  const std::vector<Case> cases = {
      {"first copy, view", &frmZandrel::cmdViewLog_Click, false, -1, true, false},
      {"first copy, refresh", &frmZandrel::cmdRefresh_Click, false, -1, true, false},
      {"later copy, view", &frmZandrel::cmdViewLog_Click, true, -1, true, true},
      {"later copy, refresh", &frmZandrel::cmdRefresh_Click, true, -1, true, true},
      {"later copy, no log", &frmZandrel::cmdViewLog_Click, true, -1, false, true},
      {"first copy, marker of a later copy", &frmZandrel::cmdViewLog_Click, false, 1, true, true},
      {"later copy, stale marker is renewed", &frmZandrel::cmdRefresh_Click, true,
       kStaleMarkerSeconds + 5, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Viewer v;
    v.H.Form.PreviousInstance = c.PreviousInstance;
    if (c.LogExists) v.H.Desk.WriteFile(v.Path, "a\r\n");
    if (c.MarkerAge >= 0) {
      v.H.Desk.WriteFile(v.Marker, "");
      v.H.Desk.SetAge(v.Marker, c.MarkerAge);
    }
    bool marked = false;
    double ageWhileReading = -1;
    v.H.Desk.OnYield = [&] {
      if (v.H.Desk.Exists(v.Marker)) {
        marked = true;
        ageWhileReading = v.H.Desk.AgeSeconds(v.Marker);
      }
    };

    ASSERT_TRUE(v.Click(c.Handler));

    EXPECT_EQ(marked, c.MarkedWhileReading);
    if (c.MarkedWhileReading) {
      EXPECT_LT(ageWhileReading, kStaleMarkerSeconds);
    }
    EXPECT_FALSE(v.H.Desk.Exists(v.Marker));
  }
}

TEST(LogViewerTest, ExitDuringTheViewersYieldStopsItAndDropsTheMarker) {
  Viewer v;
  v.H.Form.PreviousInstance = true;
  v.H.Desk.WriteFile(v.Path, "a\r\n");
  v.H.Desk.Texts[Control::txtLog] = "before";
  v.H.Desk.AtNextYield([&] { v.H.Form.Unloaded = true; });

  ASSERT_TRUE(v.Click(&frmZandrel::cmdViewLog_Click));

  EXPECT_EQ(v.H.Desk.Texts[Control::txtLog], "before");
  EXPECT_EQ(v.H.Desk.Texts[Control::cmdViewLog], "View &Log");
  EXPECT_FALSE(v.H.Desk.Exists(v.Marker));
  EXPECT_TRUE(v.H.Desk.MessageBoxes().empty());
}

}  // namespace
}  // namespace tollivox
