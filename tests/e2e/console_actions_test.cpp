// probe
#include <gmock/gmock.h>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using E2eConsoleActions = E2eTest;

TEST_F(E2eConsoleActions, Probe) {
  Tollivox& program = StartProgram("/W:NeverThere /T:-1 /I:300 /L:run.log /H:1");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  WaitForLogLine(LogPath(), "Looking for window containing \"NeverThere\" string...");
  printf("taskbar %d visible %d iconic %d\n", TaskBarReported(), IsWindowVisible(console), IsIconic(console));
  PostTrayNotification(console, WM_LBUTTONUP);
  WaitUntil([&] { return IsWindowVisible(console) && !IsIconic(console); }, 5s);
  printf("after left: visible %d iconic %d fg %d\n", IsWindowVisible(console), IsIconic(console), GetForegroundWindow() == console);
  PostTrayNotification(console, WM_RBUTTONUP);
  HWND menu = WaitForPopupMenu(program.ProcessId(), 5s);
  printf("menu %p\n", (void*)menu);
  if (menu) {
    HMENU h = (HMENU)SendMessageW(menu, 0x01E1 /*MN_GETHMENU*/, 0, 0);
    printf("hmenu %p count %d\n", (void*)h, GetMenuItemCount(h));
    for (int i = 0; i < 3; ++i) {
      wchar_t text[64] = {};
      int n = GetMenuStringW(h, i, text, 64, MF_BYPOSITION);
      printf("item %d id %u n %d text %s\n", i, GetMenuItemID(h, i), n, Narrow(text).c_str());
    }
    PostMessageW(menu, WM_KEYDOWN, 'S', 0);
    PostMessageW(menu, WM_CHAR, 's', 0);
    WaitUntil([&] { return FindPopupMenu(program.ProcessId()) == nullptr; }, 5s);
    printf("menu gone %d\n", FindPopupMenu(program.ProcessId()) == nullptr);
    WaitForLogLine(LogPath(), ">>>>> Stopped", 5s);
    auto t = LogTexts(LogPath());
    printf("last %s\n", t.back().c_str());
  }
  RECT r; GetWindowRect(console, &r);
  printf("rect %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  ClickButton(FindChildByText(console, "View &Log"));
  WaitUntil([&] { return FindChildByText(console, "Hide &Log") != nullptr; }, 5s);
  GetWindowRect(console, &r);
  printf("rect %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  ClickButton(FindChildByText(console, "&Exit"));
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
}

}  // namespace
}  // namespace tollivox::e2e
