// win32_bench: the benchmarks of the Windows program, run against the real window system (under
// Wine on Linux). Each mode measures one figure and prints it; scripts/bench runs them all.
//
//   win32_bench tick    [--windows 200] [--entries 10] [--rounds 100] [--windows-in helper|self]
//   win32_bench tokens  [--entries 10] [--rounds 40]
//   win32_bench latency [--runs 50] [--interval 50] [--tollivox PATH]
//   win32_bench idle    [--seconds 60] [--windows 200] [--tollivox PATH] [--server-pid PID]
//   win32_bench memory  [--settle 5] [--rounds 3] [--tollivox PATH] [--minimal PATH]
//                       [--stripped PATH]
//   win32_bench log     [--lines 4000] [--rounds 5] [--writers 8]
//
// tollivox.exe and bench_minimal_window.exe are looked for beside this program; --stripped names
// a copy of tollivox.exe without debug sections, measured beside it. --server-pid
// names the wineserver's Unix process, whose CPU time is read through drive Z: under Wine.
#include <cstdio>
#include <cwchar>

#include "bench_support.h"

int wmain(int Argc, wchar_t** Argv) {
  using namespace tollivox::bench;
  if (Argc < 2) {
    std::fprintf(stderr,
                 "usage: win32_bench tick|tokens|latency|idle|memory|log [--option value ...]\n");
    return 2;
  }
  const std::wstring mode = Argv[1];
  const Arguments args(Argc, Argv, 2);
  // Figures go to a pipe when the script runs us, and the C runtime of Windows has no line
  // buffering: print every line as it comes.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (mode == L"tick") return RunTickBench(args);
  if (mode == L"tokens") return RunTokensBench(args);
  if (mode == L"latency") return RunLatencyBench(args);
  if (mode == L"idle") return RunIdleBench(args);
  if (mode == L"memory") return RunMemoryBench(args);
  if (mode == L"log") return RunLogBench(args);
  // Helper modes: copies of this program started by the modes above.
  if (mode == L"log-writer") return RunLogWriter(args);
  if (mode == L"hold-windows") return RunHoldWindows(Argc, Argv);
  std::fwprintf(stderr, L"unknown mode %ls\n", mode.c_str());
  return 2;
}
