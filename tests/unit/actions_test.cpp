// What is done to a found window: activation, keystrokes, counts, and a rejected key string.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

using sim::WindowCall;

std::vector<std::string> Matching(const std::vector<std::string>& Lines, const std::string& Start) {
  std::vector<std::string> out;
  for (const std::string& line : Lines) {
    if (line.rfind(Start, 0) == 0) out.push_back(line);
  }
  return out;
}

TEST(Actions, ActivationModesMakeExactlyTheirCallsWithAYieldAfterEach) {
  struct Case {
    int Mode;
    bool Activates;
    WindowState State;
    bool Visible;
  } cases[] = {{0, true, WindowState::Maximized, false}, {1, true, WindowState::Normal, true},
               {2, true, WindowState::Minimized, true},  {3, true, WindowState::Maximized, true},
               {4, false, WindowState::Normal, true},    {5, false, WindowState::Maximized, true}};
  for (const Case& c : cases) {
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    h.Desk.Find(setup)->State = WindowState::Maximized;
    ASSERT_TRUE(h.Load("/W:Setup /A:" + std::to_string(c.Mode)));
    // How many window calls had been made at each yield of the tick.
    std::vector<std::size_t> atYield;
    h.Desk.OnYield = [&] { atYield.push_back(h.Desk.WindowCalls().size()); };
    ASSERT_TRUE(h.Tick());

    std::vector<WindowCall> expected;
    std::vector<std::size_t> yields = {0, 0};  // the "Looking" and "Found" texts
    if (c.Activates) {
      expected = {{WindowCall::SetForeground, setup}, {WindowCall::SetActive, setup}};
      yields.insert(yields.end(), {1, 2});
    }
    expected.push_back({WindowCall::Show, setup, c.Mode});
    yields.insert(yields.end(), {expected.size(), expected.size()});  // Show, then "Waiting"
    EXPECT_EQ(h.Desk.WindowCalls(), expected) << "mode " << c.Mode;
    EXPECT_EQ(atYield, yields) << "mode " << c.Mode;
    EXPECT_EQ(h.Desk.Find(setup)->State, c.State) << "mode " << c.Mode;
    EXPECT_EQ(h.Desk.Find(setup)->Visible, c.Visible) << "mode " << c.Mode;
  }
}

TEST(Actions, KeyStringsAreAnnouncedThenTypedIntoTheWindowActedOn) {
  struct Case {
    std::string Args;
    int Ticks;
    std::string Typed;
    std::vector<std::string> Sending;
  } cases[] = {
      {"/W:Setup,Other /K:,{ENTER}", 1, "", {}},
      {"/W:Setup,Other /K:a,b /S:1",
       1,
       "ab",
       {"Sending \"a\" keystrokes...", "Sending \"b\" keystrokes..."}},
      // The second entry is dealt with after the first tick; its keys are still typed.
      {"/W:Setup,Gone /K:x,y /S:1 /T:3,1",
       2,
       "xyxy",
       {"Sending \"x\" keystrokes...", "Sending \"y\" keystrokes...", "Sending \"x\" keystrokes...",
        "Sending \"y\" keystrokes..."}},
  };
  for (const Case& c : cases) {
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    ASSERT_TRUE(h.Load(c.Args + " /L:run.log"));
    ASSERT_TRUE(h.RunTicks(c.Ticks));
    EXPECT_EQ(h.Desk.TypedInto(setup), c.Typed) << c.Args;
    EXPECT_EQ(Matching(h.LogTexts(h.LogPath("run.log")), "Sending"), c.Sending) << c.Args;
  }
}

// The target closes, or stops answering, at each yield of its action run in turn: after the
// foreground and activation calls, the show, each "Sending" text and each key string typed.
TEST(Actions, KeysAreTypedOnlyWhileTheWindowIsThereAndAnswers) {
  const std::string closedA = "Window closed; \"a\" keystrokes not sent.";
  const std::string closedB = "Window closed; \"b\" keystrokes not sent.";
  const std::string silentA = "Window not responding; \"a\" keystrokes not sent.";
  const std::string silentB = "Window not responding; \"b\" keystrokes not sent.";
  const std::string sendingA = "Sending \"a\" keystrokes...";
  const std::string sendingB = "Sending \"b\" keystrokes...";
  constexpr int kYieldsOfTheRun = 7;
  for (bool hang : {false, true}) {
    for (int at = 1; at <= kYieldsOfTheRun; ++at) {
      SCOPED_TRACE(std::string(hang ? "stops answering" : "closes") + " at yield " +
                   std::to_string(at));
      Harness h;
      const WindowHandle notes = h.Desk.CreateWindow("Notes");
      const WindowHandle setup = h.Desk.CreateWindow("Setup");
      ASSERT_TRUE(h.Load("/W:Setup,Other /K:a,b /S:1 /C:1 /L:run.log"));
      int yields = 0;
      int pausesSeen = 0;
      std::size_t sentThen = 0;
      h.Desk.OnYield = [&] {
        if (h.Desk.Foreground() != setup && yields == 0) return;
        // The yields of the wait for the front (each after a pause) are passed over.
        if (h.Desk.Pauses != pausesSeen) {
          pausesSeen = h.Desk.Pauses;
          return;
        }
        if (++yields != at) return;
        sentThen = h.Desk.Sent().size();
        if (hang) {
          h.Desk.Find(setup)->Hung = true;
        } else {
          h.Desk.DestroyWindow(setup);
        }
      };
      ASSERT_TRUE(h.Tick());
      EXPECT_EQ(h.Desk.Sent().size(), sentThen) << "keys typed after the window went";
      // Closed or silent from its "Sending" text on, a key string is not typed.
      const bool aSent = at > 4;
      const bool bSent = at > 6;
      EXPECT_EQ(h.Desk.TypedInto(setup), std::string(aSent ? "a" : "") + (bSent ? "b" : ""));
      if (!hang) {
        EXPECT_EQ(h.Desk.Focus(), notes);
      }
      const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
      std::vector<std::string> keyLines;
      for (const std::string& line : log) {
        if (line.find("keystrokes") != std::string::npos) keyLines.push_back(line);
      }
      EXPECT_EQ(keyLines, (std::vector<std::string>{aSent  ? sendingA
                                                    : hang ? silentA
                                                           : closedA,
                                                    bSent  ? sendingB
                                                    : hang ? silentB
                                                           : closedB}));
      // A closed window has had its run; one that did not answer gets another visit.
      const bool counted = !hang || bSent;
      EXPECT_EQ(Matching(log, "Count of").size(), counted ? 1u : 0u);
      EXPECT_EQ(h.Ended, std::nullopt);
    }
  }
}

// Windows refuses in many ways to let keys reach the found window; each refusal withholds the
// keys with its own line, never types into the user's window, and leaves the run uncounted so
// that the next visit, once the refusal is gone, types them.
TEST(Actions, RefusedKeysAreWithheldNamedAndTriedAgain) {
  using Switch = std::function<void(Harness&, WindowHandle Setup, bool On)>;
  struct Case {
    std::string Name;
    Switch Refuse;
    std::string Line;  // "" when the refusal is invisible to the log
  } cases[] = {
      {"foreground refused",
       [](Harness& h, WindowHandle, bool On) { h.Desk.RefuseForeground = On; },
       "Window not in front; \"%a~\" keystrokes not sent."},
      {"administrator",
       [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Elevated = On; },
       "Window runs as administrator; \"%a~\" keystrokes not sent."},
      {"integrity level unreadable",
       [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Unreadable = On; },
       "Window's integrity level cannot be read; \"%a~\" keystrokes not sent."},
      {"locked desktop", [](Harness& h, WindowHandle, bool On) { h.Desk.InputDesktop = !On; },
       "Desktop not receiving input; \"%a~\" keystrokes not sent."},
      {"partly taken",
       [](Harness& h, WindowHandle, bool On) { h.Desk.TakesAtMost = On ? 2 : SIZE_MAX; },
       "Only 2 of 6 key events taken; \"%a~\" keystrokes not all sent."},
      {"not answering",
       [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Hung = On; },
       "Window not responding; \"%a~\" keystrokes not sent."},
      // A cloaked window of the same title is passed over, never made the found one.
      {"cloaked", [](Harness& h, WindowHandle Setup, bool On) { h.Desk.Find(Setup)->Cloaked = On; },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    const WindowHandle editor = h.Desk.CreateWindow("Editor");
    (void)h.Desk.SetForeground(editor);  // the user is working here
    c.Refuse(h, setup, true);
    ASSERT_TRUE(h.Load("/W:Setup /K:%a~ /C:1 /T:-1 /L:run.log"));
    ASSERT_TRUE(h.Tick());
    for (const auto& batch : h.Desk.Sent()) {
      EXPECT_NE(batch.Target, editor) << "keys reached the user's window";
    }
    std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    if (!c.Line.empty()) {
      EXPECT_EQ(Matching(log, c.Line), std::vector<std::string>{c.Line});
    }
    EXPECT_EQ(h.Form.WindowStrings[1], "Setup") << "a withheld run was counted";
    if (c.Line.find("not in front") != std::string::npos) {
      EXPECT_EQ(h.Desk.Focus(), editor);
    }

    // What part of a send got through stays typed.
    const std::string before = h.Desk.TypedInto(setup);
    c.Refuse(h, setup, false);
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(h.Desk.TypedInto(setup), before + "{VK:12}a\n");
    EXPECT_EQ(h.Desk.TypedInto(editor), "");
    EXPECT_EQ(h.Form.WindowStrings[1], "");
  }
}

// The log write before the keys can wait on a reader that holds the file (an indexer, a viewer);
// whatever changed meanwhile is seen right before the keys go, and said after the "Sending" line.
TEST(Actions, ChecksHoldAtTheMomentTheKeysGo) {
  struct Case {
    std::string Name;
    std::function<void(Harness&, WindowHandle Setup, WindowHandle Editor)> Meanwhile;
    std::string Reason;
  } cases[] = {
      {"front lost",
       [](Harness& h, WindowHandle, WindowHandle Editor) { (void)h.Desk.SetForeground(Editor); },
       "Window not in front"},
      {"session locked",
       [](Harness& h, WindowHandle, WindowHandle) { h.Desk.InputDesktop = false; },
       "Desktop not receiving input"},
      {"window closed",
       [](Harness& h, WindowHandle Setup, WindowHandle) { h.Desk.DestroyWindow(Setup); },
       "Window closed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    const WindowHandle editor = h.Desk.CreateWindow("Editor");
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    ASSERT_TRUE(h.Load("/W:Setup /K:x /C:1 /T:-1 /L:run.log"));
    int reader = 0;
    // The reader opens the log as the "Sending" text shows, and lets go a few attempts later.
    h.Desk.OnYield = [&] {
      if (reader != 0 || h.Desk.Texts[Control::lblMessage] != "Sending \"x\" keystrokes...") return;
      reader = h.Desk.HoldOpen(h.LogPath("run.log"), {true, true}, {});
      h.Desk.OnPause = [&](int) {
        if (reader <= 0) return;
        c.Meanwhile(h, setup, editor);
        h.Desk.Release(reader);
        reader = -1;
      };
    };
    ASSERT_TRUE(h.Tick());
    ASSERT_EQ(reader, -1) << "the log was never held";
    EXPECT_EQ(h.Desk.TypedInto(setup) + h.Desk.TypedInto(editor), "");
    const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    const auto sending = std::find(log.begin(), log.end(), "Sending \"x\" keystrokes...");
    ASSERT_NE(sending, log.end());
    ASSERT_NE(sending + 1, log.end());
    EXPECT_EQ(*(sending + 1), c.Reason + "; \"x\" keystrokes not sent.");
    // Not counted unless the window is gone, which has had its run.
    EXPECT_EQ(Matching(log, "Count of").size(), c.Reason == "Window closed" ? 1u : 0u);
  }
}

// Shown without activation, keys go to whatever has the focus, as these modes always did; with
// an activation they wait for the window to come to the front, the console's messages running.
TEST(Actions, OnlyActivatingModesWaitForTheFront) {
  for (int mode : {1, 4}) {
    Harness h;
    const WindowHandle setup = h.Desk.CreateWindow("Setup");
    const WindowHandle editor = h.Desk.CreateWindow("Editor");
    (void)h.Desk.SetForeground(editor);
    h.Desk.RefuseForeground = true;
    // The window comes to the front a moment later, as a busy program's does.
    h.Desk.OnPause = [&](int Pauses) {
      if (Pauses == 5) {
        h.Desk.RefuseForeground = false;
        (void)h.Desk.SetForeground(setup);
      }
    };
    ASSERT_TRUE(h.Load("/W:Setup /K:x /A:" + std::to_string(mode) + " /L:run.log"));
    const int yieldsBefore = h.Desk.Yields;
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(h.Desk.TypedInto(mode == 1 ? setup : editor), "x") << "mode " << mode;
    if (mode == 1) {
      EXPECT_GE(h.Desk.Yields - yieldsBefore, 5 + 6);
    }
  }
}

// Where nobody can see a box (a scheduled task, a service), none is shown: its lines go to the
// log, and the program ends as the box would have had it.
TEST(Actions, NoBoxInAStationNobodySees) {
  struct Case {
    std::string Args;
    int Exit;  // -1: still running
    std::string Logged;
  } cases[] = {
      {"/? /L:run.log", kExitFinished, ""},
      {"/L:run.log", kExitSyntaxError, ""},
      {"/W:Setup /K:{ENTER /L:run.log", kExitFatalError,
       "Error # 5, Invalid procedure call or argument"},
      {"/W:Setup /E:admin.exe /L:run.log", kExitFatalError,
       "Please start Tollivox from an elevated prompt (Run as administrator)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args);
    Harness h;
    h.Desk.VisibleStation = false;
    h.Desk.CreateWindow("Setup");
    h.Desk.ElevatedPrograms.push_back("admin.exe");
    if (h.Load(c.Args)) h.RunTicks(2);
    EXPECT_EQ(h.Ended, c.Exit);
    EXPECT_TRUE(h.Desk.MessageBoxes().empty());
    if (c.Logged.empty()) continue;
    const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
    EXPECT_EQ(Matching(log, c.Logged).size(), 1u);
  }
  // The Clear question is answered No: the log stays.
  Harness h;
  h.Desk.VisibleStation = false;
  h.Desk.CreateWindow("Setup");
  ASSERT_TRUE(h.Load("/W:Setup /T:-1 /L:run.log"));
  ASSERT_TRUE(h.Run([&] { h.Form.cmdClear_Click(); }));
  EXPECT_TRUE(h.Desk.MessageBoxes().empty());
  EXPECT_EQ(Matching(h.LogTexts(h.LogPath("run.log")), "Are you sure").size(), 1u);
  EXPECT_FALSE(h.Desk.ReadFile(h.LogPath("run.log")).empty());
}

TEST(Actions, CountLimitDropsTheEntryAtItsRun) {
  struct Case {
    std::string Count;
    int DropTick;  // 0: never within 6 ticks
  } cases[] = {{"1", 1}, {"3", 3}, {"0", 0}, {"-2", 0}};
  for (const Case& c : cases) {
    Harness h;
    h.Desk.CreateWindow("Save As");
    ASSERT_TRUE(h.Load("/W:Save As /T:-1 /C:" + c.Count + " /L:run.log"));
    int dropTick = 0;
    for (int tick = 1; tick <= 6 && dropTick == 0; ++tick) {
      ASSERT_TRUE(h.Tick());
      if (h.Form.WindowStrings[1].empty()) dropTick = tick;
    }
    EXPECT_EQ(dropTick, c.DropTick) << "count " << c.Count;
    if (c.DropTick == 0) continue;
    EXPECT_EQ(h.LogTexts(h.LogPath("run.log")).back(),
              "Count of " + c.Count + " for 'Save As' window reached; Window removed.");
    EXPECT_FALSE(h.Tick());
  }
}

TEST(Actions, RejectedKeyStringIsReportedAfterItsAnnouncement) {
  Harness h;
  const WindowHandle setup = h.Desk.CreateWindow("Setup");
  ASSERT_TRUE(h.Load("/W:Setup /K:{ENTER /L:run.log"));
  EXPECT_FALSE(h.Tick());
  EXPECT_EQ(h.Ended, kExitFatalError);
  ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.Desk.MessageBoxes()[0].Text,
            "An unexpected internal error was encountered in module 'DoActions'.\n\n"
            "Error # 5, Invalid procedure call or argument\n\n"
            "Please report this error to Orvantis Support at www.orvantis.com/support.");
  const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
  const std::vector<std::string> tail(log.end() - 3, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "Sending \"{ENTER\" keystrokes...",
                      "An unexpected internal error was encountered in module 'DoActions'.",
                      "Error # 5, Invalid procedure call or argument"}));
  EXPECT_EQ(h.Desk.TypedInto(setup), "");
  EXPECT_FALSE(h.Desk.IconPresent());
}

TEST(Actions, ShortListsReadAsTheirDefaults) {
  for (std::int16_t anyWindow : {0, 1}) {
    Harness h;
    const WindowHandle window = h.Desk.CreateWindow("b");
    frmZandrel& f = h.Form;
    f.WindowCount = 2;
    f.WindowStrings.Redim(2);
    f.WindowStrings[1] = "a";
    f.WindowStrings[2] = "b";
    f.KeyStrings.Redim(1);
    f.KeyStrings[1] = "k";
    f.ActionCounts.Redim(2);
    f.SendKeysAnyWindow = anyWindow;
    ASSERT_TRUE(h.Run([&] { f.DoActions(window, 2); }));
    EXPECT_EQ(h.Desk.WindowCalls().size(), 3u);  // activation mode 1
    EXPECT_EQ(h.Desk.TypedInto(window), anyWindow ? "k" : "");
    EXPECT_EQ(f.WindowStrings[2], "b");  // no count limit
  }
}

}  // namespace
}  // namespace tollivox::test
