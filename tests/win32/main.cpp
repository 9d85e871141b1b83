// The Windows layer tests. Some tests need a second process; they start this binary again with
// a helper mode as its first argument, which runs here before GoogleTest sees the arguments.
// helpers.h brings <windows.h>, which <shellapi.h> needs before it.
#include "helpers.h"
// clang-format off
#include <shellapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "control_page.h"
#include "platform/win32/text.h"

namespace tollivox::test {

namespace {

using win32::KernelHandle;
using win32::Narrow;

constexpr DWORD kHelperLifetimeMs = 60000;

KernelHandle OpenNamedEvent(const std::wstring& Name) {
  return KernelHandle(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, Name.c_str()));
}

// --hold-file MODE PATH EVENTS: opens PATH the way MODE says, sets EVENTS.ready, holds the file
// until EVENTS.release is set. Exit code 2 when the open failed.
int HoldFile(const std::wstring& Mode, const std::wstring& Path, const std::wstring& Events) {
  KernelHandle ready = OpenNamedEvent(Events + L".ready");
  KernelHandle release = OpenNamedEvent(Events + L".release");
  if (!ready.Valid() || !release.Valid()) return 3;

  win32::Win32Files files;
  AppendOpenResult appended{};
  KernelHandle held;
  if (Mode == L"append") {
    // Through the program's own append open, leaving one line in the file.
    appended = files.OpenAppend(Narrow(Path));
    if (!appended.Result.Ok() || !appended.File->Write("held\r\n").Ok()) return 2;
  } else {
    DWORD access = GENERIC_READ;
    DWORD share = 0;
    if (Mode == L"readlocked") share = FILE_SHARE_WRITE;  // the busy test's own open
    held = KernelHandle(CreateFileW(Path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held.Valid()) return 2;
  }
  SetEvent(ready.Get());
  WaitForSingleObject(release.Get(), kHelperLifetimeMs);
  return 0;
}

// --report-startup PATH: writes the show command this process was started with (or -1).
int ReportStartup(const std::wstring& Path) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
  FILE* file = _wfopen(Path.c_str(), L"wb");
  if (file == nullptr) return 2;
  std::fprintf(file, "%d", show);
  std::fclose(file);
  return 0;
}

// --report-command-line PATH ...: writes the argument text the program itself would read.
int ReportCommandLine(const std::wstring& Path) {
  std::string text = win32::Win32System().CommandLine();
  FILE* file = _wfopen(Path.c_str(), L"wb");
  if (file == nullptr) return 2;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return 0;
}

LRESULT CALLBACK HelperWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  return DefWindowProcW(Window, Message, WParam, LParam);
}

// Controls of a page: a label and a button shown (the button inside a shown panel), a label
// hidden, and a button shown inside a hidden panel.
void AddControls(HWND Window) {
  auto add = [&](HWND Parent, const wchar_t* Class, const wchar_t* Caption, bool Shown) {
    return CreateWindowExW(0, Class, Caption, WS_CHILD | (Shown ? WS_VISIBLE : 0), 0, 0, 80, 20,
                           Parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  };
  add(Window, L"STATIC", L"I &accept the terms", true);
  add(Window, L"STATIC", L"Hidden label", false);
  add(add(Window, L"STATIC", L"Shown panel", true), L"BUTTON", L"&Next >", true);
  add(add(Window, L"STATIC", L"", false), L"BUTTON", L"Inside hidden panel", true);
}

// --show-window TITLE EVENTS: shows a top-level window titled TITLE and keeps its messages
// flowing until EVENTS.release is set. --show-hung-page: the same with controls, and then stops
// taking messages, as a busy program does.
int ShowWindowUntilReleased(const std::wstring& Title, const std::wstring& Events,
                            bool HungPage = false) {
  KernelHandle ready = OpenNamedEvent(Events + L".ready");
  KernelHandle release = OpenNamedEvent(Events + L".release");
  if (!ready.Valid() || !release.Valid()) return 3;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = HelperWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TollivoxTestHelperWindow";
  RegisterClassW(&windowClass);
  HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, Title.c_str(), WS_OVERLAPPEDWINDOW, 100, 100,
                      300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 2;
  if (HungPage) AddControls(window);
  ShowWindow(window, SW_SHOWNORMAL);
  SetEvent(ready.Get());
  if (HungPage) {
    WaitForSingleObject(release.Get(), kHelperLifetimeMs);
    DestroyWindow(window);
    return 0;
  }
  DWORD deadline = GetTickCount() + kHelperLifetimeMs;
  HANDLE waitFor = release.Get();
  for (;;) {
    DWORD now = GetTickCount();
    if (static_cast<LONG>(deadline - now) <= 0) break;
    DWORD result = MsgWaitForMultipleObjects(1, &waitFor, FALSE, deadline - now, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DestroyWindow(window);
  return 0;
}

}  // namespace

int RunHelperMode(int Argc, wchar_t** Argv) {
  std::wstring mode = Argc > 1 ? Argv[1] : L"";
  if (mode == L"--hold-file" && Argc == 5) return HoldFile(Argv[2], Argv[3], Argv[4]);
  if (mode == L"--report-startup" && Argc == 3) return ReportStartup(Argv[2]);
  if (mode == L"--report-command-line" && Argc >= 3) return ReportCommandLine(Argv[2]);
  if (mode == L"--show-window" && Argc == 4) return ShowWindowUntilReleased(Argv[2], Argv[3]);
  if (mode == L"--show-hung-page" && Argc == 4) {
    return ShowWindowUntilReleased(Argv[2], Argv[3], true);
  }
  if (mode == L"--show-control-page" && Argc == 5)
    return ShowControlPage(Argv[2], Argv[3], Argv[4]);
  return -1;
}

}  // namespace tollivox::test

int main(int argc, char** argv) {
  int wideCount = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
  if (wide != nullptr && wideCount > 1 && std::wstring(wide[1]).rfind(L"--", 0) == 0 &&
      std::wstring(wide[1]).rfind(L"--gtest", 0) != 0) {
    int code = tollivox::test::RunHelperMode(wideCount, wide);
    LocalFree(wide);
    return code;
  }
  if (wide != nullptr) LocalFree(wide);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
