// One tick of the watch cycle on the simulated desktop, for desktops of 100 to 10000 windows and
// 1 to 50 title entries, none of which matches: every visit walks the whole window list. The log
// path is empty, so no file is written. "comparisons" counts title comparisons per second; it
// stays flat when a tick costs entries x windows comparisons and nothing worse.
#include <benchmark/benchmark.h>

#include <string>

#include "app/frmZandrel.h"
#include "platform/sim/sim_desktop.h"

namespace tollivox {
namespace {

void BM_TickWithoutMatch(benchmark::State& State) {
  const int windows = static_cast<int>(State.range(0));
  const int entries = static_cast<int>(State.range(1));
  sim::SimDesktop desk;
  for (int i = 1; i < windows; ++i) {
    desk.CreateWindow("Document " + std::to_string(i) + " - Editor");  // plus the console
  }
  frmZandrel form(desk.platform());
  form.ConsoleMode = 2;
  form.WindowCount = static_cast<std::int16_t>(entries);
  form.WindowStrings.Redim(entries);
  form.TimeoutSeconds.Redim(entries);
  for (int i = 1; i <= entries; ++i) {
    form.WindowStrings[i] = "Setup Wizard " + std::to_string(i);
    form.TimeoutSeconds[i] = -1;
  }
  for (auto _ : State) form.tmrWaitForWindow_Timer();
  const auto comparisons = static_cast<std::int64_t>(windows) * entries;
  State.counters["comparisons"] = benchmark::Counter(
      static_cast<double>(comparisons * State.iterations()), benchmark::Counter::kIsRate);
  State.SetComplexityN(comparisons);
}
BENCHMARK(BM_TickWithoutMatch)
    ->ArgsProduct({{100, 1000, 10000}, {1, 10, 50}})
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tollivox
