// What a resident tollivox.exe costs the machine while it waits: its CPU time over a long idle
// watch, and its working set beside a minimal window program's.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
// After <windows.h>, which bench_support.h brings.
#include <psapi.h>

namespace tollivox::bench {

namespace {

double FileTimeSeconds(const FILETIME& Time) {
  ULARGE_INTEGER value;
  value.LowPart = Time.dwLowDateTime;
  value.HighPart = Time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 1e7;
}

// User plus kernel time of a process, in seconds; negative when it cannot be read.
double ProcessCpuSeconds(HANDLE Process) {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(Process, &creation, &exit, &kernel, &user)) return -1;
  return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

// User plus system time of a Unix process (the wineserver), read from /proc through drive Z:;
// negative when there is no such file (not under Wine).
double UnixProcessCpuSeconds(long long Pid) {
  if (Pid <= 0) return -1;
  std::ifstream stat("Z:\\proc\\" + std::to_string(Pid) + "\\stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  // The command name may hold blanks; the numbered fields start after its closing parenthesis.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(line.substr(close + 1));
  std::vector<std::string> values;
  for (std::string value; fields >> value;) values.push_back(value);
  // Fields 14 and 15 (utime, stime), counted from field 3 here, in ticks of 1/100 s.
  if (values.size() < 13) return -1;
  return (std::stod(values[11]) + std::stod(values[12])) / 100.0;
}

std::wstring TollivoxPath(const Arguments& Args) {
  return Args.Text(L"tollivox").value_or(ProgramFolder() + L"\\tollivox.exe");
}

struct Child {
  win32::KernelHandle Process;
  DWORD Id = 0;
};

Child StartChild(const std::wstring& Command) {
  Child child;
  child.Process = StartProcess(Command, &child.Id);
  if (child.Process.Valid()) WaitForInputIdle(child.Process.Get(), 30000);
  return child;
}

// tollivox.exe watching for a title that never comes up, at the default interval.
Child StartIdleTollivox(const std::wstring& Program, const std::wstring& Console) {
  return StartChild(Quoted(Program) + L" /W:" + UniqueName(L"TollivoxNeverSeen") + L" /T:-1" +
                    Console);
}

bool StillRunning(HANDLE Process) {
  DWORD code = 0;
  return GetExitCodeProcess(Process, &code) && code == STILL_ACTIVE;
}

}  // namespace

int RunIdleBench(const Arguments& Args) {
  const int seconds = static_cast<int>(Args.Number(L"seconds", 60));
  const int windowCount = static_cast<int>(Args.Number(L"windows", 200));
  const long long serverPid = Args.Number(L"server-pid", 0);

  WindowHolder holder(windowCount, UniqueName(L"Idle Document"));
  if (!holder.Ready()) {
    std::fprintf(stderr, "idle: the window holder did not come up\n");
    return 1;
  }
  Child tollivox = StartIdleTollivox(TollivoxPath(Args), L" /H:2");
  HANDLE process = tollivox.Process.Get();
  if (!tollivox.Process.Valid()) return 1;
  // Past start-up and the first ticks.
  Sleep(3000);

  const double cpu0 = ProcessCpuSeconds(process);
  const double server0 = UnixProcessCpuSeconds(serverPid);
  const double wall0 = NowSeconds();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double cpu1 = ProcessCpuSeconds(process);
  const double server1 = UnixProcessCpuSeconds(serverPid);
  const double wall = NowSeconds() - wall0;
  const bool running = StillRunning(process);
  CloseOrEnd(process, tollivox.Id);

  if (!running || cpu0 < 0 || cpu1 < 0) {
    std::fprintf(stderr, "idle: tollivox.exe %s\n",
                 running ? "gave no process times" : "ended during the measurement");
    return 1;
  }
  const double cpu = cpu1 - cpu0;
  const double ticks = wall / 1.5;
  std::printf("idle: tollivox.exe /W:<absent title> /T:-1 /H:2 at the default 1500 ms, %d windows "
              "of a helper on the desktop, %.1f s\n",
              windowCount, wall);
  std::printf("  tollivox.exe CPU %.3f s = %.4f %% of a core (goal < 0.1 %%), %.2f ms per tick\n",
              cpu, cpu / wall * 100.0, cpu * 1000.0 / ticks);
  if (server0 >= 0 && server1 >= 0) {
    std::printf("  wineserver CPU over the same time %.3f s = %.4f %% of a core (serves the window "
                "calls; not part of the goal)\n",
                server1 - server0, (server1 - server0) / wall * 100.0);
  }
  return 0;
}

int RunMemoryBench(const Arguments& Args) {
  const int settle = static_cast<int>(Args.Number(L"settle", 5));
  const int rounds = static_cast<int>(Args.Number(L"rounds", 3));
  const std::wstring minimal =
      Args.Text(L"minimal").value_or(ProgramFolder() + L"\\bench_minimal_window.exe");

  struct Subject {
    const char* Name;
    std::vector<double> Peak;
    std::vector<double> Current;
  };
  std::vector<Subject> subjects = {{"minimal window program", {}, {}},
                                   {"tollivox.exe /H:2 (hidden console)", {}, {}},
                                   {"tollivox.exe (console minimised, tray icon)", {}, {}}};
  for (int round = 0; round < rounds; ++round) {
    // All three side by side, so that they meet the same state of the machine.
    std::vector<Child> processes;
    processes.push_back(StartChild(Quoted(minimal)));
    processes.push_back(StartIdleTollivox(TollivoxPath(Args), L" /H:2"));
    processes.push_back(StartIdleTollivox(TollivoxPath(Args), L""));
    Sleep(static_cast<DWORD>(settle) * 1000);
    for (std::size_t i = 0; i < processes.size(); ++i) {
      PROCESS_MEMORY_COUNTERS counters{};
      counters.cb = sizeof counters;
      HANDLE process = processes[i].Process.Get();
      if (!processes[i].Process.Valid() || !StillRunning(process) ||
          !K32GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        std::fprintf(stderr, "memory: no figures for %s\n", subjects[i].Name);
        return 1;
      }
      subjects[i].Peak.push_back(static_cast<double>(counters.PeakWorkingSetSize) / 1024.0);
      subjects[i].Current.push_back(static_cast<double>(counters.WorkingSetSize) / 1024.0);
    }
    for (Child& child : processes) CloseOrEnd(child.Process.Get(), child.Id);
  }
  std::printf("memory: working sets after %d s idle, medians of %d rounds\n", settle, rounds);
  const double base = Median(subjects[0].Peak);
  for (const Subject& subject : subjects) {
    const double peak = Median(subject.Peak);
    std::printf("  %-44s peak %8.0f KiB  now %8.0f KiB  peak %+7.0f KiB against the minimal "
                "program (x%.2f)\n",
                subject.Name, peak, Median(subject.Current), peak - base, peak / base);
  }
  return 0;
}

}  // namespace tollivox::bench
