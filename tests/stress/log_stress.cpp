// The shared log under load: N copies of the log driver append to one log file at once, while a
// reader loads it in a loop as the log viewer does and a hostile program holds it with no
// sharing for random stretches. Then every line of the log is checked.
//
//   log_stress [--run COPIESxLINES]... [--seed N] [--folder DIR] [--keep] [--no-reader]
//              [--no-hostile]
//
// Without --run it does one short run of 8 x 500 lines. It prints one table row per run and exits
// 0 only when every run lost, duplicated and tore nothing, no copy was ended by the log, and the
// reader and the hostile program both did their part.
//
// The reader and the hostile program are this program again, started in a mode of their own:
//   log_stress --reader LOGPATH STOPEVENT RESULTFILE SEED
//   log_stress --hostile LOGPATH STOPEVENT RESULTFILE SEED
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "platform/win32/controls.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/text.h"
#include "stress_support.h"

namespace tollivox::stress {

namespace {

using win32::KernelHandle;
using win32::Narrow;

// Holds of the hostile program and the pauses between them, and the reader's pauses between
// loads (a user clicking Refresh, only much faster), in milliseconds.
constexpr int kHoldMinMs = 50;
constexpr int kHoldMaxMs = 500;
constexpr int kHostileGapMinMs = 100;
constexpr int kHostileGapMaxMs = 1000;
constexpr int kReaderGapMinMs = 10;
constexpr int kReaderGapMaxMs = 100;
// A run that has not ended by then has hung.
constexpr DWORD kRunLimitMs = 60 * 60 * 1000;
constexpr DWORD kHelperStartMs = 120000;
constexpr DWORD kHelperEndMs = 120000;

double Seconds() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Between(std::mt19937& Random, int Low, int High) {
  return std::uniform_int_distribution<int>(Low, High)(Random);
}

// Reads "name=value" from a helper's result text; -1 when it is missing.
long long ResultValue(const std::string& Text, const std::string& Name) {
  const std::size_t at = Text.find(Name + "=");
  if (at == std::string::npos) return -1;
  return std::atoll(Text.c_str() + at + Name.size() + 1);
}

// ---- The reader: the real viewer's Refresh over the real files. ----

int RunReader(const std::wstring& LogPath, const std::wstring& StopName,
              const std::wstring& ResultPath, unsigned Seed) {
  KernelHandle stop(OpenEventW(SYNCHRONIZE, FALSE, StopName.c_str()));
  if (!stop.Valid()) return kDriverBadArguments;

  win32::Win32Windows windows;
  Win32Keyboard keyboard;
  win32::Win32Launcher launcher;
  win32::Win32Files files(L"Local\\Tollivox.LogReader");
  ReportingDialogs dialogs(ResultPath + L".box");
  win32::Win32Clock clock;
  win32::Win32System system;
  QuietConsole console;
  win32::Win32Controls controls(windows);
  Platform os{windows, keyboard, launcher, files,   dialogs, clock,
              system,  console,  console,  console, console, controls};
  frmZandrel form(os);
  form.LogFilePath = Narrow(LogPath);
  form.AppTitle = kProductName;
  form.ConsoleMode = 2;
  console.SetText(Control::cmdStopStart, "&Stop");

  std::mt19937 random(Seed);
  long long loads = 0;
  long long markedLoads = 0;
  long long shown = 0;
  DWORD gap = 0;
  while (WaitForSingleObject(stop.Get(), gap) == WAIT_TIMEOUT) {
    // Every other load as a copy started beside another one, which marks its reading.
    const bool later = loads % 2 == 1;
    form.PreviousInstance = later;
    // A failure here ends this process through the fatal report.
    form.cmdRefresh_Click();
    ++loads;
    if (later) ++markedLoads;
    const std::string view = console.Text(Control::txtLog);
    shown = 0;
    for (std::size_t at = view.find("\r\n"); at != std::string::npos;
         at = view.find("\r\n", at + 2)) {
      ++shown;
    }
    gap = static_cast<DWORD>(Between(random, kReaderGapMinMs, kReaderGapMaxMs));
  }
  const std::string result = "loads=" + std::to_string(loads) +
                             " marked=" + std::to_string(markedLoads) +
                             " shown=" + std::to_string(shown) + "\n";
  return WriteWholeFile(ResultPath, result) ? 0 : 1;
}

// ---- The hostile program: holds the log with no sharing at all. ----

int RunHostile(const std::wstring& LogPath, const std::wstring& StopName,
               const std::wstring& ResultPath, unsigned Seed) {
  KernelHandle stop(OpenEventW(SYNCHRONIZE, FALSE, StopName.c_str()));
  if (!stop.Valid()) return kDriverBadArguments;

  std::mt19937 random(Seed);
  long long holds = 0;
  double held = 0;
  // The first hold as soon as the log exists, so that even a short run meets one.
  DWORD gap = 0;
  while (WaitForSingleObject(stop.Get(), gap) == WAIT_TIMEOUT) {
    KernelHandle file;
    for (;;) {
      file = KernelHandle(CreateFileW(LogPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file.Valid() || WaitForSingleObject(stop.Get(), 1) != WAIT_TIMEOUT) break;
    }
    if (!file.Valid()) break;
    const double start = Seconds();
    Sleep(static_cast<DWORD>(Between(random, kHoldMinMs, kHoldMaxMs)));
    file.Reset();
    held += Seconds() - start;
    ++holds;
    gap = static_cast<DWORD>(Between(random, kHostileGapMinMs, kHostileGapMaxMs));
  }
  const std::string result = "holds=" + std::to_string(holds) +
                             " held_ms=" + std::to_string(static_cast<long long>(held * 1000)) +
                             "\n";
  return WriteWholeFile(ResultPath, result) ? 0 : 1;
}

// ---- One run. ----

struct RunSize {
  int Copies = 0;
  int Lines = 0;
};

struct Options {
  std::vector<RunSize> Runs;
  unsigned Seed = 1;
  std::wstring Folder;
  bool Keep = false;
  bool Reader = true;
  bool Hostile = true;
};

struct RunResult {
  RunSize Size;
  double Seconds = 0;
  LogFigures Figures;
  int EndedByLog = 0;
  int OtherExits = 0;           // crashed, hung or ended otherwise
  long long LongestCallMs = 0;  // the slowest Add2Log call of any copy
  long long ReaderLoads = -1;
  long long ReaderMarked = -1;
  int ReaderExit = 0;
  long long Holds = -1;
  long long HeldMs = -1;
  int HostileExit = 0;
  std::vector<std::string> Problems;
};

void RemoveRunFiles(const std::wstring& Base, int Copies) {
  DeleteFileW(Base.c_str());
  DeleteFileW((Base + L".RLK").c_str());
  for (const wchar_t* suffix : {L".reader", L".reader.box", L".hostile"}) {
    DeleteFileW((Base + suffix).c_str());
  }
  for (int copy = 1; copy <= Copies; ++copy) {
    DeleteFileW((Base + L".copy" + std::to_wstring(copy) + L".box").c_str());
    DeleteFileW((Base + L".copy" + std::to_wstring(copy) + L".stats").c_str());
  }
}

RunResult Run(const Options& Settings, const RunSize& Size, int RunNumber) {
  RunResult result;
  result.Size = Size;
  const std::wstring name = std::to_wstring(Size.Copies) + L"x" + std::to_wstring(Size.Lines);
  const std::wstring log = Settings.Folder + L"\\" + name + L".log";
  RemoveRunFiles(log, Size.Copies);

  const std::wstring events = L"Local\\TollivoxStress." + std::to_wstring(GetCurrentProcessId()) +
                              L"." + std::to_wstring(RunNumber);
  KernelHandle go = MakeEvent(events + L".go");
  KernelHandle stop = MakeEvent(events + L".stop");
  KernelHandle ready(CreateSemaphoreW(nullptr, 0, Size.Copies, (events + L".go.ready").c_str()));
  if (!go.Valid() || !stop.Valid() || !ready.Valid()) {
    result.Problems.push_back("could not create the run's events");
    return result;
  }

  const std::wstring self = ProgramFolder() + L"\\log_stress.exe";
  const std::wstring driver = ProgramFolder() + L"\\log_driver.exe";
  const unsigned seed = Settings.Seed * 1000u + static_cast<unsigned>(RunNumber) * 2u;
  Child reader;
  Child hostile;
  if (Settings.Reader &&
      !reader.Start(Quoted(self) + L" --reader " + Quoted(log) + L" " + events + L".stop " +
                    Quoted(log + L".reader") + L" " + std::to_wstring(seed + 1))) {
    result.Problems.push_back("the reader did not start");
  }
  if (Settings.Hostile &&
      !hostile.Start(Quoted(self) + L" --hostile " + Quoted(log) + L" " + events + L".stop " +
                     Quoted(log + L".hostile") + L" " + std::to_wstring(seed + 2))) {
    result.Problems.push_back("the hostile program did not start");
  }

  std::vector<Child> copies(static_cast<std::size_t>(Size.Copies));
  for (int copy = 1; copy <= Size.Copies; ++copy) {
    const std::wstring copyFiles = log + L".copy" + std::to_wstring(copy);
    if (!copies[static_cast<std::size_t>(copy - 1)].Start(
            Quoted(driver) + L" " + std::to_wstring(copy) + L" " + std::to_wstring(Size.Lines) +
            L" " + Quoted(log) + L" --report " + Quoted(copyFiles + L".box") + L" --go " + events +
            L".go --stats " + Quoted(copyFiles + L".stats"))) {
      result.Problems.push_back("copy " + std::to_string(copy) + " did not start");
    }
  }
  // Every copy waits at the start line until all have got there.
  for (int copy = 1; copy <= Size.Copies; ++copy) {
    if (WaitForSingleObject(ready.Get(), kHelperStartMs) != WAIT_OBJECT_0) {
      result.Problems.push_back("not every copy got to the start");
      break;
    }
  }

  SYSTEMTIME startTime{};
  GetLocalTime(&startTime);
  const double started = Seconds();
  SetEvent(go.Get());

  std::vector<CopyPlan> plans(static_cast<std::size_t>(Size.Copies));
  for (int copy = 1; copy <= Size.Copies; ++copy) {
    Child& child = copies[static_cast<std::size_t>(copy - 1)];
    const double waited = (Seconds() - started) * 1000;
    const DWORD left = waited >= kRunLimitMs ? 0 : kRunLimitMs - static_cast<DWORD>(waited);
    const int code = child.Wait(left);
    CopyPlan& plan = plans[static_cast<std::size_t>(copy - 1)];
    plan.Lines = Size.Lines;
    if (code == kExitFinished) {
      const std::string stats = ReadWholeFile(log + L".copy" + std::to_wstring(copy) + L".stats");
      result.LongestCallMs = std::max(result.LongestCallMs, ResultValue(stats, "longest_ms"));
    } else if (code == kExitLogFailure) {
      ++result.EndedByLog;
      const BoxReport box = ReadBoxReport(log + L".copy" + std::to_wstring(copy) + L".box");
      plan.FailedSeq = box.FailedSeq;
      result.Problems.push_back("copy " + std::to_string(copy) + " ended by the log at line " +
                                std::to_string(box.FailedSeq) + ": " + box.Text);
    } else {
      ++result.OtherExits;
      child.Kill();
      result.Problems.push_back("copy " + std::to_string(copy) + " ended with exit code " +
                                std::to_string(code));
    }
  }
  result.Seconds = Seconds() - started;
  SYSTEMTIME endTime{};
  GetLocalTime(&endTime);

  SetEvent(stop.Get());
  if (Settings.Reader) {
    result.ReaderExit = reader.Wait(kHelperEndMs);
    const std::string text = ReadWholeFile(log + L".reader");
    result.ReaderLoads = ResultValue(text, "loads");
    result.ReaderMarked = ResultValue(text, "marked");
    if (result.ReaderExit != 0 || result.ReaderLoads < 1) {
      result.Problems.push_back("the reader ended with exit code " +
                                std::to_string(result.ReaderExit) + " after " +
                                std::to_string(result.ReaderLoads) +
                                " loads: " + ReadBoxReport(log + L".reader.box").Text);
    }
  }
  if (Settings.Hostile) {
    result.HostileExit = hostile.Wait(kHelperEndMs);
    const std::string text = ReadWholeFile(log + L".hostile");
    result.Holds = ResultValue(text, "holds");
    result.HeldMs = ResultValue(text, "held_ms");
    if (result.HostileExit != 0 || result.Holds < 1) {
      result.Problems.push_back("the hostile program ended with exit code " +
                                std::to_string(result.HostileExit) + " after " +
                                std::to_string(result.Holds) + " holds");
    }
  }

  result.Figures = CheckLog(ReadWholeFile(log), plans, StampsBetween(startTime, endTime));
  if (!result.Figures.Clean()) result.Problems.push_back("the log is damaged");
  if (result.Problems.empty() && !Settings.Keep) RemoveRunFiles(log, Size.Copies);
  return result;
}

void PrintHeader() {
  std::printf(
      "| copies x lines | seconds | expected | found | lost | duplicated | torn | out of order "
      "| ended by the log | longest call s | reader loads (marked) | holds | held s |\n"
      "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
}

void PrintRow(const RunResult& Result) {
  const LogFigures& f = Result.Figures;
  std::printf(
      "| %d x %d | %.1f | %lld | %lld | %lld | %lld | %lld | %lld | %d | %.2f | %lld (%lld) | "
      "%lld | %.1f |\n",
      Result.Size.Copies, Result.Size.Lines, Result.Seconds, static_cast<long long>(f.Expected),
      static_cast<long long>(f.Found), static_cast<long long>(f.Lost),
      static_cast<long long>(f.Duplicated), static_cast<long long>(f.Torn),
      static_cast<long long>(f.OutOfOrder), Result.EndedByLog,
      static_cast<double>(Result.LongestCallMs) / 1000, Result.ReaderLoads, Result.ReaderMarked,
      Result.Holds, static_cast<double>(Result.HeldMs) / 1000);
  std::fflush(stdout);
}

bool ParseRunSize(const wchar_t* Text, RunSize& Size) {
  wchar_t* end = nullptr;
  const long copies = std::wcstol(Text, &end, 10);
  if (end == Text || (*end != L'x' && *end != L'X')) return false;
  const wchar_t* linesText = end + 1;
  const long lines = std::wcstol(linesText, &end, 10);
  if (end == linesText || *end != L'\0') return false;
  // The start line's semaphore and the wait for the copies take at most 64 at once.
  if (copies < 1 || copies > 64 || lines < 1 || lines > 10000000) return false;
  Size = {static_cast<int>(copies), static_cast<int>(lines)};
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: log_stress [--run COPIESxLINES]... [--seed N] [--folder DIR] [--keep]\n"
               "                  [--no-reader] [--no-hostile]\n");
  return kDriverBadArguments;
}

int RunAll(int argc, wchar_t** argv) {
  Options settings;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == L"--run" && hasValue) {
      RunSize size;
      if (!ParseRunSize(argv[++i], size)) return Usage();
      settings.Runs.push_back(size);
    } else if (option == L"--seed" && hasValue) {
      settings.Seed = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (option == L"--folder" && hasValue) {
      settings.Folder = argv[++i];
    } else if (option == L"--keep") {
      settings.Keep = true;
    } else if (option == L"--no-reader") {
      settings.Reader = false;
    } else if (option == L"--no-hostile") {
      settings.Hostile = false;
    } else {
      return Usage();
    }
  }
  if (settings.Runs.empty()) settings.Runs.push_back({8, 500});
  bool ownFolder = false;
  if (settings.Folder.empty()) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    settings.Folder =
        std::wstring(temp) + L"tollivox-stress-" + std::to_wstring(GetCurrentProcessId());
    ownFolder = true;
  }
  while (!settings.Folder.empty() &&
         (settings.Folder.back() == L'\\' || settings.Folder.back() == L'/')) {
    settings.Folder.pop_back();
  }
  CreateDirectoryW(settings.Folder.c_str(), nullptr);

  std::printf("log folder: %s, seed %u\n", Narrow(settings.Folder).c_str(), settings.Seed);
  PrintHeader();
  std::vector<RunResult> results;
  for (std::size_t i = 0; i < settings.Runs.size(); ++i) {
    results.push_back(Run(settings, settings.Runs[i], static_cast<int>(i)));
    PrintRow(results.back());
  }

  bool clean = true;
  for (const RunResult& result : results) {
    for (const std::string& problem : result.Problems) {
      clean = false;
      std::printf("%d x %d: %s\n", result.Size.Copies, result.Size.Lines, problem.c_str());
    }
  }
  if (clean && ownFolder && !settings.Keep) RemoveDirectoryW(settings.Folder.c_str());
  if (!clean) std::printf("the logs are kept in %s\n", Narrow(settings.Folder).c_str());
  return clean ? 0 : 1;
}

}  // namespace

}  // namespace tollivox::stress

int wmain(int argc, wchar_t** argv) {
  using namespace tollivox::stress;
  if (argc == 6 &&
      (std::wcscmp(argv[1], L"--reader") == 0 || std::wcscmp(argv[1], L"--hostile") == 0)) {
    const unsigned seed = static_cast<unsigned>(std::wcstoul(argv[5], nullptr, 10));
    return std::wcscmp(argv[1], L"--reader") == 0 ? RunReader(argv[2], argv[3], argv[4], seed)
                                                  : RunHostile(argv[2], argv[3], argv[4], seed);
  }
  return RunAll(argc, argv);
}
