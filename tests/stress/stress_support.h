// Shared pieces of the log stress program, the log-writing driver and the fault tests: the line
// each driver copy writes, the check of a finished log, the quiet stand-ins for the parts of the
// platform a log writer or reader never shows, and child processes.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/services.h"

namespace tollivox::stress {

// Exit codes of the driver besides the program's own (0 done, 3 ended by the log).
inline constexpr int kDriverBadArguments = 64;

// What copy Copy logs as its line number Seq: "copy=C seq=S " and a padding whose length and
// letters follow from both numbers, so that a line cut short or spliced from two never passes
// for a whole one.
std::string Payload(int Copy, int Seq);

// The dated stamps ("ddd mm/dd/yy hh:mm:ss" after the regional settings) of every second from
// From to To, local time, with a second of slack on each side.
std::set<std::string> StampsBetween(const SYSTEMTIME& From, const SYSTEMTIME& To);

// What a driver copy was asked to write and how it ended.
struct CopyPlan {
  int Lines = 0;
  // The line it was writing when the failure box came up; 0 when it never came.
  int FailedSeq = 0;
};

struct LogFigures {
  std::int64_t Expected = 0;      // lines the copies were asked to write
  std::int64_t Found = 0;         // whole dated lines of a copy in the file
  std::int64_t Lost = 0;          // lines asked for and not found
  std::int64_t Duplicated = 0;    // repeats of a line already found
  std::int64_t Torn = 0;          // anything that is not one whole dated line of a copy
  std::int64_t OutOfOrder = 0;    // lines found after a later line of the same copy
  std::int64_t AfterFailure = 0;  // lines of a copy from the one its failure box was about on
  bool Clean() const {
    return Lost == 0 && Duplicated == 0 && Torn == 0 && OutOfOrder == 0 && AfterFailure == 0;
  }
};

// Checks a finished log against the plans of copies 1 to Plans.size() (Plans[0] is copy 1).
// A copy that ended with the failure box is expected to have written its lines before the one
// the box was about, and nothing from there on.
LogFigures CheckLog(std::string_view Content, const std::vector<CopyPlan>& Plans,
                    const std::set<std::string>& Stamps);

// The highest line number of Copy found whole in Content (0 when none): how far a copy that
// was killed got.
int LastSeqOf(std::string_view Content, int Copy, const std::set<std::string>& Stamps);

// The console, timer, message loop and tray of a form that only logs or reads the log: it
// keeps the texts it is given and shows nothing.
class QuietConsole final : public IConsoleView, public ITimer, public IEventLoop, public ITray {
 public:
  WindowHandle Handle() override { return 0; }
  std::uint32_t IconHandle() override { return 0; }
  void SetCaption(const std::string&) override {}
  void SetText(Control Which, const std::string& Text) override { texts_[Which] = Text; }
  std::string Text(Control Which) override;
  void SetEnabled(Control, bool) override {}
  bool IsEnabled(Control) override { return true; }
  void SetFocus(Control) override {}
  void CaretToEnd(Control) override {}
  WindowState State() override { return WindowState::Minimized; }
  void SetState(WindowState) override {}
  double OuterWidth() override { return 7575; }
  double OuterHeight() override { return height_; }
  void SetOuterHeight(double Twips) override { height_ = Twips; }
  void Move(double, double) override {}
  void Show() override {}
  void Hide() override {}
  bool IsVisible() override { return false; }
  void Repaint() override {}
  void SetMousePointer(MousePointer) override {}
  void PopupTrayMenu() override {}
  void Unload() override {}
  double ScreenWidth() override { return 15360; }
  double ScreenHeight() override { return 11520; }
  double TwipsPerPixelX() override { return 15; }

  void SetInterval(std::int32_t) override {}
  void SetEnabled(bool Enabled) override { timerOn_ = Enabled; }
  bool Enabled() override { return timerOn_; }

  void DoEvents() override {}

  bool Add(const TrayIconRecord&) override { return true; }
  void Remove(const TrayIconRecord&) override {}
  std::uint32_t TaskBarState() override { return 0; }

 private:
  std::map<Control, std::string> texts_;
  double height_ = 1740;
  bool timerOn_ = false;
};

// Message boxes for an unattended run: the box is written to a report file ("seq=S", then its
// text) instead of being shown, and answered OK. Seq is the line being logged at the time.
class ReportingDialogs final : public IDialogs {
 public:
  explicit ReportingDialogs(std::wstring ReportPath) : reportPath_(std::move(ReportPath)) {}
  MsgBoxAnswer ShowMessageBox(const std::string& Text, const std::string& Title,
                              MsgBoxButtons Buttons, MsgBoxIcon Icon) override;
  int Seq = 0;

 private:
  std::wstring reportPath_;
};

// A report as ReportingDialogs writes it; FailedSeq 0 when there is none.
struct BoxReport {
  int FailedSeq = 0;
  std::string Text;
};
BoxReport ReadBoxReport(const std::wstring& Path);

std::string ReadWholeFile(const std::wstring& Path);
bool WriteWholeFile(const std::wstring& Path, std::string_view Content);
bool FileExists(const std::wstring& Path);
// The folder of the running program, where its companion programs lie.
std::wstring ProgramFolder();
std::wstring Quoted(const std::wstring& Argument);

// A child process, killed when its holder goes while it still runs.
class Child {
 public:
  Child() = default;
  Child(Child&&) = default;
  Child& operator=(Child&&) = default;
  ~Child();
  // False when the program could not be started.
  bool Start(const std::wstring& CommandLine);
  bool Running() const;
  // The exit code, or -1 when the process is still running after TimeoutMs.
  int Wait(DWORD TimeoutMs);
  void Kill();
  void* Handle() const { return process_.Get(); }

 private:
  win32::KernelHandle process_;
};

// A named event for the children to wait on; manual reset, not set.
win32::KernelHandle MakeEvent(const std::wstring& Name);

}  // namespace tollivox::stress
