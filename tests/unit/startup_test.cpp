// Start-up: the console's start state, the tray icon record, the first log line, the timer.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"

namespace tollivox::test {
namespace {

using sim::SimDesktop;

TEST(Startup, ConsoleModeDecidesWindowStateAndTrayIcon) {
  struct Case {
    std::string Args;
    std::uint32_t TaskBar;
    WindowState State;
    bool Visible, Icon;
  } cases[] = {
      {"/W:Setup", 0, WindowState::Minimized, false, true},
      {"/W:Setup /H:0", 0, WindowState::Normal, true, true},
      {"/W:Setup /H:7", 3, WindowState::Normal, true, true},
      {"/W:Setup /H:2", 1, WindowState::Minimized, false, false},
  };
  for (const Case& c : cases) {
    Harness h;
    h.Desk.TaskBar = c.TaskBar;
    ASSERT_TRUE(h.Load(c.Args));
    EXPECT_EQ(h.Form.TaskBarPresent, static_cast<std::int16_t>(c.TaskBar));
    EXPECT_EQ(h.Desk.State(), c.State) << c.Args;
    EXPECT_EQ(h.Desk.IsVisible(), c.Visible) << c.Args;
    EXPECT_EQ(h.Desk.Repaints, c.Visible ? 1 : 0) << c.Args;
    EXPECT_EQ(h.Desk.IconPresent(), c.Icon) << c.Args;
    EXPECT_EQ(h.Desk.TrayCalls().size(), c.Icon ? 1u : 0u) << c.Args;
    EXPECT_FLOAT_EQ(h.Desk.Left, (15360 - SimDesktop::kOuterWidth) / 2);
    EXPECT_FLOAT_EQ(h.Desk.Top, (11520 - SimDesktop::kDesignHeight) / 2);
    EXPECT_EQ(h.Desk.Caption, "Tollivox 1.10");
    EXPECT_EQ(h.Desk.Texts[Control::lblMessage], kWaitingText);
  }
}

TEST(Startup, TrayIconRecordReportsToTheConsoleWithItsTip) {
  Harness h;
  ASSERT_TRUE(h.Load("/W:Setup"));
  ASSERT_EQ(h.Desk.TrayCalls().size(), 1u);
  const TrayIconRecord& record = h.Desk.TrayCalls()[0].Record;
  EXPECT_EQ(record.cbSize, 88u);
  EXPECT_EQ(record.hWnd, h.Desk.ConsoleHandle());
  EXPECT_EQ(record.uID, 1u);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, kTrayCallbackMessage);
  EXPECT_EQ(record.hIcon, h.Desk.IconHandle());
  EXPECT_EQ(std::string(record.szTip, sizeof record.szTip),
            std::string("Tollivox", 9) + std::string(55, ' '));
}

TEST(Startup, FirstLogLineTimerAndViewLogButton) {
  struct Case {
    std::string Args;
    bool ViewLog;
    std::int32_t Interval;
  } cases[] = {{"/W:Setup /L:run.log /I:250", true, 250}, {"/W:Setup", false, 1500}};
  for (const Case& c : cases) {
    Harness h;
    ASSERT_TRUE(h.Load(c.Args));
    EXPECT_EQ(h.Desk.Enables[Control::cmdViewLog], c.ViewLog) << c.Args;
    EXPECT_EQ(h.Desk.Interval, c.Interval) << c.Args;
    EXPECT_TRUE(h.Desk.TimerOn);
    const std::vector<std::string> log = h.LogLines(h.LogPath("run.log"));
    EXPECT_EQ(log, c.ViewLog
                       ? std::vector<std::string>{"Sun 12/06/26 08:00:00: >>>>> Loaded with '" +
                                                  c.Args + "'"}
                       : std::vector<std::string>{});
  }
}

TEST(Startup, WindowsPresentAtStartAreRecorded) {
  Harness h;
  const WindowHandle low = h.Desk.CreateWindow("Low");
  const WindowHandle top = h.Desk.CreateWindow("Top", false);
  ASSERT_TRUE(h.Load("/W:Setup"));
  ASSERT_EQ(h.Form.StartHandles.UBound(), 4);
  EXPECT_EQ(h.Form.StartHandles[1], SimDesktop::kDesktop);
  EXPECT_EQ(h.Form.StartHandles[2], top);
  EXPECT_EQ(h.Form.StartHandles[3], low);
  EXPECT_EQ(h.Form.StartHandles[4], h.Desk.ConsoleHandle());
}

TEST(Startup, TaskBarStateIsItsLowWord) {
  for (auto [state, expected] : std::vector<std::pair<std::uint32_t, std::int16_t>>{
           {0, 0}, {1, 1}, {2, 2}, {3, 3}, {0x10002, 2}}) {
    Harness h;
    h.Desk.TaskBar = state;
    EXPECT_EQ(h.Form.TaskBarExists(), expected) << state;
  }
}

sim::SimControl Shown(const std::string& Caption, const std::string& Class = "Static") {
  sim::SimControl control;
  control.Caption = Caption;
  control.Class = Class;
  return control;
}

// A desktop to list: an installer page below an untitled task bar, with a window and controls
// nobody can see among them.
void BuildDesktopToList(sim::SimDesktop& Desk) {
  const WindowHandle page = Desk.CreateWindow("Orbit Tools Setup");
  Desk.Find(page)->Class = "#32770";
  Desk.Find(page)->Program = "orbit-setup.exe";
  // Busy installing: listed all the same, since nothing here asks its program.
  Desk.Find(page)->Hung = true;
  Desk.AddControl(page, Shown("Welcome to\r\nOrbit\nTools\r"));
  sim::SimControl later = Shown("Shown once the licence is read", "Button");
  later.Visible = false;
  Desk.AddControl(page, later);
  Desk.AddControl(page, Shown("&Next >", "Button"));
  Desk.AddControl(page, Shown(std::string(300, 'x'), "Edit"));
  // Its items are asked of its program, which does not answer.
  sim::SimControl language = Shown("", "ComboBox");
  language.Kind = ControlKind::ComboBox;
  language.Items = {"English"};
  Desk.AddControl(page, language);
  const WindowHandle hidden = Desk.CreateWindow("Hidden window", false);
  Desk.AddControl(hidden, "Hidden label");
  Desk.Find(Desk.CreateWindow("On another desktop"))->Cloaked = true;
  const WindowHandle bar = Desk.CreateWindow("");
  Desk.Find(bar)->Class = "Shell_TrayWnd";
  Desk.AddControl(bar, Shown("Démarrer", "Button"));
  sim::SimControl list = Shown("", "ComboBox");
  list.Kind = ControlKind::ComboBox;
  list.Items = {"1", "2", "3", "4", "5\n" + std::string(300, 'y'), "6", "7"};
  list.Chosen = 2;
  Desk.AddControl(bar, list);
  list.Kind = ControlKind::ListBox;
  list.Class = "ListBox";
  list.Style = 0x10;  // LBS_OWNERDRAWFIXED
  Desk.AddControl(bar, list);
}

TEST(Startup, ListsTheWindowsItSeesAndEndsWhenThatIsAllItWasAskedFor) {
  struct Case {
    std::string Args;
    bool Ends;
  } cases[] = {
      {"/V:1 /L:run.log", true},
      {"/V:1 /L:run.log /H:2", true},
      // Any value but 0 lists.
      {"/L:run.log /v:-1", true},
      {"/W:Setup /V:1 /L:run.log", false},
  };
  const std::vector<std::string> list = {
      "Windows seen (2), from the top of the z-order down:",
      "Window \"\" class \"Shell_TrayWnd\" program \"\"",
      "- Control \"Démarrer\" class \"Button\" taken for button",
      "- Control \"\" class \"ComboBox\" taken for list",
      "-- Item \"1\"",
      "-- Item \"2\"",
      "-- Item \"3\" chosen",
      "-- Item \"4\"",
      "-- Item \"5 " + std::string(254, 'y') + "...\"",
      "-- and 2 more items",
      "- Control \"\" class \"ListBox\" taken for list",
      "-- 7 items drawn without texts",
      "Window \"Orbit Tools Setup\" class \"#32770\" program \"orbit-setup.exe\"",
      "- Control \"Welcome to Orbit Tools \" class \"Static\" taken for nothing",
      "- Control \"&Next >\" class \"Button\" taken for button",
      "- Control \"" + std::string(256, 'x') + "...\" class \"Edit\" taken for edit box",
      "- Control \"\" class \"ComboBox\" taken for list",
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args);
    Harness h;
    BuildDesktopToList(h.Desk);
    EXPECT_EQ(h.Load(c.Args), !c.Ends);
    std::vector<std::string> expected = {">>>>> Loaded with '" + c.Args + "'"};
    expected.insert(expected.end(), list.begin(), list.end());
    if (c.Ends) expected.push_back(">>>>> Unloaded");
    EXPECT_EQ(h.LogTexts(h.LogPath("run.log")), expected);
    EXPECT_TRUE(h.Desk.MessageBoxes().empty());
    EXPECT_EQ(h.Ended, c.Ends ? std::optional<int>(kExitFinished) : std::nullopt);
    EXPECT_EQ(h.Desk.TimerOn, !c.Ends);
    EXPECT_EQ(h.Desk.IconPresent(), !c.Ends);
    if (c.Ends) continue;
    // The watch then runs as usual.
    EXPECT_TRUE(h.Tick());
    EXPECT_EQ(h.LogTexts(h.LogPath("run.log")).at(expected.size() + 1),
              "Found window containing \"Setup\" string...");
  }
}

TEST(Startup, ListsAWindowWithMoreControlsThanOneLogWriteHolds) {
  // The log writer counts a text's lines in an Integer: a single write of this list would fail.
  Harness h;
  const WindowHandle window = h.Desk.CreateWindow("Crowded");
  constexpr int kControls = 33000;
  for (int i = 1; i <= kControls; ++i) {
    h.Desk.AddControl(window, Shown(std::to_string(i)));
  }
  ASSERT_FALSE(h.Load("/V:1 /L:run.log"));
  EXPECT_EQ(h.Ended, kExitFinished);
  const std::vector<std::string> log = h.LogTexts(h.LogPath("run.log"));
  ASSERT_EQ(log.size(), 1u + 1 + 1 + kControls + 1);
  for (int i = 1; i <= kControls; ++i) {
    ASSERT_EQ(log[2 + static_cast<std::size_t>(i)],
              "- Control \"" + std::to_string(i) + "\" class \"Static\" taken for nothing");
  }
  EXPECT_EQ(log.back(), ">>>>> Unloaded");
}

TEST(Startup, UsageBoxKeepsTheIconUntilClosedAndLogsNothing) {
  Harness h;
  bool iconWhileUp = false;
  h.Desk.WhileBoxIsUp = [&](const sim::MessageBoxRecord&) { iconWhileUp = h.Desk.IconPresent(); };
  EXPECT_FALSE(h.Load("/? /H:1 /L:run.log"));
  EXPECT_EQ(h.Ended, kExitFinished);
  EXPECT_TRUE(iconWhileUp);
  EXPECT_FALSE(h.Desk.IconPresent());
  EXPECT_FALSE(h.Desk.Exists(h.LogPath("run.log")));
  EXPECT_FALSE(h.Desk.TimerOn);
}

}  // namespace
}  // namespace tollivox::test
