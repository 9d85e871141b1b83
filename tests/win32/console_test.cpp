// The console window under the real window system: its layout, sizes and states, the way its
// messages become the form's events, the message loops, the timer and the tray icon.
// clang-format off
// Before <windows.h>: its CreateWindow macro would rename the simulated desktop's method.
#include "platform/sim/sim_desktop.h"
// clang-format on

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "platform/win32/console_window.h"
#include "platform/win32/text.h"
#include "platform/win32/tray.h"

namespace tollivox::win32 {
namespace {

struct Recorded {
  enum Kind { Timer, Click, Resize, Close, MouseMove, ShellRestarted } What;
  Control Which = Control::cmdExit;
  double X = 0;
};

class RecordingEvents final : public IConsoleEvents {
 public:
  void Timer() override { Add({Recorded::Timer}); }
  void Click(Control Which) override { Add({Recorded::Click, Which}); }
  void Resize() override { Add({Recorded::Resize}); }
  void CloseRequested() override { Add({Recorded::Close}); }
  void MouseMove(double X) override { Add({Recorded::MouseMove, Control::cmdExit, X}); }
  void ShellRestarted() override { Add({Recorded::ShellRestarted}); }

  int Count(Recorded::Kind What) const {
    int count = 0;
    for (const Recorded& event : Log) count += event.What == What ? 1 : 0;
    return count;
  }

  std::vector<Recorded> Log;
  // Runs after each recorded event: lets a test act the way a form's handler would.
  std::function<void()> Then;

 private:
  void Add(Recorded Event) {
    Log.push_back(Event);
    if (Then) Then();
  }
};

// Destroying a console asks the thread's loop to end; the next test's loops must still run.
void ForgetQuit() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

RECT ClientRectOf(HWND Control, HWND Parent) {
  RECT rect{};
  GetWindowRect(Control, &rect);
  MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class ConsoleWindowTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Console.Create(Events)); }
  void TearDown() override {
    Console.Unload();
    ForgetQuit();
  }

  void PumpFor(DWORD Milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < Milliseconds) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      Console.DoEvents();
    }
  }
  int PixelsX(double Twips) {
    return static_cast<int>(std::lround(Twips / Console.TwipsPerPixelX()));
  }
  int PixelsY(double Twips) {
    return static_cast<int>(std::lround(Twips / Console.TwipsPerPixelY()));
  }
  void PostKey(WPARAM Key) {
    PostMessageW(GetFocus(), WM_KEYDOWN, Key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, Key, 0xC0000001);
    Console.DoEvents();
  }

  RecordingEvents Events;
  Win32Console Console;
};

// At the DPI it starts with, then after each move to a monitor of another DPI.
TEST_F(ConsoleWindowTest, LaysOutEveryControlAtItsTwipsPlaceInTabOrderAtEachDpi) {
  struct Expected {
    Control Which;
    double Left, Top, Width, Height;
    const char* Caption;
  };
  // In tab order.
  const Expected kControls[] = {
      {Control::cmdExit, 4440, 840, 1215, 375, "&Exit"},
      {Control::cmdStopStart, 1800, 840, 1215, 375, "&Stop"},
      {Control::cmdViewLog, 3120, 840, 1215, 375, "View &Log"},
      {Control::cmdRefresh, 2400, 4920, 1215, 375, "&Refresh"},
      {Control::cmdClear, 3840, 4920, 1215, 375, "&Clear"},
      {Control::lblMessage, 165, 120, 7245, 615, ""},
      {Control::txtLog, 120, 1680, 7215, 3060, ""},
      {Control::lblDateTime, 120, 1440, 1695, 255, "Date && Time"},
      {Control::lblEvent, 1800, 1440, 5535, 255, "Event"},
  };
  HWND window = Console.Window();
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, PixelsX(7455));
  RECT frame{};
  GetWindowRect(window, &frame);
  EXPECT_EQ(frame.bottom - frame.top, PixelsY(1740)) << "the form's short height";

  for (int dpi : {0, 144, 120, 192, 96}) {
    SCOPED_TRACE(dpi);
    if (dpi != 0) {
      // The rectangle the system proposes is taken as it is.
      RECT suggested{10, 20, 10 + 7455 * dpi / 1440, 20 + 1740 * dpi / 1440};
      SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
      EXPECT_EQ(Console.Dpi(), dpi);
      EXPECT_DOUBLE_EQ(Console.TwipsPerPixelY(), 1440.0 / dpi);
      RECT frame{};
      GetWindowRect(window, &frame);
      EXPECT_TRUE(EqualRect(&frame, &suggested));
    }
    LOGFONTW font{};
    auto fontOf = [](HWND Control) {
      return reinterpret_cast<HFONT>(SendMessageW(Control, WM_GETFONT, 0, 0));
    };
    ASSERT_TRUE(GetObjectW(fontOf(Console.ControlWindow(Control::cmdExit)), sizeof font, &font));
    EXPECT_EQ(font.lfHeight, -MulDiv(825, Console.Dpi(), 7200)) << "8.25 points";
    HWND child = GetWindow(window, GW_CHILD);
    for (const Expected& expected : kControls) {
      SCOPED_TRACE(expected.Caption);
      HWND control = Console.ControlWindow(expected.Which);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(child, control) << "tab order";
      child = GetWindow(child, GW_HWNDNEXT);
      RECT rect = ClientRectOf(control, window);
      EXPECT_EQ(rect.left, PixelsX(expected.Left));
      EXPECT_EQ(rect.top, PixelsY(expected.Top));
      EXPECT_EQ(rect.right - rect.left, PixelsX(expected.Width));
      EXPECT_EQ(rect.bottom - rect.top, PixelsY(expected.Height));
      EXPECT_EQ(Console.Text(expected.Which), expected.Caption);
      if (expected.Which <= Control::cmdClear) {
        // The caption, in the button's font, fits inside the button.
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, fontOf(control));
        std::wstring caption = Widen(expected.Caption);
        caption.erase(caption.find(L'&'), 1);
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        EXPECT_LT(extent.cx, rect.right - rect.left);
        EXPECT_LT(extent.cy, rect.bottom - rect.top);
      }
    }
  }
  EXPECT_EQ(Console.Text(Control::mPopRestore), "&Restore");
  EXPECT_EQ(Console.Text(Control::mStopStart), "&Stop");
  EXPECT_EQ(Console.Text(Control::mPopExit), "&Exit");
}

TEST_F(ConsoleWindowTest, HeadingsTakeTheTitleBarColoursAndTheLogStaysWhite) {
  struct Colours {
    Control Which;
    COLORREF Text, Back;
  };
  const Colours kColours[] = {
      {Control::lblDateTime, GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_ACTIVECAPTION)},
      {Control::lblEvent, GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_ACTIVECAPTION)},
      {Control::txtLog, GetSysColor(COLOR_WINDOWTEXT), RGB(255, 255, 255)},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Colours& expected : kColours) {
    HWND control = Console.ControlWindow(expected.Which);
    LRESULT brush = SendMessageW(Console.Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(control));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), expected.Text);
    EXPECT_EQ(GetBkColor(dc), expected.Back);
  }
  DeleteDC(dc);
}

TEST_F(ConsoleWindowTest, SetsAndReportsSizeAndPlaceInTwips) {
  double width = Console.OuterWidth();
  for (double height : {5805.0, 1740.0}) {
    Console.SetOuterHeight(height);
    EXPECT_NEAR(Console.OuterHeight(), height, Console.TwipsPerPixelY() / 2);
    EXPECT_EQ(Console.OuterWidth(), width) << "the width never changes";
  }
  EXPECT_GT(width, 7455) << "client width plus the border";

  Console.Move(1500, 3000);
  RECT frame{};
  GetWindowRect(Console.Window(), &frame);
  EXPECT_EQ(frame.left, PixelsX(1500));
  EXPECT_EQ(frame.top, PixelsY(3000));
}

TEST_F(ConsoleWindowTest, FirstShowUsesTheStateAskedForBeforehand) {
  struct Case {
    WindowState Asked;
    bool Iconic, Zoomed;
  };
  const Case kCases[] = {
      {WindowState::Minimized, true, false},
      {WindowState::Normal, false, false},
      {WindowState::Maximized, false, true},
  };
  for (const Case& test : kCases) {
    SCOPED_TRACE(static_cast<int>(test.Asked));
    Win32Console console;
    RecordingEvents events;
    ASSERT_TRUE(console.Create(events));
    console.SetState(test.Asked);
    console.SetOuterHeight(5805);
    EXPECT_EQ(console.State(), test.Asked);
    EXPECT_FALSE(console.IsVisible());
    EXPECT_EQ(events.Count(Recorded::Resize), 0) << "no resize before the first show";

    console.ShowAsMainWindow();
    EXPECT_TRUE(console.IsVisible());
    EXPECT_EQ(IsIconic(console.Window()) != FALSE, test.Iconic);
    EXPECT_EQ(IsZoomed(console.Window()) != FALSE, test.Zoomed);
    EXPECT_EQ(console.State(), test.Asked);
    if (test.Asked != WindowState::Normal) {
      EXPECT_GE(events.Count(Recorded::Resize), 1);
    }
    if (test.Asked == WindowState::Minimized) {
      EXPECT_NE(GetForegroundWindow(), console.Window()) << "a minimised start is not activated";
    }
    console.Unload();
    ForgetQuit();
  }
}

TEST_F(ConsoleWindowTest, StateChangesAfterTheFirstShowRaiseResize) {
  Console.SetState(WindowState::Normal);
  Console.Show();
  ASSERT_TRUE(Console.HasBeenShown());
  for (WindowState target :
       {WindowState::Minimized, WindowState::Normal, WindowState::Maximized, WindowState::Normal}) {
    SCOPED_TRACE(static_cast<int>(target));
    int before = Events.Count(Recorded::Resize);
    Console.SetState(target);
    EXPECT_EQ(Console.State(), target);
    EXPECT_GT(Events.Count(Recorded::Resize), before);
  }
  Console.Hide();
  EXPECT_FALSE(Console.IsVisible());
  Console.Show();
  EXPECT_TRUE(Console.IsVisible());
}

TEST_F(ConsoleWindowTest, TurnsMessagesIntoTheFormsEvents) {
  Console.Show();
  SetForegroundWindow(Console.Window());
  HMENU menu = Console.TrayMenu();
  auto click = [&](Control Which) { PostMessageW(Console.ControlWindow(Which), BM_CLICK, 0, 0); };
  auto menuCommand = [&](int Position) {
    PostMessageW(Console.Window(), WM_COMMAND, GetMenuItemID(menu, Position), 0);
  };
  auto tray = [&](LPARAM Mouse) { PostMessageW(Console.Window(), kTrayCallbackMessage, 1, Mouse); };
  auto keyWithFocusOn = [&](Control Which, WPARAM Key) {
    Console.SetFocus(Which);
    PostKey(Key);
  };
  double tpp = Console.TwipsPerPixelX();
  struct Case {
    const char* Name;
    std::function<void()> Act;
    std::vector<Recorded> Expected;
  };
  const Case kCases[] = {
      {"Exit button", [&] { click(Control::cmdExit); }, {{Recorded::Click, Control::cmdExit}}},
      {"shell restarted",
       [&] { PostMessageW(Console.Window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0); },
       {{Recorded::ShellRestarted}}},
      {"Stop button",
       [&] { click(Control::cmdStopStart); },
       {{Recorded::Click, Control::cmdStopStart}}},
      {"View Log button",
       [&] { click(Control::cmdViewLog); },
       {{Recorded::Click, Control::cmdViewLog}}},
      {"Refresh button",
       [&] { click(Control::cmdRefresh); },
       {{Recorded::Click, Control::cmdRefresh}}},
      {"Clear button", [&] { click(Control::cmdClear); }, {{Recorded::Click, Control::cmdClear}}},
      {"Restore item", [&] { menuCommand(0); }, {{Recorded::Click, Control::mPopRestore}}},
      {"Stop item", [&] { menuCommand(1); }, {{Recorded::Click, Control::mStopStart}}},
      {"Exit item", [&] { menuCommand(2); }, {{Recorded::Click, Control::mPopExit}}},
      {"close command",
       [&] { PostMessageW(Console.Window(), WM_CLOSE, 0, 0); },
       {{Recorded::Close}}},
      {"tray left click",
       [&] { tray(WM_LBUTTONUP); },
       {{Recorded::MouseMove, Control::cmdExit, 514 * tpp}}},
      {"tray right click",
       [&] { tray(WM_RBUTTONUP); },
       {{Recorded::MouseMove, Control::cmdExit, 517 * tpp}}},
      {"tray move",
       [&] { tray(WM_MOUSEMOVE); },
       {{Recorded::MouseMove, Control::cmdExit, 512 * tpp}}},
      {"real mouse move at x 514",
       [&] { PostMessageW(Console.Window(), WM_MOUSEMOVE, 0, MAKELPARAM(514, 5)); },
       {}},
      {"Esc",
       [&] { keyWithFocusOn(Control::cmdStopStart, VK_ESCAPE); },
       {{Recorded::Click, Control::cmdExit}}},
      {"Esc on the log",
       [&] { keyWithFocusOn(Control::txtLog, VK_ESCAPE); },
       {{Recorded::Click, Control::cmdExit}}},
      {"Enter on the log",
       [&] { keyWithFocusOn(Control::txtLog, VK_RETURN); },
       {{Recorded::Click, Control::cmdExit}}},
      {"Enter on Stop",
       [&] { keyWithFocusOn(Control::cmdStopStart, VK_RETURN); },
       {{Recorded::Click, Control::cmdStopStart}}},
  };
  for (const Case& test : kCases) {
    SCOPED_TRACE(test.Name);
    Events.Log.clear();
    test.Act();
    Console.DoEvents();
    ASSERT_EQ(Events.Log.size(), test.Expected.size());
    for (std::size_t i = 0; i < test.Expected.size(); ++i) {
      EXPECT_EQ(Events.Log[i].What, test.Expected[i].What);
      EXPECT_EQ(Events.Log[i].Which, test.Expected[i].Which);
      EXPECT_DOUBLE_EQ(Events.Log[i].X, test.Expected[i].X);
    }
  }
  EXPECT_TRUE(IsWindow(Console.Window())) << "closing is the form's decision";
}

TEST_F(ConsoleWindowTest, TrayMenuPopsUpAndSendsTheChosenCommand) {
  Console.Show();
  SetForegroundWindow(Console.Window());
  // Typed while the menu is up: the mnemonic of "&Exit".
  PostMessageW(Console.Window(), WM_KEYDOWN, 'E', 1);
  Console.PopupTrayMenu();
  Console.DoEvents();
  ASSERT_EQ(Events.Count(Recorded::Click), 1);
  EXPECT_EQ(Events.Log.back().Which, Control::mPopExit);
}

TEST_F(ConsoleWindowTest, TextsAndEnabledStatesRoundTrip) {
  Console.SetEnabled(Control::mStopStart, false);
  Console.SetText(Control::mStopStart, "&Start");
  EXPECT_EQ(Console.Text(Control::mStopStart), "&Start");
  EXPECT_FALSE(Console.IsEnabled(Control::mStopStart)) << "a new caption keeps the item greyed";
  Console.SetEnabled(Control::mStopStart, true);
  EXPECT_TRUE(Console.IsEnabled(Control::mStopStart));

  Console.SetEnabled(Control::cmdViewLog, false);
  EXPECT_FALSE(Console.IsEnabled(Control::cmdViewLog));
  const std::string title =
      "Looking for \"Gr\xC3\xBC\xC3\x9F"
      "e & \xF0\x9F\x98\x80\"";
  Console.SetText(Control::lblMessage, title);
  EXPECT_EQ(Console.Text(Control::lblMessage), title);
  Console.SetCaption("Tollivox 1.10");
  EXPECT_EQ(Console.Text(Control::lblMessage), title);

  std::string log;
  for (int line = 0; line < 3000; ++line)
    log += "Sun 12/06/26 08:00:00: line " + std::to_string(line) + "\r\n";
  Console.SetText(Control::txtLog, log);
  EXPECT_EQ(Console.Text(Control::txtLog).size(), log.size()) << "a long log comes back whole";
  Console.SetFocus(Control::txtLog);
  Console.CaretToEnd(Control::txtLog);
  DWORD start = 0, end = 0;
  SendMessageW(Console.ControlWindow(Control::txtLog), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, log.size());
  EXPECT_EQ(end, log.size());
}

TEST_F(ConsoleWindowTest, HourglassShowsOverTheConsoleWhileSet) {
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  HWND button = Console.ControlWindow(Control::cmdExit);
  LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  Console.SetMousePointer(MousePointer::Hourglass);
  SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button), overClient);
  EXPECT_EQ(GetCursor(), wait);
  Console.SetMousePointer(MousePointer::Default);
  SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button), overClient);
  EXPECT_NE(GetCursor(), wait);
}

TEST_F(ConsoleWindowTest, DoEventsRunsPendingMessagesAndPassesQuitOn) {
  PostMessageW(Console.Window(), kTrayCallbackMessage, 1, WM_LBUTTONDBLCLK);
  PostQuitMessage(7);
  Console.DoEvents();
  EXPECT_EQ(Events.Count(Recorded::MouseMove), 1);
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(ConsoleWindowTest, TimerTicksAtItsIntervalOnlyWhileEnabled) {
  Console.SetInterval(100);
  PumpFor(300);
  EXPECT_EQ(Events.Count(Recorded::Timer), 0) << "off at design";

  Console.SetEnabled(true);
  PumpFor(1000);
  int ticks = Events.Count(Recorded::Timer);
  EXPECT_GE(ticks, 6);
  EXPECT_LE(ticks, 11);

  Console.SetEnabled(false);
  PumpFor(300);
  EXPECT_EQ(Events.Count(Recorded::Timer), ticks);
  EXPECT_EQ(Console.Interval(), 100) << "the interval is kept while off";

  Console.SetInterval(0);
  Console.SetEnabled(true);
  PumpFor(200);
  EXPECT_EQ(Events.Count(Recorded::Timer), ticks) << "an interval of 0 never ticks";
}

TEST_F(ConsoleWindowTest, UnloadDestroysTheWindowAndEndsTheMessageLoop) {
  HWND window = Console.Window();
  Console.SetInterval(50);
  Console.SetEnabled(true);
  // The way the form unloads: from inside one of its own event handlers.
  Events.Then = [&] { Console.Unload(); };
  PostMessageW(Console.ControlWindow(Control::cmdExit), BM_CLICK, 0, 0);
  EXPECT_EQ(Console.RunMessageLoop(), 0);
  Events.Then = nullptr;
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Console.Handle(), 0u);
  EXPECT_FALSE(Console.Enabled());
  EXPECT_EQ(Console.Text(Control::mPopExit), "");
  Console.SetText(Control::lblMessage, "after the end");
  Console.Unload();
}

TEST_F(ConsoleWindowTest, NoExceptionLeavesTheWindowProcedure) {
  Events.Then = [] { throw ConsoleUnloaded{}; };
  SendMessageW(Console.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(Events.Count(Recorded::Close), 1);
  Events.Then = nullptr;

  EXPECT_EXIT(
      {
        Events.Then = [] { throw std::runtime_error("unexpected"); };
        SendMessageW(Console.Window(), WM_CLOSE, 0, 0);
      },
      testing::ExitedWithCode(kExitFatalError), "");
}

TEST(TrayTest, AddsAndRemovesTheIconAndAnswersTheTaskBarQuery) {
  RecordingEvents events;
  Win32Console console;
  ASSERT_TRUE(console.Create(events));
  TrayIconRecord record;
  record.cbSize = 88;
  record.hWnd = console.Handle();
  record.uID = 1;
  record.uFlags = 7;
  record.uCallbackMessage = kTrayCallbackMessage;
  record.hIcon = console.IconHandle();
  std::memset(record.szTip, ' ', sizeof record.szTip);
  std::memcpy(record.szTip, "Tollivox", sizeof "Tollivox");
  ASSERT_NE(record.hIcon, 0u);

  Win32Tray tray;
  EXPECT_TRUE(tray.Add(record));
  // Added again, as after a shell restart that did not lose it: still the one icon.
  EXPECT_TRUE(tray.Add(record));
  tray.Remove(record);
  EXPECT_TRUE(tray.LastRequestAccepted());
  tray.Remove(record);
  EXPECT_FALSE(tray.LastRequestAccepted()) << "a second icon";
  EXPECT_EQ(tray.TaskBarState() & ~3u, 0u) << "only the auto-hide and always-on-top bits";
  // The versions given to it decide; the shell's own answer is what this system says.
  const std::uint32_t shell = Win32Tray({6, 0}).TaskBarState();
  EXPECT_EQ(Win32Tray({10, 0}).TaskBarState(), shell | 2u);
  console.Unload();
  ForgetQuit();
}

// Since Windows 7 the task bar is always on top, and the shell no longer reports it.
TEST(TrayTest, TaskBarCountsAsAlwaysOnTopFromWindows7On) {
  struct Case {
    VersionNumbers Windows;
    bool OnTop;
  };
  const Case cases[] = {
      {{5, 1}, false}, {{6, 0}, false}, {{6, 1}, true}, {{6, 3}, true}, {{10, 0}, true}};
  for (const Case& c : cases) {
    for (std::uint32_t shell : {0u, 1u, 2u, 3u}) {
      EXPECT_EQ(TaskBarStateOn(c.Windows, shell), c.OnTop ? shell | 2u : shell)
          << c.Windows.Major << "." << c.Windows.Minor << " shell " << shell;
    }
  }
}

// The real form on the real window, with the rest of the world simulated: the resize handling
// and the tray decoding reach the window through the form's own procedures.
TEST(ConsoleWithFormTest, FormKeepsTheWindowCentredNormalAndHiddenWhenMinimised) {
  sim::SimDesktop desk;
  Win32Console console;
  Platform& sim = desk.platform();
  Platform os{sim.Windows, sim.Keyboard, sim.Launcher, sim.Files, sim.Dialogs, sim.Clock,
              sim.System,  console,      console,      console,   sim.Tray,    sim.Controls};
  frmZandrel form(os);
  FormEvents events(form);
  ASSERT_TRUE(console.Create(events));
  form.TaskBarPresent = 2;
  form.ConsoleMode = 0;
  form.AddTrayIcon();

  auto expectCentred = [&](double OuterHeight) {
    RECT frame{};
    GetWindowRect(console.Window(), &frame);
    int height = static_cast<int>(std::lround(OuterHeight / console.TwipsPerPixelY()));
    EXPECT_EQ(frame.bottom - frame.top, height);
    EXPECT_NEAR(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2.0, 1);
    EXPECT_NEAR(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2.0, 1);
  };
  console.ShowAsMainWindow();
  console.SetOuterHeight(kTallHeight);
  expectCentred(kTallHeight);
  console.SetOuterHeight(kShortHeight);
  expectCentred(kShortHeight);

  console.SetState(WindowState::Maximized);
  EXPECT_EQ(console.State(), WindowState::Normal);
  expectCentred(kShortHeight);

  console.SetState(WindowState::Minimized);
  EXPECT_EQ(console.State(), WindowState::Minimized);
  EXPECT_FALSE(console.IsVisible()) << "hidden while a task bar is reported";

  PostMessageW(console.Window(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  console.DoEvents();
  EXPECT_TRUE(console.IsVisible());
  EXPECT_EQ(console.State(), WindowState::Normal);
  expectCentred(kShortHeight);

  // Esc is the Exit button: the form unloads the window and the loop ends.
  console.SetFocus(Control::cmdStopStart);
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(console.RunMessageLoop(), 0);
  EXPECT_EQ(console.Window(), nullptr);
  ASSERT_FALSE(desk.TrayCalls().empty());
  EXPECT_FALSE(desk.TrayCalls().back().Add) << "the icon goes with the console";
}

}  // namespace
}  // namespace tollivox::win32
