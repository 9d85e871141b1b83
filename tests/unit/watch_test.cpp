// The watch cycle on the simulated desktop: title search, keyword entries, timeouts, the end of
// the watch, and Stop and Start arriving in the middle of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

using sim::SimDesktop;

TEST(WatchCycle, TypicalRunTypesEnterUntilTheTimeoutThenEnds) {
  Harness h;
  // The wait for the front takes no time here, so that the ticks fall on whole seconds as the
  // timer's do however long an action run takes.
  h.Desk.PauseSeconds = 0;
  ASSERT_TRUE(h.Load("/W:Setup /K:{ENTER} /L:run.log"));
  ASSERT_TRUE(h.Tick());
  const WindowHandle setup = h.Desk.CreateWindow("Acme Setup Wizard");
  ASSERT_TRUE(h.Tick());
  ASSERT_TRUE(h.Tick());
  EXPECT_EQ(h.Desk.Texts[Control::lblMessage], kWaitingText);
  EXPECT_FALSE(h.Tick());

  EXPECT_EQ(h.Ended, kExitFinished);
  EXPECT_FALSE(h.Desk.IconPresent());
  EXPECT_EQ(h.Desk.TypedInto(setup), "\n\n");
  const std::string looking = "Looking for window containing \"Setup\" string...";
  const std::string found = "Found window containing \"Setup\" string...";
  const std::string sending = "Sending \"{ENTER}\" keystrokes...";
  const std::string at = "Sun 12/06/26 08:00:0";
  const std::vector<std::string> expected = {
      at + "0: >>>>> Loaded with '/W:Setup /K:{ENTER} /L:run.log'",
      at + "1: " + looking,
      at + "1: 'Setup' window not found.",
      at + "3: " + looking,
      at + "3: " + found,
      at + "3: " + sending,
      at + "4: " + looking,
      at + "4: " + found,
      at + "4: " + sending,
      at + "4: Timeout of 3 seconds for 'Setup' window reached; Window removed from search list",
      at + "6: Dealt with all windows for counts and timeouts specified",
      at + "6: >>>>> Unloaded"};
  EXPECT_EQ(h.LogLines(h.LogPath("run.log")), expected);
}

TEST(TitleSearch, FirstWindowInZOrderWhoseTitleContainsTheTextIgnoringCase) {
  struct Case {
    std::vector<std::pair<std::string, bool>> Windows;  // title, visible; top of the z-order first
    std::string Text;
    int Expected;  // index into Windows, -1 for none
  } cases[] = {
      {{{"Untitled - Notepad", true}}, "notepad", 0},
      {{{"Other", true}, {"Acme SETUP wizard", true}}, "Setup", 1},
      {{{"Café Setup", true}}, "CAFÉ", 0},
      {{{"Save As", true}}, "Save  As", -1},
      {{{"Setup", true}}, " Setup", -1},
      {{{"  Setup  ", true}}, "Setup ", 0},
      {{{"", true}, {"x", true}}, "", 0},
      {{{"", true}}, "x", -1},
      {{{"Setup (hidden)", false}, {"Setup", true}}, "setup", 0},
  };
  for (const Case& c : cases) {
    Harness h;
    std::vector<WindowHandle> handles(c.Windows.size());
    for (std::size_t i = c.Windows.size(); i-- > 0;) {
      handles[i] = h.Desk.CreateWindow(c.Windows[i].first, c.Windows[i].second);
    }
    const WindowHandle expected =
        c.Expected < 0 ? 0 : handles[static_cast<std::size_t>(c.Expected)];
    EXPECT_EQ(h.Form.FindWindowByTitle(c.Text), expected) << "'" << c.Text << "'";
    EXPECT_EQ(h.Form.WindowExists(c.Text), c.Expected >= 0) << "'" << c.Text << "'";
  }
}

TEST(TitleSearch, TitlesAndTheWindowList) {
  struct Case {
    std::string Title, Raw, Clean;
  } titles[] = {{"", std::string(1, '\0'), ""},
                {"   ", std::string("   \0", 4), ""},
                {"  Save As  ", std::string("  Save As  \0", 12), "Save As"},
                {"\tTab ", std::string("\tTab \0", 6), "\tTab"}};
  for (const Case& c : titles) {
    Harness h;
    const WindowHandle window = h.Desk.CreateWindow(c.Title);
    EXPECT_EQ(h.Form.RawTitle(window), c.Raw);
    EXPECT_EQ(h.Form.CleanTitle(window), c.Clean) << "'" << c.Title << "'";
  }

  Harness h;
  const WindowHandle low = h.Desk.CreateWindow("Setup");
  const WindowHandle top = h.Desk.CreateWindow("Doomed");
  List<WindowHandle> list;
  list.Redim(0);
  list[0] = 77;
  ASSERT_EQ(h.Form.EnumWindowHandles(list), 4);
  EXPECT_EQ(list[0], 77u);
  EXPECT_EQ(list[1], SimDesktop::kDesktop);
  EXPECT_EQ(list[2], top);
  EXPECT_EQ(list[3], low);
  EXPECT_EQ(list[4], h.Desk.ConsoleHandle());

  // The window being read vanishes: the walk ends there and the match below it is not seen.
  h.Desk.OnTitleRead = [&](WindowHandle window) {
    if (window == top) h.Desk.DestroyWindow(top);
  };
  EXPECT_EQ(h.Form.FindWindowByTitle("Setup"), 0u);
  h.Desk.OnTitleRead = nullptr;
  EXPECT_EQ(h.Form.EnumWindowHandles(list), 3);
  EXPECT_EQ(list.UBound(), 3);
}

TEST(WatchCycle, FirstMatchHiddenOrDisabledIsNotFound) {
  struct Case {
    bool Visible, Enabled;
  } cases[] = {{false, true}, {true, false}, {true, true}};
  for (const Case& c : cases) {
    Harness h;
    const WindowHandle below = h.Desk.CreateWindow("Setup");
    h.Desk.CreateWindow("SETUP", c.Visible, c.Enabled);
    ASSERT_TRUE(h.Load("/W:setup /L:run.log /T:-1"));
    ASSERT_TRUE(h.Tick());
    const bool usable = c.Visible && c.Enabled;
    EXPECT_EQ(Log(h)[2],
              usable ? "Found window containing \"setup\" string..." : "'setup' window not found.");
    EXPECT_EQ(h.Desk.WindowCalls().empty(), !usable);
    for (const sim::WindowCall& call : h.Desk.WindowCalls()) EXPECT_NE(call.Window, below);
  }
}

// The console is shown (/H:0), and its status line and log view repeat an entry's text; a box of
// our own comes up after start-up saying it too. Neither is a page that shows the text.
TEST(WatchCycle, KeywordEntriesActOnEveryQualifyingWindowAtEveryTick) {
  struct Case {
    std::string Entry;
    std::vector<std::string> Tick;
  } cases[] = {
      {"$ALL",
       {"Executing applicable actions for all windows...", "Acting on window \"Early\"...",
        "Acting on window \"Late\"...", "Acting on window \"Quokka page\"...",
        "Acting on window \"Tollivox box\"...", "Acting on window \"Tollivox 1.10\"..."}},
      {"$new",
       {"Looking for new windows...", "New window found (\"Early\")...",
        "New window found (\"Late\")...", "New window found (\"Quokka page\")...",
        "New window found (\"Tollivox box\")..."}},
      {"$ALL /X:QUOKKA",
       {"Executing applicable actions for all windows with \"QUOKKA\" text...",
        "Acting on window \"Quokka page\"..."}},
      {"$NEW /X:quokka",
       {"Looking for new windows with \"quokka\" text...",
        "New window found (\"Quokka page\")..."}},
      {"$", {}},
      {"$ALLX", {}},
      {"$ NEW", {}},
  };
  for (const Case& c : cases) {
    Harness h;
    WindowHandle early = 0;
    for (std::string title : {"   ", "", "Disabled", "Hidden", "Early"}) {
      early = h.Desk.CreateWindow(title, title != "Hidden", title != "Disabled");
    }
    ASSERT_TRUE(h.Load("/W:" + c.Entry + " /H:0 /L:run.log"));
    // Closed and opened again after start-up: a new handle, so a new window.
    h.Desk.DestroyWindow(early);
    h.Desk.CreateWindow("Late");
    h.Desk.CreateWindow("Early");
    h.Desk.AddControl(h.Desk.CreateWindow("Quokka page"), "A quokka smiles");
    const WindowHandle box = h.Desk.CreateWindow("Tollivox box");
    h.Desk.Find(box)->Ours = true;
    h.Desk.AddControl(box, "Looking for quokka");
    for (int tick = 0; tick < 3; ++tick) {
      const std::size_t before = Log(h).size();
      ASSERT_TRUE(h.Tick()) << c.Entry;
      std::vector<std::string> tickLog = LogAfter(h, before);
      // Z-order changes as windows are activated; compare the set of lines.
      std::sort(tickLog.begin(), tickLog.end());
      std::vector<std::string> expected = c.Tick;
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(tickLog, expected) << c.Entry << " tick " << tick;
    }
  }
}

TEST(WatchCycle, CountReachedMidTickStillActsOnTheRestAndEndsNextTick) {
  Harness h;
  h.Desk.CreateWindow("One");
  h.Desk.CreateWindow("Two");
  ASSERT_TRUE(h.Load("/W:$ALL /C:1 /L:run.log"));
  ASSERT_TRUE(h.Tick());
  EXPECT_FALSE(h.Tick());
  const std::vector<std::string> expected = {
      "Executing applicable actions for all windows...",
      "Acting on window \"Two\"...",
      "Count of 1 for '$ALL' window reached; Window removed.",
      "Acting on window \"One\"...",
      "Count of 2 for '' window reached; Window removed.",
      "Dealt with all windows for counts and timeouts specified",
      ">>>>> Unloaded"};
  EXPECT_EQ(LogAfter(h, 1), expected);
  EXPECT_EQ(h.Ended, kExitFinished);
}

TEST(WatchCycle, TimeoutsCountFromStartUpOnTheMonotonicClock) {
  struct Case {
    std::string Args;
    double TimeOfDay;
    bool WindowPresent;
    int TimeoutTick;  // 0: never within 20 ticks
    std::string Before, Line;
  } cases[] = {
      {"/W:Setup /T:-1", 8 * 3600, false, 0, "", ""},
      // Removed after its first visit, although the time was over before it began.
      {"/W:Setup /T:1", 8 * 3600, false, 1, "'Setup' window not found.",
       "Timeout of 1 seconds for 'Setup' window reached; Window removed from search list"},
      {"/W:Setup /T:1 /C:1", 8 * 3600, true, 1,
       "Count of 1 for 'Setup' window reached; Window removed.",
       "Timeout of 1 seconds for '' window reached; Window removed from search list"},
      // Start at 23:59:58: the time of day falls back to 0 before the three seconds are over.
      {"/W:Setup", 86398, false, 3, "'Setup' window not found.",
       "Timeout of 3 seconds for 'Setup' window reached; Window removed from search list"},
  };
  for (const Case& c : cases) {
    Harness h;
    h.Desk.SetTimeOfDay(c.TimeOfDay);
    if (c.WindowPresent) h.Desk.CreateWindow("Setup");
    ASSERT_TRUE(h.Load(c.Args + " /L:run.log"));
    int timeoutTick = 0;
    for (int tick = 1; tick <= 20 && timeoutTick == 0; ++tick) {
      ASSERT_TRUE(h.Tick()) << c.Args;
      const std::vector<std::string> log = Log(h);
      if (log.back().rfind("Timeout of", 0) == 0) {
        timeoutTick = tick;
        EXPECT_EQ(log[log.size() - 2], c.Before) << c.Args;
        EXPECT_EQ(log.back(), c.Line) << c.Args;
      }
    }
    EXPECT_EQ(timeoutTick, c.TimeoutTick) << c.Args;
    if (c.TimeoutTick != 0) {
      EXPECT_FALSE(h.Tick()) << c.Args;
    }
  }
}

TEST(WatchCycle, FinishedListEndsWithTwoLinesAndRemovesTheIconUnlessHidden) {
  for (const char* mode : {"1", "2"}) {
    Harness h;
    ASSERT_TRUE(h.Load(std::string("/W: /H:") + mode + " /L:run.log"));
    EXPECT_FALSE(h.Tick());
    EXPECT_EQ(h.Ended, kExitFinished);
    EXPECT_EQ(LogAfter(h, 1),
              (std::vector<std::string>{"Dealt with all windows for counts and timeouts specified",
                                        ">>>>> Unloaded"}));
    if (std::string(mode) == "2") {
      EXPECT_TRUE(h.Desk.TrayCalls().empty());
    } else {
      ASSERT_EQ(h.Desk.TrayCalls().size(), 2u);
      EXPECT_FALSE(h.Desk.TrayCalls()[1].Add);
    }
  }
}

TEST(WatchCycle, EventsArrivingAtAYieldInsideATick) {
  const std::vector<std::string> searches = {
      "Looking for window containing \"a\" string...", "'a' window not found.",
      "Looking for window containing \"b\" string...", "'b' window not found."};
  // A second timer event while the tick waits is dropped; the next one runs normally.
  {
    Harness h;
    ASSERT_TRUE(h.Load("/W:a,b /T:-1 /L:run.log"));
    h.Desk.AtNextYield([&] { h.Form.tmrWaitForWindow_Timer(); });
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(LogAfter(h, 1), searches);
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(LogAfter(h, 5), searches);
  }
  // Stop only holds back later ticks: this one visits every entry and has the last word.
  {
    Harness h;
    ASSERT_TRUE(h.Load("/W:a,b /T:-1 /L:run.log"));
    h.Desk.AtNextYield([&] { h.Form.cmdStopStart_Click(); });
    ASSERT_TRUE(h.Tick());
    std::vector<std::string> expected = {">>>>> Stopped"};
    expected.insert(expected.end(), searches.begin(), searches.end());
    EXPECT_EQ(LogAfter(h, 1), expected);
    EXPECT_EQ(h.Desk.Texts[Control::lblMessage], kWaitingText);
    EXPECT_FALSE(h.Desk.TimerOn);
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(Log(h).size(), 6u);
  }
  // Exit closes the console: the tick stops without another step.
  {
    Harness h;
    ASSERT_TRUE(h.Load("/W:a,b /T:-1 /L:run.log"));
    h.Desk.AtNextYield([&] { h.Form.cmdExit_Click(); });
    ASSERT_TRUE(h.Tick());
    EXPECT_EQ(LogAfter(h, 1), std::vector<std::string>{">>>>> Exit"});
    EXPECT_TRUE(h.Desk.ConsoleUnloaded);
  }
}

TEST(StopStart, StartRebuildsTheWatchFromTheCommandLine) {
  Harness h;
  const std::string args = "/W:Setup,$NEW /L:run.log";
  ASSERT_TRUE(h.Load(args));
  h.Desk.CreateWindow("Before");
  ASSERT_TRUE(h.RunTicks(3));
  EXPECT_EQ(h.Form.WindowStrings[1], "");  // timed out at 4.5 s

  h.Form.cmdStopStart_Click();
  EXPECT_EQ(h.Desk.Texts[Control::cmdStopStart], "&Start");
  EXPECT_EQ(h.Desk.Texts[Control::mStopStart], "&Start");
  EXPECT_EQ(h.Desk.Texts[Control::lblMessage], "Stopped");
  const std::size_t stopped = Log(h).size();
  ASSERT_TRUE(h.RunTicks(4));
  EXPECT_EQ(Log(h).size(), stopped);

  h.Desk.Move(100, 200);  // the user moved the console meanwhile
  h.Form.ActionCounts[2] = 5;
  h.Form.mStopStart_Click();
  EXPECT_EQ(h.Desk.Texts[Control::cmdStopStart], "&Stop");
  EXPECT_EQ(h.Desk.Texts[Control::mStopStart], "&Stop");
  EXPECT_EQ(h.Form.RestartFlag, -1);
  EXPECT_EQ(h.Desk.Left, 100);
  EXPECT_EQ(h.Desk.Top, 200);
  EXPECT_EQ(h.Form.ActionCounts[2], 0);
  EXPECT_TRUE(h.Desk.TimerOn);
  EXPECT_EQ(LogAfter(h, stopped - 1),
            (std::vector<std::string>{">>>>> Stopped", ">>>>> Started",
                                      ">>>>> Loaded with '" + args + "'"}));

  // Setup is searched again with a fresh timeout; Before predates the restart, so is not new.
  const std::string looking = "Looking for window containing \"Setup\" string...";
  const std::vector<std::string> visit = {looking, "'Setup' window not found.",
                                          "Looking for new windows..."};
  const std::size_t started = Log(h).size();
  ASSERT_TRUE(h.RunTicks(2));
  std::vector<std::string> expected = visit;
  expected.insert(expected.end(), visit.begin(), visit.end());
  EXPECT_EQ(LogAfter(h, started), expected);
  ASSERT_TRUE(h.Tick());
  EXPECT_EQ(Log(h)[started + 8],
            "Timeout of 3 seconds for 'Setup' window reached; Window removed from search list");
  EXPECT_EQ(h.Desk.TrayCalls().size(), 2u);  // the add, repeated by the restart
}

}  // namespace
}  // namespace tollivox::test
