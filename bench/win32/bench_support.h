// Pieces shared by the Windows benchmarks: a clock, statistics, child processes, and the quiet
// platform parts that stand in for the console, timer, tray and dialogs where a benchmark drives
// the real form without a window of its own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/controls.h"
#include "platform/win32/services.h"

namespace tollivox::bench {

class Arguments;

// ---- The modes of win32_bench, one per measured figure. ----
int RunTickBench(const Arguments& Args);
int RunTokensBench(const Arguments& Args);
int RunLatencyBench(const Arguments& Args);
int RunIdleBench(const Arguments& Args);
int RunMemoryBench(const Arguments& Args);
int RunLogBench(const Arguments& Args);
// A child of the log benchmark: one writer.
int RunLogWriter(const Arguments& Args);

// ---- Command line of a mode: "--name value" pairs after the mode's name. ----
class Arguments {
 public:
  Arguments(int Argc, wchar_t** Argv, int First);
  std::optional<std::wstring> Text(std::wstring_view Name) const;
  // The value of --Name as a number, or Default; exits with a usage error for a bad number.
  long long Number(std::wstring_view Name, long long Default) const;

 private:
  std::vector<std::wstring> items_;
};

// ---- Time. ----
double NowSeconds();  // QueryPerformanceCounter in seconds

// ---- Statistics over samples. ----
double Median(std::vector<double> Samples);
// Nearest-rank percentile, Percent in 0..100.
double Percentile(std::vector<double> Samples, double Percent);

// ---- Processes. ----
std::wstring SelfPath();
std::wstring ProgramFolder();
std::wstring Quoted(const std::wstring& Argument);
// Starts CommandLine (program path first); the process handle, or an invalid one.
win32::KernelHandle StartProcess(const std::wstring& CommandLine, DWORD* ProcessId = nullptr);
// The exit code, or -1 when the process did not end within Milliseconds.
long WaitForExit(HANDLE Process, DWORD Milliseconds);
// Asks every top-level window of the process to close, as a user closing it would, and ends the
// process by force when that has not ended it within Milliseconds.
void CloseOrEnd(HANDLE Process, DWORD ProcessId, DWORD Milliseconds = 10000);
std::wstring UniqueName(std::wstring_view Tag);
std::wstring TempFolder();

// The title of window Number: "TitleStem Number", or for a page "TitleStem [Number]", which no
// other page's title contains.
std::wstring PageTitle(std::wstring_view TitleStem, int Number, bool Pages);

// A copy of this program holding Count titled top-level windows until it is let go; with Pages,
// each shows a checked "I &accept the terms" box and a "&Next >" button, of the system's classes,
// of Inno Setup's (Family "framework"), or of classes known only by asking them ("asked").
class WindowHolder {
 public:
  WindowHolder(int Count, std::wstring_view TitleStem, bool Pages = false,
               std::wstring_view Family = {});
  ~WindowHolder();
  WindowHolder(const WindowHolder&) = delete;
  WindowHolder& operator=(const WindowHolder&) = delete;
  bool Ready() const { return ready_; }

 private:
  win32::KernelHandle quit_;
  win32::KernelHandle process_;
  bool ready_ = false;
};
// The helper mode behind WindowHolder:
// hold-windows COUNT STEM READY_EVENT QUIT_EVENT [pages system|framework|asked].
int RunHoldWindows(int Argc, wchar_t** Argv);
// Creates Count top-level windows "TitleStem N" in this thread (hidden unless Visible); they live
// until the thread's windows are destroyed or the process ends.
bool CreateTitledWindows(int Count, std::wstring_view TitleStem, bool Visible, bool Pages = false,
                         std::wstring_view Family = {});

// ---- Quiet platform parts: they do nothing costly and never show anything. ----
class QuietView final : public IConsoleView {
 public:
  WindowHandle Handle() override { return 0; }
  std::uint32_t IconHandle() override { return 0; }
  void SetCaption(const std::string&) override {}
  void SetText(Control, const std::string&) override {}
  std::string Text(Control) override { return {}; }
  void SetEnabled(Control, bool) override {}
  bool IsEnabled(Control) override { return true; }
  void SetFocus(Control) override {}
  void CaretToEnd(Control) override {}
  WindowState State() override { return WindowState::Minimized; }
  void SetState(WindowState) override {}
  double OuterWidth() override { return 0; }
  double OuterHeight() override { return 0; }
  void SetOuterHeight(double) override {}
  void Move(double, double) override {}
  void Show() override {}
  void Hide() override {}
  bool IsVisible() override { return false; }
  void Repaint() override {}
  void SetMousePointer(MousePointer) override {}
  void PopupTrayMenu() override {}
  void Unload() override {}
  double ScreenWidth() override { return 0; }
  double ScreenHeight() override { return 0; }
  double TwipsPerPixelX() override { return 15; }
};

class QuietTimer final : public ITimer {
 public:
  void SetInterval(std::int32_t) override {}
  void SetEnabled(bool Enabled) override { enabled_ = Enabled; }
  bool Enabled() override { return enabled_; }

 private:
  bool enabled_ = false;
};

class QuietLoop final : public IEventLoop {
 public:
  void DoEvents() override {}
};

class QuietTray final : public ITray {
 public:
  bool Add(const TrayIconRecord&) override { return true; }
  void Remove(const TrayIconRecord&) override {}
  std::uint32_t TaskBarState() override { return 0; }
};

class QuietKeyboard final : public IKeyboard {
 public:
  SendCount Send(const std::vector<KeyEvent>& Events) override {
    return {Events.size(), Events.size()};
  }
  bool DesktopReceivesInput() override { return true; }
};

class QuietLauncher final : public ILauncher {
 public:
  Status Start(const std::string&, int) override { return Status{53, "File not found"}; }
};

// A box would stop an unattended run: its text goes to the error stream instead, and the run
// counts as failed.
class StderrDialogs final : public IDialogs {
 public:
  MsgBoxAnswer ShowMessageBox(const std::string& Text, const std::string& Title,
                              MsgBoxButtons Buttons, MsgBoxIcon Icon) override;
};

// The form's platform for a benchmark: the real windows, controls, files, clock and system, the
// keyboard the benchmark chooses, and the quiet parts for the rest. InstanceName keeps a running
// copy of the program out of the way.
struct BenchPlatform {
  explicit BenchPlatform(IKeyboard& Keyboard, const std::wstring& InstanceName)
      : Files(InstanceName), Os{Windows, Keyboard, Launcher, Files, Dialogs, Clock,
                                System,  View,     Timer,    Loop,  Tray,    Controls} {}
  win32::Win32Windows Windows;
  win32::Win32Controls Controls{Windows};
  QuietLauncher Launcher;
  win32::Win32Files Files;
  StderrDialogs Dialogs;
  win32::Win32Clock Clock;
  win32::Win32System System;
  QuietView View;
  QuietTimer Timer;
  QuietLoop Loop;
  QuietTray Tray;
  Platform Os;
};

}  // namespace tollivox::bench
