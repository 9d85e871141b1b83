// The console as the user sees it after /H:, and the orderly ways to end the program from it.
#include <gmock/gmock.h>

#include <cstdlib>

#include "e2e_support.h"
// After <windows.h>: the shell header needs its types.
#include <shellapi.h>

namespace tollivox::e2e {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::Not;

using E2eConsole = E2eTest;

// A watched title that never comes up and never times out keeps the program running.
constexpr const char* kRunForever = "/W:NeverThere /T:-1 /I:300 /L:run.log";

TEST_F(E2eConsole, ShownConsoleIsCentredInNormalStateAndExitEndsTheProgramInOrder) {
  for (const char* mode : {"0", "7"}) {
    SCOPED_TRACE(std::string("/H:") + mode);
    ScratchDir scratch;
    Tollivox program(scratch);
    program.Start(std::string(kRunForever) + " /H:" + mode);
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    const std::wstring log = scratch.File(L"run.log");
    WaitForLogLine(log, "Looking for window containing \"NeverThere\" string...");

    EXPECT_TRUE(IsWindowVisible(console));
    EXPECT_FALSE(IsIconic(console));
    EXPECT_FALSE(IsZoomed(console));
    RECT frame;
    GetWindowRect(console, &frame);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // Centred up to the rounding of the conversion between screen units and pixels.
    EXPECT_LE(std::abs((frame.left + frame.right) - screenWidth), 4)
        << frame.left << ".." << frame.right << " on " << screenWidth;
    EXPECT_LE(std::abs((frame.top + frame.bottom) - screenHeight), 4)
        << frame.top << ".." << frame.bottom << " on " << screenHeight;
    EXPECT_TRUE(TrayIconExists(console));

    HWND exitButton = FindChildByText(console, "&Exit");
    ASSERT_NE(exitButton, nullptr);
    ClickButton(exitButton);
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    EXPECT_FALSE(TrayIconExists(console));
    std::vector<std::string> texts = LogTexts(log);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_THAT(std::vector(texts.end() - 2, texts.end()),
                ElementsAre(">>>>> Exit", ">>>>> Unloaded"));
  }
}

TEST_F(E2eConsole, ClosingTheConsoleUnloadsWithoutAnExitLine) {
  Tollivox& program = StartProgram(std::string(kRunForever) + " /H:0");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  WaitForLogLine(LogPath(), "Looking for window containing \"NeverThere\" string...");

  PostMessageW(console, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_FALSE(TrayIconExists(console));
  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
  EXPECT_THAT(texts, Not(Contains(">>>>> Exit")));
}

TEST_F(E2eConsole, TrayIconComesBackWhenTheShellRestarts) {
  Tollivox& program = StartProgram("/W:NeverThere /T:-1 /I:300 /L:run.log /H:1");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  WaitForLogLine(LogPath(), "Looking for window containing \"NeverThere\" string...");
  ASSERT_TRUE(TrayIconExists(console));
  // What a restarting shell does: it forgets every icon, then tells every window.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = console;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  ASSERT_FALSE(TrayIconExists(console));
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(console); }));

  PostTrayNotification(console, WM_LBUTTONUP);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(console) && !IsIconic(console); }));
  ClickButton(FindChildByText(console, "&Exit"));
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_FALSE(TrayIconExists(console));
}

TEST_F(E2eConsole, HiddenConsoleHasNoTrayIconAtAnyTime) {
  Tollivox& program = StartProgram("/W:NeverThere /T:1 /I:300 /H:2 /L:run.log");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  // Watched for the whole run, until the program ends by itself.
  bool iconSeen = false;
  bool consoleSeen = false;
  bool taskBar = TaskBarReported();
  WaitUntil([&] {
    iconSeen = iconSeen || TrayIconExists(console);
    // Without a task bar that hides it, a minimised console is all the user may see.
    if (taskBar) {
      consoleSeen = consoleSeen || IsWindowVisible(console);
    } else {
      consoleSeen = consoleSeen || (IsWindowVisible(console) && !IsIconic(console));
    }
    return !program.Running();
  });
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_FALSE(iconSeen);
  EXPECT_FALSE(consoleSeen);
  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
}

}  // namespace
}  // namespace tollivox::e2e
