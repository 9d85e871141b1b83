// Cost of turning key strings into key events. A key string comes from the command line (at most
// about 32 kB), so these sizes bound what one action can cost before any key is sent.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/keys.h"

namespace {

std::string RepeatToSize(const std::string& Piece, std::size_t Size) {
  std::string text;
  while (text.size() + Piece.size() <= Size) text += Piece;
  return text;
}

void Parse(benchmark::State& State, const std::string& Text) {
  std::size_t events = 0;
  for (auto _ : State) {
    const tollivox::KeyParseResult result = tollivox::ParseKeyString(Text);
    if (result.Error != 0) State.SkipWithError("the benchmark text does not parse");
    events = result.Events.size();
    benchmark::DoNotOptimize(result.Events.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text.size()));
  State.counters["events"] = static_cast<double>(events);
}

void BM_PlainText(benchmark::State& State) {
  Parse(State, RepeatToSize("The quick brown fox jumps over the lazy dog. ",
                            static_cast<std::size_t>(State.range(0))));
}
BENCHMARK(BM_PlainText)->Arg(100)->Arg(10 * 1024);

void BM_BracesAndGroups(benchmark::State& State) {
  Parse(State, RepeatToSize("+(ab^{END}){TAB 2}%(f{DOWN}){+}{}}x~\xC3\xA9(c(d))",
                            static_cast<std::size_t>(State.range(0))));
}
BENCHMARK(BM_BracesAndGroups)->Arg(100)->Arg(10 * 1024);

// The worst output per input byte: every brace asks for the largest repeat count.
void BM_LargestRepeats(benchmark::State& State) {
  Parse(State, RepeatToSize("{TAB " + std::to_string(tollivox::kMaxKeyRepeat) + "}",
                            static_cast<std::size_t>(State.range(0))));
}
BENCHMARK(BM_LargestRepeats)->Arg(10 * 1024);

void BM_DeepNesting(benchmark::State& State) {
  const auto depth = static_cast<std::size_t>(State.range(0)) / 3;
  Parse(State, std::string(depth, '(') + std::string(depth, 'a') + std::string(depth, ')'));
}
BENCHMARK(BM_DeepNesting)->Arg(10 * 1024);

}  // namespace
