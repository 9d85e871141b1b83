// Appends per second of the log writer on the simulated desktop's real files: every call does the
// existence test, the read-locked trial open and an append open, write and close.
#include <benchmark/benchmark.h>

#include <string>

#include "app/frmZandrel.h"
#include "platform/sim/sim_desktop.h"

namespace tollivox {
namespace {

void AppendItems(benchmark::State& State, const std::string& Item) {
  sim::SimDesktop desk;
  frmZandrel form(desk.platform());
  form.LogFilePath = desk.Folder + "\\bench.log";
  form.ConsoleMode = 2;
  for (auto _ : State) form.Add2Log(form.LogFilePath, Item);
  State.SetItemsProcessed(State.iterations());
  State.SetBytesProcessed(static_cast<std::int64_t>(desk.ReadFile(form.LogFilePath).size()));
}

void BM_Add2LogOneLine(benchmark::State& State) {
  AppendItems(State, "Searching for window with title containing \"Setup\"");
}
BENCHMARK(BM_Add2LogOneLine);

void BM_Add2LogTenLines(benchmark::State& State) {
  std::string item;
  for (int i = 1; i <= 10; ++i) {
    item += "Line " + std::to_string(i) + " of an error report or a key string\n";
  }
  AppendItems(State, item);
}
BENCHMARK(BM_Add2LogTenLines);

}  // namespace
}  // namespace tollivox
