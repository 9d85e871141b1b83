// A copy of the program that only logs: the real form's Add2Log over the real Windows files and
// clock, LINES times, into one log file shared with other copies.
//
//   log_driver COPY LINES LOGPATH [--report FILE] [--go EVENT] [--stats FILE]
//
// Line S is the payload "copy=COPY seq=S ..." (stress_support.h). A failure box is written to the
// report file instead of being shown, and the copy then ends as the program would, with exit
// code 3. With --go the copy waits for the named event before its first line, so that many
// copies start writing together; it first releases the semaphore EVENT.ready, when there is one.
// With --stats a copy that ends normally writes how long its slowest Add2Log call took
// ("longest_ms=N"): the margin left before the writer's retry limit.
#include <algorithm>
#include <cwchar>
#include <string>

#include "app/frmZandrel.h"
#include "platform/win32/controls.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/text.h"
#include "stress_support.h"

namespace {

constexpr DWORD kGoWaitMs = 120000;

bool ReadCount(const wchar_t* Text, int& Value) {
  wchar_t* end = nullptr;
  const long number = std::wcstol(Text, &end, 10);
  if (end == Text || *end != L'\0' || number < 0 || number > 100000000) return false;
  Value = static_cast<int>(number);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace tollivox;
  using namespace tollivox::win32;
  using namespace tollivox::stress;

  int copy = 0;
  int lines = 0;
  if (argc < 4 || !ReadCount(argv[1], copy) || !ReadCount(argv[2], lines)) {
    std::fwprintf(
        stderr,
        L"usage: log_driver COPY LINES LOGPATH [--report FILE] [--go EVENT] [--stats FILE]\n");
    return kDriverBadArguments;
  }
  const std::wstring logPath = argv[3];
  std::wstring reportPath;
  std::wstring goEvent;
  std::wstring statsPath;
  for (int i = 4; i + 1 < argc; i += 2) {
    if (std::wcscmp(argv[i], L"--report") == 0) {
      reportPath = argv[i + 1];
    } else if (std::wcscmp(argv[i], L"--go") == 0) {
      goEvent = argv[i + 1];
    } else if (std::wcscmp(argv[i], L"--stats") == 0) {
      statsPath = argv[i + 1];
    } else {
      return kDriverBadArguments;
    }
  }
  if (reportPath.empty()) reportPath = logPath + L".copy" + std::to_wstring(copy) + L".box";

  Win32Windows windows;
  Win32Keyboard keyboard;
  Win32Launcher launcher;
  // A mutex of its own: the copies must not take each other, or a real copy of the program, for
  // an earlier instance.
  Win32Files files(L"Local\\Tollivox.LogDriver");
  ReportingDialogs dialogs(reportPath);
  Win32Clock clock;
  Win32System system;
  QuietConsole console;
  Win32Controls controls(windows);
  Platform os{windows, keyboard, launcher, files,   dialogs, clock,
              system,  console,  console,  console, console, controls};
  frmZandrel form(os);
  form.LogFilePath = Narrow(logPath);
  form.AppTitle = kProductName;
  // No tray icon to remove on the way out.
  form.ConsoleMode = 2;

  if (!goEvent.empty()) {
    KernelHandle go(OpenEventW(SYNCHRONIZE, FALSE, goEvent.c_str()));
    if (!go.Valid()) return kDriverBadArguments;
    // Tells the starter this copy is at the start line (EVENT.ready counts the copies there).
    KernelHandle ready(
        OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, (goEvent + L".ready").c_str()));
    if (ready.Valid()) ReleaseSemaphore(ready.Get(), 1, nullptr);
    WaitForSingleObject(go.Get(), kGoWaitMs);
  }
  double longest = 0;
  for (int seq = 1; seq <= lines; ++seq) {
    dialogs.Seq = seq;
    const double start = clock.MonotonicSeconds();
    // A failure ends the process inside this call, with the program's own exit code.
    form.Add2Log(form.LogFilePath, Payload(copy, seq));
    longest = std::max(longest, clock.MonotonicSeconds() - start);
  }
  if (!statsPath.empty()) {
    (void)WriteWholeFile(statsPath,
                         "longest_ms=" + std::to_string(static_cast<long long>(longest * 1000)));
  }
  return kExitFinished;
}
