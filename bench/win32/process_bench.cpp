// What a resident tollivox.exe costs the machine while it waits: its CPU time over a long idle
// watch, and its working set beside a minimal window program's.
//
// Wine 8 answers GetProcessTimes about another process with the caller's own times, and
// GetProcessMemoryInfo with zeros. Under Wine the figures therefore come from the Unix process
// behind the Windows one, read from /proc through drive Z: (user plus system time; VmHWM and
// VmRSS, the Linux names of the peak and current working set).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/win32/text.h"
// After <windows.h>, which bench_support.h brings.
#include <psapi.h>

namespace tollivox::bench {

namespace {

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ReadUnixFile(const std::string& Path) {
  std::ifstream file(std::filesystem::path(Path), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// User plus system time of a Unix process in seconds; negative when it cannot be read.
double UnixProcessCpuSeconds(long long Pid) {
  if (Pid <= 0) return -1;
  const std::string line = ReadUnixFile("Z:\\proc\\" + std::to_string(Pid) + "\\stat");
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

// A "Name: value kB" line of /proc/PID/status, in KiB; negative when missing.
double UnixStatusKib(long long Pid, const std::string& Name) {
  std::istringstream status(ReadUnixFile("Z:\\proc\\" + std::to_string(Pid) + "\\status"));
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, Name.size() + 1, Name + ":") == 0) {
      return std::stod(line.substr(Name.size() + 1));
    }
  }
  return -1;
}

// The Unix process running Program whose command line holds Marker; 0 when there is none.
long long UnixPidOf(const std::string& Program, const std::string& Marker) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string line = ReadUnixFile("Z:\\proc\\" + name + "\\cmdline");
    // Wine shows the program's arguments, each ended by a NUL; the first names the program (a
    // launcher such as start.exe may carry the same arguments). It may hold blanks (Program
    // Files), so it ends at the first NUL.
    const std::string first = line.substr(0, line.find('\0'));
    if (line.find(Marker) == std::string::npos || first.size() < Program.size() ||
        first.compare(first.size() - Program.size(), Program.size(), Program) != 0) {
      continue;
    }
    return std::stoll(name);
  }
  return 0;
}

double FileTimeSeconds(const FILETIME& Time) {
  ULARGE_INTEGER value;
  value.LowPart = Time.dwLowDateTime;
  value.HighPart = Time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 1e7;
}

// A child process and the way to read its figures.
struct Child {
  win32::KernelHandle Process;
  DWORD Id = 0;
  long long UnixPid = 0;  // under Wine

  bool Running() const {
    DWORD code = 0;
    return Process.Valid() && GetExitCodeProcess(Process.Get(), &code) && code == STILL_ACTIVE;
  }
  // User plus kernel time in seconds; negative when it cannot be read.
  double CpuSeconds() const {
    if (UnixPid > 0) return UnixProcessCpuSeconds(UnixPid);
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(Process.Get(), &creation, &exit, &kernel, &user)) return -1;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
  }
  // Peak and current working set in KiB; false when they cannot be read.
  bool WorkingSet(double& PeakKib, double& CurrentKib) const {
    if (UnixPid > 0) {
      PeakKib = UnixStatusKib(UnixPid, "VmHWM");
      CurrentKib = UnixStatusKib(UnixPid, "VmRSS");
      return PeakKib > 0 && CurrentKib > 0;
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(Process.Get(), &counters, sizeof counters)) return false;
    PeakKib = static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
    CurrentKib = static_cast<double>(counters.WorkingSetSize) / 1024.0;
    return PeakKib > 0;
  }
  void End() {
    if (Process.Valid()) CloseOrEnd(Process.Get(), Id);
  }
};

// Starts Program with Arguments, which hold the text Marker that no other process shows, and
// waits until it is in its message loop.
Child StartChild(const std::wstring& Program, const std::wstring& Arguments,
                 const std::wstring& Marker) {
  Child child;
  child.Process = StartProcess(Quoted(Program) + L" " + Arguments, &child.Id);
  if (!child.Process.Valid()) return child;
  WaitForInputIdle(child.Process.Get(), 30000);
  if (UnderWine()) {
    const std::string program = win32::Narrow(std::filesystem::path(Program).filename().wstring());
    child.UnixPid = UnixPidOf(program, win32::Narrow(Marker));
    if (child.UnixPid == 0) std::fprintf(stderr, "no Unix process found for %s\n", program.c_str());
  }
  return child;
}

std::wstring TollivoxPath(const Arguments& Args) {
  return Args.Text(L"tollivox").value_or(ProgramFolder() + L"\\tollivox.exe");
}

// tollivox.exe watching for a title that never comes up, at the default interval.
Child StartIdleTollivox(const std::wstring& Program, const std::wstring& Console) {
  const std::wstring title = UniqueName(L"TollivoxNeverSeen");
  return StartChild(Program, L"/W:" + title + L" /T:-1" + Console, title);
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
  // Past start-up and the first ticks.
  Sleep(3000);

  const double cpu0 = tollivox.CpuSeconds();
  const double server0 = UnixProcessCpuSeconds(serverPid);
  const double wall0 = NowSeconds();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double cpu1 = tollivox.CpuSeconds();
  const double server1 = UnixProcessCpuSeconds(serverPid);
  const double wall = NowSeconds() - wall0;
  const bool running = tollivox.Running();
  tollivox.End();

  if (!running || cpu0 < 0 || cpu1 < 0) {
    std::fprintf(stderr, "idle: tollivox.exe %s\n",
                 running ? "gave no process times" : "ended during the measurement");
    return 1;
  }
  const double cpu = cpu1 - cpu0;
  const double ticks = wall / 1.5;
  std::printf(
      "idle: tollivox.exe /W:<absent title> /T:-1 /H:2 at the default 1500 ms, %d windows "
      "of a helper on the desktop, %.1f s, CPU read from %s\n",
      windowCount, wall, tollivox.UnixPid > 0 ? "/proc (Wine)" : "GetProcessTimes");
  std::printf("  tollivox.exe CPU %.3f s = %.3f %% of a core (goal < 0.1 %%), %.2f ms per tick\n",
              cpu, cpu / wall * 100.0, cpu * 1000.0 / ticks);
  if (server0 >= 0 && server1 >= 0) {
    std::printf(
        "  wineserver CPU over the same time %.3f s = %.3f %% of a core (serves the window "
        "calls of every program in the prefix)\n",
        server1 - server0, (server1 - server0) / wall * 100.0);
  }
  return 0;
}

int RunMemoryBench(const Arguments& Args) {
  const int settle = static_cast<int>(Args.Number(L"settle", 5));
  const int rounds = static_cast<int>(Args.Number(L"rounds", 3));
  const std::wstring minimal =
      Args.Text(L"minimal").value_or(ProgramFolder() + L"\\bench_minimal_window.exe");
  // A copy of tollivox.exe without its debug sections, which Wine reads into memory whole.
  const std::optional<std::wstring> stripped = Args.Text(L"stripped");

  struct Subject {
    const char* Name;
    std::vector<double> Peak;
    std::vector<double> Current;
  };
  std::vector<Subject> subjects = {{"minimal window program", {}, {}},
                                   {"tollivox.exe /H:2 (hidden console)", {}, {}},
                                   {"tollivox.exe (console minimised, tray icon)", {}, {}}};
  if (stripped) subjects.push_back({"tollivox.exe /H:2, debug sections stripped", {}, {}});
  bool ok = true;
  for (int round = 0; round < rounds && ok; ++round) {
    // All side by side, so that they meet the same state of the machine.
    std::vector<Child> children;
    const std::wstring marker = UniqueName(L"minimal");
    children.push_back(StartChild(minimal, marker, marker));
    children.push_back(StartIdleTollivox(TollivoxPath(Args), L" /H:2"));
    children.push_back(StartIdleTollivox(TollivoxPath(Args), L""));
    if (stripped) children.push_back(StartIdleTollivox(*stripped, L" /H:2"));
    Sleep(static_cast<DWORD>(settle) * 1000);
    for (std::size_t i = 0; i < children.size(); ++i) {
      double peak = 0;
      double current = 0;
      if (!children[i].Running() || !children[i].WorkingSet(peak, current)) {
        std::fprintf(stderr, "memory: no figures for %s\n", subjects[i].Name);
        ok = false;
        break;
      }
      subjects[i].Peak.push_back(peak);
      subjects[i].Current.push_back(current);
    }
    for (Child& child : children) child.End();
  }
  if (!ok) return 1;
  std::printf("memory: working sets after %d s idle, medians of %d rounds, read from %s\n", settle,
              rounds, UnderWine() ? "/proc VmHWM and VmRSS (Wine)" : "GetProcessMemoryInfo");
  const double base = Median(subjects[0].Peak);
  for (const Subject& subject : subjects) {
    const double peak = Median(subject.Peak);
    std::printf(
        "  %-44s peak %7.0f KiB  now %7.0f KiB  peak %+6.0f KiB against the minimal "
        "program (x%.2f)\n",
        subject.Name, peak, Median(subject.Current), peak - base, peak / base);
  }
  return 0;
}

}  // namespace tollivox::bench
