// The console's resize rules, the tray icon's clicks, the exit paths and the fatal report.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <system_error>

#include "harness.h"

namespace tollivox::test {
namespace {

using sim::WindowCall;

struct ConsoleTest : ::testing::Test {
  Harness H;
  void SetUp() override {
    H.Form.AppTitle = "Tollivox 1.10";
    H.Form.ConsoleMode = 1;
    H.Form.LogFilePath = H.LogPath("run.log");
    H.Form.AddTrayIcon();
    H.Desk.Show();
  }
  int RemovalCalls() const {
    int removals = 0;
    for (const sim::TrayCall& call : H.Desk.TrayCalls()) removals += call.Add ? 0 : 1;
    return removals;
  }
};

TEST_F(ConsoleTest, ResizeHidesWhenMinimisedOnlyWithATaskBarAndAnIconToComeBackBy) {
  struct Case {
    std::int16_t TaskBar;
    std::int16_t ConsoleMode;
    bool ShellRefuses;  // the add at load (no shell yet at logon)
    bool Hidden;
  };
  const Case cases[] = {
      {0, 1, false, false}, {1, 1, false, true}, {3, 1, false, true},
      {1, 1, true, false},  {1, 0, true, false}, {1, 2, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "task bar " << c.TaskBar << ", console mode "
                                    << c.ConsoleMode << ", refused " << c.ShellRefuses);
    Harness h;
    h.Form.TaskBarPresent = c.TaskBar;
    h.Form.ConsoleMode = c.ConsoleMode;
    h.Desk.TrayRefuses = c.ShellRefuses;
    if (c.ConsoleMode != 2) h.Form.AddTrayIcon();
    h.Desk.Show();
    h.Desk.SetState(WindowState::Minimized);
    EXPECT_EQ(h.Desk.IsVisible(), !c.Hidden);
    EXPECT_EQ(h.Desk.State(), WindowState::Minimized);
  }
}

TEST_F(ConsoleTest, ShellRestartAddsTheIconAgainOnlyWhileItBelongsInTheTray) {
  struct Case {
    const char* Name;
    bool RefusedAtLoad;
    bool Removed;
    bool AddedAtLoad;  // not for a hidden console
    bool AddedAgain;
  };
  const Case cases[] = {
      {"icon shown", false, false, true, true},
      {"add refused at load", true, false, true, true},
      {"icon removed on the way out", false, true, true, false},
      {"hidden console", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Harness h;
    h.Form.ConsoleMode = 1;
    h.Form.TaskBarPresent = 1;
    h.Desk.TrayRefuses = c.RefusedAtLoad;
    if (c.AddedAtLoad) h.Form.AddTrayIcon();
    if (c.Removed) h.Form.RemoveTrayIcon();
    h.Desk.TrayRefuses = false;
    const std::size_t calls = h.Desk.TrayCalls().size();
    h.Form.ShellRestarted();
    ASSERT_EQ(h.Desk.TrayCalls().size(), calls + (c.AddedAgain ? 1 : 0));
    if (!c.AddedAgain) continue;
    EXPECT_TRUE(h.Desk.TrayCalls().back().Add);
    EXPECT_EQ(h.Desk.TrayCalls().back().Record.hWnd, h.Desk.Handle());
    EXPECT_TRUE(h.Desk.IconPresent());
    // Now there is an icon to come back by.
    h.Desk.Show();
    h.Desk.SetState(WindowState::Minimized);
    EXPECT_FALSE(h.Desk.IsVisible());
  }
}

TEST_F(ConsoleTest, ResizeNeverLeavesTheConsoleMaximisedAndKeepsItCentred) {
  H.Desk.ScreenHeightTwips = 9000;
  H.Desk.SetState(WindowState::Maximized);
  EXPECT_EQ(H.Desk.State(), WindowState::Normal);
  EXPECT_FLOAT_EQ(H.Desk.Left, (15360 - sim::SimDesktop::kOuterWidth) / 2);

  struct Case {
    double Height;
    double Top;
  } cases[] = {{5805, 1597.5}, {1740, 3630}};
  for (const Case& c : cases) {
    H.Desk.SetOuterHeight(c.Height);
    EXPECT_DOUBLE_EQ(H.Desk.Top, c.Top) << "height " << c.Height;
  }
}

TEST_F(ConsoleTest, TrayClicksRestoreOrOpenTheMenuAndNothingElse) {
  struct Case {
    int Message;
    bool Restores;
    bool PopsUp;
  } cases[] = {{512, false, false}, {513, false, false}, {514, true, false},
               {515, true, false},  {516, false, false}, {517, false, true}};
  for (const Case& c : cases) {
    Harness h;
    h.Form.TaskBarPresent = 1;
    h.Desk.SetState(WindowState::Minimized);
    ASSERT_FALSE(h.Desk.IsVisible());
    h.Form.Form_MouseMove(0, 0, c.Message * h.Desk.TwipsPerPixelX(), 0);
    EXPECT_EQ(h.Desk.IsVisible(), c.Restores) << c.Message;
    EXPECT_EQ(h.Desk.State() == WindowState::Normal, c.Restores) << c.Message;
    EXPECT_EQ(h.Desk.Popups, c.PopsUp ? 1 : 0) << c.Message;
    bool broughtForward = !h.Desk.WindowCalls().empty();
    EXPECT_EQ(broughtForward, c.Restores || c.PopsUp) << c.Message;
    if (broughtForward) {
      EXPECT_EQ(h.Desk.WindowCalls().front(),
                (WindowCall{WindowCall::SetForeground, h.Desk.ConsoleHandle()}));
    }
  }
}

TEST_F(ConsoleTest, TrayClicksAreIgnoredWhileTheProgramIsEnding) {
  H.Form.TaskBarPresent = 1;
  H.Desk.SetState(WindowState::Minimized);
  H.Form.Terminating = -1;
  H.Form.Form_MouseMove(0, 0, 514 * 15, 0);
  H.Form.Form_MouseMove(0, 0, 517 * 15, 0);
  EXPECT_FALSE(H.Desk.IsVisible());
  EXPECT_EQ(H.Desk.Popups, 0);
}

TEST_F(ConsoleTest, RestoreFromTheMenuShowsTheConsoleCentredInFront) {
  H.Form.TaskBarPresent = 1;
  H.Desk.SetState(WindowState::Minimized);
  H.Form.mPopRestore_Click();
  EXPECT_TRUE(H.Desk.IsVisible());
  EXPECT_EQ(H.Desk.State(), WindowState::Normal);
  EXPECT_EQ(H.Desk.Foreground(), H.Desk.ConsoleHandle());
  EXPECT_DOUBLE_EQ(H.Desk.Top, (11520 - H.Desk.Height) / 2);
}

TEST_F(ConsoleTest, ExitLogsExitThenUnloadedAndRemovesTheIcon) {
  for (bool fromMenu : {false, true}) {
    Harness h;
    h.Form.ConsoleMode = 1;
    h.Form.LogFilePath = h.LogPath("run.log");
    h.Form.FillTrayIconData();
    h.Desk.Add(h.Form.TrayIconData);
    fromMenu ? h.Form.mPopExit_Click() : h.Form.cmdExit_Click();
    EXPECT_TRUE(h.Desk.ConsoleUnloaded);
    EXPECT_FALSE(h.Desk.IconPresent());
    h.Form.Form_Terminate();
    EXPECT_EQ(h.LogTexts(h.LogPath("run.log")),
              (std::vector<std::string>{">>>>> Exit", ">>>>> Unloaded"}));
  }
}

TEST_F(ConsoleTest, ClosingTheConsoleUnloadsWithoutTheExitLine) {
  H.Form.CloseRequested();
  H.Form.Form_Terminate();
  EXPECT_TRUE(H.Desk.ConsoleUnloaded);
  EXPECT_EQ(RemovalCalls(), 1);
  EXPECT_EQ(H.LogTexts(H.LogPath("run.log")), (std::vector<std::string>{">>>>> Unloaded"}));
}

TEST_F(ConsoleTest, HiddenConsoleExitsWithoutAnyTrayCallAndLoggingOffWritesNothing) {
  H.Form.ConsoleMode = 2;
  H.Form.LogFilePath.clear();
  std::size_t trayCalls = H.Desk.TrayCalls().size();
  H.Form.cmdExit_Click();
  H.Form.Form_Terminate();
  EXPECT_EQ(H.Desk.TrayCalls().size(), trayCalls);
  EXPECT_TRUE(H.Desk.ConsoleUnloaded);
  EXPECT_FALSE(H.Desk.Exists(H.LogPath("run.log")));
}

TEST_F(ConsoleTest, ExitChosenDuringAYieldStopsTheInterruptedProcedure) {
  H.Desk.AtNextYield([&] { H.Form.cmdExit_Click(); });
  bool reachedAfterYield = false;
  H.Form.Event("tmrWaitForWindow_Timer", [&] {
    H.Form.ShowStatus("Looking for new windows...");
    reachedAfterYield = true;
    H.Form.Add2Log(H.Form.LogFilePath, "must not be written");
  });
  H.Form.Form_Terminate();
  EXPECT_FALSE(reachedAfterYield);
  EXPECT_EQ(H.LogTexts(H.LogPath("run.log")),
            (std::vector<std::string>{">>>>> Exit", ">>>>> Unloaded"}));
}

TEST_F(ConsoleTest, FatalReportShowsLogsAndEnds) {
  H.Desk.TimerOn = true;
  bool ran = H.Run([&] { H.Form.Guard("ReplaceString", [] { Raise(kErrInvalidProcedureCall); }); });
  EXPECT_FALSE(ran);
  EXPECT_EQ(H.Ended, kExitFatalError);
  ASSERT_EQ(H.Desk.MessageBoxes().size(), 1u);
  const sim::MessageBoxRecord& box = H.Desk.MessageBoxes()[0];
  EXPECT_EQ(box.Text,
            "An unexpected internal error was encountered in module 'ReplaceString'.\n\n"
            "Error # 5, Invalid procedure call or argument\n\n"
            "Please report this error to Orvantis Support at www.orvantis.com/support.");
  EXPECT_EQ(box.Title, "Tollivox 1.10");
  EXPECT_EQ(box.Icon, MsgBoxIcon::Critical);
  EXPECT_EQ(box.Buttons, MsgBoxButtons::Ok);
  EXPECT_EQ(H.LogTexts(H.LogPath("run.log")),
            (std::vector<std::string>{
                "An unexpected internal error was encountered in module 'ReplaceString'.",
                "Error # 5, Invalid procedure call or argument"}));
  EXPECT_FALSE(H.Desk.TimerOn);
  EXPECT_FALSE(H.Desk.IconPresent());
  EXPECT_NE(H.Form.Terminating, 0);
  for (Control c : {Control::cmdStopStart, Control::cmdRefresh, Control::cmdViewLog}) {
    EXPECT_FALSE(H.Desk.IsEnabled(c));
  }
  EXPECT_TRUE(H.Desk.IsEnabled(Control::cmdExit));
}

// A failure that is no run-time error of the program's own (a library's exception) is reported
// like one, under the name of the procedure it arose in.
TEST_F(ConsoleTest, ForeignExceptionsAreReportedUnderTheProceduresName) {
  struct Case {
    const char* Module;
    std::function<void(Harness&)> Run;
  };
  const Case cases[] = {
      {"tmrWaitForWindow_Timer",
       [](Harness& h) {
         h.Desk.CreateWindow("Other");
         h.Desk.OnTitleRead = [](WindowHandle) { throw std::length_error("title"); };
         h.Form.tmrWaitForWindow_Timer();
       }},
      {"cmdRefresh_Click",
       [](Harness& h) {
         h.Desk.AtNextYield(
             [] { throw std::system_error(std::make_error_code(std::errc::io_error)); });
         h.Form.cmdRefresh_Click();
       }},
      {"cmdClear_Click",
       [](Harness& h) {
         h.Desk.AtNextYield([] { throw std::out_of_range("list"); });
         h.Form.cmdClear_Click();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Module);
    Harness h;
    const std::string log = h.LogPath("run.log");
    ASSERT_TRUE(h.Load("/W:Setup /T:-1 /H:1 /L:run.log"));
    EXPECT_FALSE(h.Run([&] { c.Run(h); }));
    EXPECT_EQ(h.Ended, kExitFatalError);
    const std::string first =
        std::string("An unexpected internal error was encountered in module '") + c.Module + "'.";
    ASSERT_EQ(h.Desk.MessageBoxes().size(), 1u);
    EXPECT_EQ(h.Desk.MessageBoxes()[0].Text,
              first +
                  "\n\nError # 51, Internal error\n\n"
                  "Please report this error to Orvantis Support at www.orvantis.com/support.");
    const std::vector<std::string> texts = h.LogTexts(log);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(std::vector(texts.end() - 2, texts.end()),
              (std::vector<std::string>{first, "Error # 51, Internal error"}));
    EXPECT_FALSE(h.Desk.IconPresent());
  }
}

TEST_F(ConsoleTest, FatalReportWithOwnMessageNegativeNumberAndHiddenConsole) {
  H.Form.ConsoleMode = 2;
  std::size_t trayCalls = H.Desk.TrayCalls().size();
  H.Run([&] { H.Form.ProcessError("DoActions", "Custom line\n", "", RuntimeError(-7, "x")); });
  EXPECT_EQ(H.Desk.MessageBoxes().at(0).Text,
            "Custom line\n\nPlease report this error to Orvantis Support at "
            "www.orvantis.com/support.");
  EXPECT_EQ(H.Desk.TrayCalls().size(), trayCalls);
  EXPECT_EQ(H.LogTexts(H.LogPath("run.log")), (std::vector<std::string>{"Custom line"}));

  Harness h;
  h.Form.LogFilePath = h.LogPath("x.log");
  h.Run([&] { h.Form.ProcessError("Add2Log", "", "", RuntimeError(-3, "Odd")); });
  EXPECT_NE(h.Desk.MessageBoxes().at(0).Text.find("Error #-3, Odd\n"), std::string::npos);
  EXPECT_FALSE(h.Desk.Exists(h.LogPath("x.log")));  // never logged on the log writer's behalf
}

}  // namespace
}  // namespace tollivox::test
