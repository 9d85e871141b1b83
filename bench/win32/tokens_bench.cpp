// One watch tick of the real form whose entries all find their page and act on it, once with key
// strings of control steps and once with the keystrokes that do the same job, in the same rounds
// and alternating order. The pages are another process's windows, as an installer's are.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "bench_support.h"
#include "platform/win32/controls.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/text.h"

namespace tollivox::bench {

namespace {

// The licence page answered: accept, then Next, by the controls and by the access keys.
constexpr const char* kTokens = "{CHECK I accept}{CLICK Next}";
constexpr const char* kKeystrokes = "%a%n";

double ThreadCpuMilliseconds() {
  FILETIME creation, exit, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& Time) {
    return static_cast<double>(static_cast<std::uint64_t>(Time.dwHighDateTime) << 32 |
                               Time.dwLowDateTime) /
           1e4;
  };
  return ms(kernel) + ms(user);
}

}  // namespace

int RunTokensBench(const Arguments& Args) {
  const int entryCount = static_cast<int>(Args.Number(L"entries", 10));
  const int rounds = static_cast<int>(Args.Number(L"rounds", 40));
  const std::wstring stem = UniqueName(L"Bench Setup");
  WindowHolder holder(entryCount, stem, true);
  // The same pages in a framework's classes and in classes known only by asking them.
  const std::wstring frameworkStem = UniqueName(L"Bench Framework Setup");
  const std::wstring askedStem = UniqueName(L"Bench Asked Setup");
  WindowHolder frameworkHolder(entryCount, frameworkStem, true, L"framework");
  WindowHolder askedHolder(entryCount, askedStem, true, L"asked");
  if (!holder.Ready() || !frameworkHolder.Ready() || !askedHolder.Ready()) {
    std::fprintf(stderr, "tokens: the page holder did not come up\n");
    return 1;
  }

  Win32Keyboard keyboard;
  BenchPlatform bench(keyboard, UniqueName(L"Local\\TollivoxBenchInstance"));
  Platform& os = bench.Os;

  struct Row {
    const char* Name;
    const char* Keys;
    std::int16_t Mode;
    std::unique_ptr<frmZandrel> Form;
    std::wstring Stem;
    std::vector<double> Samples;
    double CpuMs = 0;
  };
  std::vector<Row> rows;
  rows.push_back({"keystrokes \"%a%n\", /A:1", kKeystrokes, 1, nullptr, stem, {}});
  rows.push_back({"control steps, /A:1", kTokens, 1, nullptr, stem, {}});
  rows.push_back({"keystrokes \"%a%n\", /A:5", kKeystrokes, 5, nullptr, stem, {}});
  rows.push_back({"control steps, /A:5", kTokens, 5, nullptr, stem, {}});
  rows.push_back({"steps, framework pages, /A:5", kTokens, 5, nullptr, frameworkStem, {}});
  rows.push_back({"steps, asked pages, /A:5", kTokens, 5, nullptr, askedStem, {}});
  const std::wstring log = TempFolder() + L"\\" + UniqueName(L"tokens") + L".log";
  for (Row& row : rows) {
    row.Form = std::make_unique<frmZandrel>(os);
    frmZandrel& form = *row.Form;
    form.ConsoleMode = 2;  // no tray icon
    form.WindowCount = static_cast<std::int16_t>(entryCount);
    for (auto* list : {&form.ActivationModes, &form.TimeoutSeconds}) list->Redim(entryCount);
    form.WindowStrings.Redim(entryCount);
    form.KeyStrings.Redim(entryCount);
    for (int i = 1; i <= entryCount; ++i) {
      form.WindowStrings[i] = win32::Narrow(PageTitle(row.Stem, i, true));
      form.KeyStrings[i] = row.Keys;
      form.ActivationModes[i] = row.Mode;
      form.TimeoutSeconds[i] = -1;  // never given up, and no count: every tick acts again
    }
    // One logged tick first: every entry must find its page and send its whole string, or the
    // comparison means nothing.
    DeleteFileW(log.c_str());
    form.LogFilePath = win32::Narrow(log);
    form.tmrWaitForWindow_Timer();
    form.LogFilePath.clear();
    std::ifstream read{std::filesystem::path(log)};
    int found = 0;
    int withheld = 0;
    for (std::string line; std::getline(read, line);) {
      found += line.find("Found window containing") != std::string::npos ? 1 : 0;
      if (line.find("not sent") != std::string::npos) {
        ++withheld;
        std::fprintf(stderr, "tokens: %s\n", line.c_str());
      }
    }
    read.close();
    DeleteFileW(log.c_str());
    if (found != entryCount || withheld != 0) {
      std::fprintf(stderr, "tokens: %s: %d of %d pages found, %d strings withheld\n", row.Name,
                   found, entryCount, withheld);
      return 1;
    }
  }

  auto measure = [&](Row& Which) {
    const double cpu = ThreadCpuMilliseconds();
    const double start = NowSeconds();
    Which.Form->tmrWaitForWindow_Timer();
    Which.Samples.push_back((NowSeconds() - start) * 1000.0);
    Which.CpuMs += ThreadCpuMilliseconds() - cpu;
  };
  std::vector<double> frontRatios;
  std::vector<double> quietRatios;
  std::vector<double> frameworkRatios;
  std::vector<double> askedRatios;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
      measure(rows[round % 2 == 0 ? k : rows.size() - 1 - k]);
    }
    frontRatios.push_back(rows[1].Samples.back() / rows[0].Samples.back());
    quietRatios.push_back(rows[3].Samples.back() / rows[2].Samples.back());
    frameworkRatios.push_back(rows[4].Samples.back() / rows[3].Samples.back());
    askedRatios.push_back(rows[5].Samples.back() / rows[3].Samples.back());
  }

  std::printf("tokens: %d entries, each finding its page in a helper process, %d rounds\n",
              entryCount, rounds);
  for (const Row& row : rows) {
    const double median = Median(row.Samples);
    std::printf("  %-28s median %8.3f ms  p90 %8.3f ms  per entry %7.3f ms  CPU %8.3f ms\n",
                row.Name, median, Percentile(row.Samples, 90), median / entryCount,
                row.CpuMs / rounds);
  }
  const auto ratio = [&](std::size_t Tokens, std::size_t Keys, const std::vector<double>& Per) {
    std::printf("  %s / %s: ratio of medians %.3f, median of per-round ratios %.3f\n",
                rows[Tokens].Name, rows[Keys].Name,
                Median(rows[Tokens].Samples) / Median(rows[Keys].Samples), Median(Per));
  };
  ratio(1, 0, frontRatios);
  ratio(3, 2, quietRatios);
  // Framework pages against the same on system controls (goal: at most 1.1).
  ratio(4, 3, frameworkRatios);
  ratio(5, 3, askedRatios);
  return 0;
}

}  // namespace tollivox::bench
