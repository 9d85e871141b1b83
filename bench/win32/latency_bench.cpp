// Detection latency: tollivox.exe watches for a title at a short interval; this program then
// opens a window with that title and times, on one clock, from the moment the window is visible
// (the earliest a tick can take it) to the first typed character arriving in it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"

namespace tollivox::bench {

namespace {

double gShownTime = 0;
double gCharTime = 0;
wchar_t gChar = 0;

LRESULT CALLBACK TargetWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  // Sent once the window carries its visible flag, inside CreateWindowExW.
  if (Message == WM_WINDOWPOSCHANGED && gShownTime == 0 &&
      (reinterpret_cast<const WINDOWPOS*>(LParam)->flags & SWP_SHOWWINDOW) != 0) {
    gShownTime = NowSeconds();
  }
  if (Message == WM_CHAR && gCharTime == 0) {
    gCharTime = NowSeconds();
    gChar = static_cast<wchar_t>(WParam);
    return 0;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

// Runs this thread's messages until a character arrived or Limit seconds have passed.
void PumpUntilChar(double Limit) {
  const double end = NowSeconds() + Limit;
  while (gCharTime == 0 && NowSeconds() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

int RunLatencyBench(const Arguments& Args) {
  const int runs = static_cast<int>(Args.Number(L"runs", 50));
  const int interval = static_cast<int>(Args.Number(L"interval", 50));
  const std::wstring tollivox =
      Args.Text(L"tollivox").value_or(ProgramFolder() + L"\\tollivox.exe");

  static const wchar_t kClassName[] = L"TollivoxBenchTarget";
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = TargetWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassW(&windowClass);

  std::srand(GetCurrentProcessId());
  std::vector<double> latencies;
  std::vector<double> fromCreation;
  std::vector<double> creations;
  std::vector<double> startups;
  int failures = 0;
  for (int run = 1; run <= runs; ++run) {
    // No blanks in the title: it stands unquoted on the command line.
    const std::wstring title = UniqueName(L"TollivoxLatency");
    const std::wstring command = Quoted(tollivox) + L" /W:" + title + L" /K:x /C:1 /T:-1 /I:" +
                                 std::to_wstring(interval) + L" /H:2";
    const double launched = NowSeconds();
    win32::KernelHandle process = StartProcess(command);
    if (!process.Valid()) return 1;
    // Loaded and in its message loop; then a random share of an interval, so that the window
    // comes up at every phase of the timer.
    WaitForInputIdle(process.Get(), 30000);
    startups.push_back(NowSeconds() - launched);
    Sleep(static_cast<DWORD>(200 + std::rand() % (interval > 0 ? interval : 1)));

    gShownTime = 0;
    gCharTime = 0;
    gChar = 0;
    const double created = NowSeconds();
    HWND window =
        CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                        300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    creations.push_back((NowSeconds() - created) * 1000.0);
    if (window == nullptr) {
      std::fprintf(stderr, "latency: cannot create the target window\n");
      TerminateProcess(process.Get(), 1);
      return 1;
    }
    PumpUntilChar(10.0);
    DestroyWindow(window);
    const long code = WaitForExit(process.Get(), 20000);
    if (gCharTime == 0 || gShownTime == 0 || gChar != L'x' || code != 0) {
      ++failures;
      std::fprintf(stderr, "latency: run %d failed (character %s, exit code %ld)\n", run,
                   gCharTime == 0 ? "none" : (gChar == L'x' ? "x" : "other"), code);
      if (code < 0) TerminateProcess(process.Get(), 1);
      continue;
    }
    latencies.push_back((gCharTime - gShownTime) * 1000.0);
    fromCreation.push_back((gCharTime - created) * 1000.0);
  }

  std::printf("latency: tollivox.exe /W:<title> /K:x /C:1 /T:-1 /I:%d /H:2, %d runs, %d failed\n",
              interval, runs, failures);
  if (latencies.empty()) return 1;
  std::printf(
      "  window visible to first key:     median %6.1f ms  p95 %6.1f ms  min %6.1f ms  "
      "max %6.1f ms\n",
      Median(latencies), Percentile(latencies, 95), Percentile(latencies, 0),
      Percentile(latencies, 100));
  std::printf(
      "  CreateWindowExW called to key:  median %6.1f ms  p95 %6.1f ms  (the call itself: "
      "median %.1f ms)\n",
      Median(fromCreation), Percentile(fromCreation, 95), Median(creations));
  std::printf("  (tollivox.exe from its start to its message loop: median %.2f s)\n",
              Median(startups));
  const double goal = interval + 20.0;
  std::printf("  goal p95 <= %.0f ms: %s\n", goal,
              Percentile(latencies, 95) <= goal ? "met" : "missed");
  return failures == 0 ? 0 : 1;
}

}  // namespace tollivox::bench
