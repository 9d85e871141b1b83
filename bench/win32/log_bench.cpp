// Log appends per second: one writer and several writers appending to one log file at once,
// each a separate process running the real Add2Log over the real Windows file layer. The writers
// start together on a signal and report when they are done, so process start and end stay out
// of the figure.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "bench_support.h"
#include "platform/win32/controls.h"
#include "platform/win32/text.h"

namespace tollivox::bench {

namespace {

constexpr DWORD kWaitLimitMs = 300000;

struct LogRun {
  bool Ok = false;
  double Seconds = 0;
};

// Waits Count times on a semaphore; false when the time ran out.
bool AcquireAll(HANDLE Semaphore, int Count) {
  for (int i = 0; i < Count; ++i) {
    if (WaitForSingleObject(Semaphore, kWaitLimitMs) != WAIT_OBJECT_0) return false;
  }
  return true;
}

// Checks the log holds every line of every writer exactly once and in each writer's order; a
// benchmark of a writer that loses lines would measure nothing worth having.
bool LogIsComplete(const std::wstring& Path, int Writers, int Lines) {
  std::ifstream log(std::filesystem::path(Path), std::ios::binary);
  std::map<int, std::vector<int>> seen;  // copy -> how often each sequence number came
  int total = 0;
  int malformed = 0;
  int disordered = 0;
  std::map<int, int> lastSeq;
  for (std::string line; std::getline(log, line);) {
    ++total;
    int copy = 0;
    int seq = 0;
    const std::size_t at = line.find(": copy=");
    if (at == std::string::npos ||
        std::sscanf(line.c_str() + at, ": copy=%d seq=%d", &copy, &seq) != 2 || copy < 1 ||
        copy > Writers || seq < 1 || seq > Lines) {
      if (++malformed <= 3) std::fprintf(stderr, "log: malformed line %s\n", line.c_str());
      continue;
    }
    if (seq <= lastSeq[copy]) ++disordered;
    lastSeq[copy] = seq;
    auto& counts = seen[copy];
    counts.resize(static_cast<std::size_t>(Lines) + 1);
    ++counts[static_cast<std::size_t>(seq)];
  }
  int lost = 0;
  int duplicated = 0;
  for (int copy = 1; copy <= Writers; ++copy) {
    auto& counts = seen[copy];
    counts.resize(static_cast<std::size_t>(Lines) + 1);
    for (int seq = 1; seq <= Lines; ++seq) {
      const int count = counts[static_cast<std::size_t>(seq)];
      if (count == 0) {
        if (++lost <= 3) std::fprintf(stderr, "log: lost copy=%d seq=%d\n", copy, seq);
      } else if (count > 1) {
        duplicated += count - 1;
        if (duplicated <= 3) std::fprintf(stderr, "log: duplicated copy=%d seq=%d\n", copy, seq);
      }
    }
  }
  if (total == Writers * Lines && lost == 0 && duplicated == 0 && malformed == 0 &&
      disordered == 0) {
    return true;
  }
  std::fprintf(stderr,
               "log: %d writers x %d lines: %d lines found, %d lost, %d duplicated, %d out of "
               "order, %d malformed\n",
               Writers, Lines, total, lost, duplicated, disordered, malformed);
  return false;
}

LogRun RunWriters(int Writers, int Lines) {
  LogRun result;
  const std::wstring path = TempFolder() + L"\\" + UniqueName(L"tollivox-bench") + L".log";
  const std::wstring readyName = UniqueName(L"TollivoxBenchLogReady");
  const std::wstring startName = UniqueName(L"TollivoxBenchLogStart");
  const std::wstring doneName = UniqueName(L"TollivoxBenchLogDone");
  win32::KernelHandle ready(CreateSemaphoreW(nullptr, 0, Writers, readyName.c_str()));
  win32::KernelHandle start(CreateEventW(nullptr, TRUE, FALSE, startName.c_str()));
  win32::KernelHandle done(CreateSemaphoreW(nullptr, 0, Writers, doneName.c_str()));
  std::vector<win32::KernelHandle> writers;
  for (int copy = 1; copy <= Writers; ++copy) {
    writers.push_back(StartProcess(Quoted(SelfPath()) + L" log-writer --copy " +
                                   std::to_wstring(copy) + L" --lines " + std::to_wstring(Lines) +
                                   L" --log " + Quoted(path) + L" --ready " + readyName +
                                   L" --start " + startName + L" --done " + doneName));
    if (!writers.back().Valid()) return result;
  }
  if (!AcquireAll(ready.Get(), Writers)) {
    std::fprintf(stderr, "log: the writers did not come up\n");
    return result;
  }
  const double began = NowSeconds();
  SetEvent(start.Get());
  const bool finished = AcquireAll(done.Get(), Writers);
  result.Seconds = NowSeconds() - began;
  bool allOk = finished;
  for (auto& writer : writers) {
    const long code = WaitForExit(writer.Get(), kWaitLimitMs);
    if (code != 0) {
      std::fprintf(stderr, "log: a writer ended with code %ld\n", code);
      if (code < 0) TerminateProcess(writer.Get(), 1);
      allOk = false;
    }
  }
  result.Ok = allOk && LogIsComplete(path, Writers, Lines);
  // A log that failed the check stays for a look.
  if (result.Ok) {
    DeleteFileW(path.c_str());
  } else {
    std::fwprintf(stderr, L"log: kept %ls\n", path.c_str());
  }
  return result;
}

}  // namespace

int RunLogBench(const Arguments& Args) {
  const int total = static_cast<int>(Args.Number(L"lines", 4000));
  const int rounds = static_cast<int>(Args.Number(L"rounds", 5));
  const int many = static_cast<int>(Args.Number(L"writers", 8));
  const int counts[] = {1, many};
  std::vector<double> rates[2];
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double rate[2] = {};
    for (int k = 0; k < 2; ++k) {
      // Alternate which one goes first, so that neither always meets a warmer machine.
      const int which = round % 2 == 0 ? k : 1 - k;
      const int writers = counts[which];
      const LogRun run = RunWriters(writers, total / writers);
      if (!run.Ok) return 1;
      rate[which] = (total / writers) * writers / run.Seconds;
      rates[which].push_back(rate[which]);
    }
    ratios.push_back(rate[1] / rate[0]);
  }
  std::printf("log: Add2Log over Win32Files, %d lines per run in all, %d rounds, one log file\n",
              total, rounds);
  for (int which = 0; which < 2; ++which) {
    std::printf("  %d writer%s  median %8.0f appends/s  (%.1f us per append, min %.0f max %.0f)\n",
                counts[which], counts[which] == 1 ? " " : "s", Median(rates[which]),
                1e6 / Median(rates[which]), Percentile(rates[which], 0),
                Percentile(rates[which], 100));
  }
  std::printf("  %d writers / 1 writer: median of per-round ratios %.2f\n", many, Median(ratios));
  return 0;
}

int RunLogWriter(const Arguments& Args) {
  const int copy = static_cast<int>(Args.Number(L"copy", 1));
  const int lines = static_cast<int>(Args.Number(L"lines", 100));
  const auto path = Args.Text(L"log");
  win32::KernelHandle ready(
      OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, Args.Text(L"ready").value_or(L"").c_str()));
  win32::KernelHandle start(
      OpenEventW(SYNCHRONIZE, FALSE, Args.Text(L"start").value_or(L"").c_str()));
  win32::KernelHandle done(
      OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, Args.Text(L"done").value_or(L"").c_str()));
  if (!path || !ready.Valid() || !start.Valid() || !done.Valid()) return 2;

  win32::Win32Windows windows;
  QuietKeyboard keyboard;
  QuietLauncher launcher;
  win32::Win32Files files(UniqueName(L"Local\\TollivoxBenchInstance"));
  StderrDialogs dialogs;
  win32::Win32Clock clock;
  win32::Win32System system;  // a failed write ends the writer with the log failure's code
  QuietView view;
  QuietTimer timer;
  QuietLoop loop;
  QuietTray tray;
  win32::Win32Controls controls(windows);
  Platform os{windows, keyboard, launcher, files, dialogs, clock,
              system,  view,     timer,    loop,  tray,    controls};
  frmZandrel form(os);
  form.ConsoleMode = 2;
  form.AppTitle = "Tollivox benchmark";
  form.LogFilePath = win32::Narrow(*path);

  // About as long as the lines a watch writes.
  const std::string padding = " Looking for window containing \"Setup Wizard\" string...";
  ReleaseSemaphore(ready.Get(), 1, nullptr);
  WaitForSingleObject(start.Get(), kWaitLimitMs);
  for (int seq = 1; seq <= lines; ++seq) {
    form.Add2Log(form.LogFilePath,
                 "copy=" + std::to_string(copy) + " seq=" + std::to_string(seq) + padding);
  }
  ReleaseSemaphore(done.Get(), 1, nullptr);
  return 0;
}

}  // namespace tollivox::bench
