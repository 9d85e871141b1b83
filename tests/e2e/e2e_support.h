// Support for the end-to-end tests: the real tollivox.exe started as a user would, beside real
// target windows, and judged by what a user sees. Every wait polls for an event with a generous
// limit, so the tests pass on a loaded machine.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tollivox::e2e {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kWaitLimit = 30s;
inline constexpr std::chrono::milliseconds kPollInterval = 50ms;

// The exit codes the program documents.
inline constexpr DWORD kExitFinished = 0;
inline constexpr DWORD kExitRefused = 1;
inline constexpr DWORD kExitFatal = 2;
inline constexpr DWORD kExitLogFailure = 3;

std::wstring Widen(std::string_view Utf8);
std::string Narrow(std::wstring_view Wide);
// What a text becomes after a trip through the ANSI code page, as the log file stores it.
std::string AnsiRoundTrip(std::string_view Utf8);

// Polls Done until it holds or Limit has passed; the result is Done's last answer.
bool WaitUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit = kWaitLimit);

// The caption of the console and the title of every message box.
std::string AppTitle();

// Folder that holds tollivox.exe, testwin.exe and the shutdown stand-in.
std::wstring BinDir();
std::wstring BinProgram(std::wstring_view Name);
// The tollivox.exe that TOLLIVOX_EXE names, or empty.
std::wstring InstalledProgram();
// Where the shipped Shutdown.exe of an installed program goes when the stand-in takes its place.
std::wstring ShippedShutdown(const std::wstring& Folder);
bool FileExists(const std::wstring& Path);
std::string ReadFileBytes(const std::wstring& Path);
// Names of the files in Folder, sorted.
std::vector<std::string> FileNames(const std::wstring& Folder);
// The 8.3 form where the file system offers one, so a path can stand in a command without quotes.
std::wstring ShortPath(const std::wstring& Path);

// A folder of its own for one test under %TEMP%: the program folder with the copies of the
// programs, and the log. Removed at the end unless the test failed.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring File(std::wstring_view Name) const { return path_ + L"\\" + std::wstring(Name); }

 private:
  std::wstring path_;
};

class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& Other) noexcept;
  Process& operator=(Process&& Other) noexcept;

  // Program is started with "Program" Arguments as its command line, in Folder.
  static Process Start(const std::wstring& Program, std::string_view Arguments,
                       const std::wstring& Folder);

  DWORD Id() const { return id_; }
  bool Running() const;
  // The exit code once the process has ended, or nothing when it is still running at the limit.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds Limit = kWaitLimit);
  void Terminate();

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

struct TestWindowOptions {
  bool Hidden = false;
  bool Disabled = false;
  // Any further testwin arguments, as command-line text.
  std::string Extra;
};

// A testwin target window: what it received and how its state changed.
class TestWindow {
 public:
  // Starts testwin and waits until its window is up and its message loop runs.
  TestWindow(const ScratchDir& Scratch, std::string_view Title, TestWindowOptions Options = {});
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return process_.Id(); }
  // Everything its edit box received so far, as UTF-8.
  std::string Received() const;
  // Waits until at least Size bytes were received; the text received then.
  std::string WaitForReceived(std::size_t Size, std::chrono::milliseconds Limit = kWaitLimit) const;
  std::vector<std::string> States() const;
  void Close();
  // Ends it at once, for a window that no longer answers.
  void Terminate() { process_.Terminate(); }

 private:
  Process process_;
  HWND window_ = nullptr;
  std::wstring record_;
  std::wstring state_;
};

// The program under test, run from a copy in the test's scratch folder; or, when TOLLIVOX_EXE
// names a tollivox.exe (an unzipped download), that file where it lies. Either way the
// Shutdown.exe beside it is the stand-in, and the scratch folder is the current folder.
class Tollivox {
 public:
  explicit Tollivox(const ScratchDir& Scratch);
  ~Tollivox();

  void Start(std::string_view Arguments);
  DWORD ProcessId() const { return process_.Id(); }
  bool Running() const { return process_.Running(); }
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds Limit = kWaitLimit) {
    return process_.WaitForExit(Limit);
  }
  // The console window, once it exists (null at the limit).
  HWND WaitForConsole(std::chrono::milliseconds Limit = kWaitLimit) const;
  const std::wstring& Folder() const { return folder_; }

 private:
  std::wstring program_;
  std::wstring folder_;
  std::wstring current_;
  Process process_;
};

// ---- the log file ----

struct LogLine {
  std::string Stamp;  // "ddd mm/dd/yy hh:mm:ss" as written
  std::string Text;   // the logged text, converted from the ANSI code page to UTF-8
};

// The lines of a log file; a line that lacks its CR LF or its ": " after the stamp fails the
// calling test.
std::vector<LogLine> ReadLog(const std::wstring& Path);
std::vector<std::string> LogTexts(const std::wstring& Path);
// Waits until the log holds a line with exactly Text; the texts read last.
std::vector<std::string> WaitForLogLine(const std::wstring& Path, std::string_view Text,
                                        std::chrono::milliseconds Limit = kWaitLimit);
// Whether Stamp has the shape "ddd mm/dd/yy hh:mm:ss" with a real time of day and today's date.
testing::AssertionResult IsTodaysStamp(const std::string& Stamp);

// ---- message boxes ----

// A visible message box of Pid titled Title, or null.
HWND FindMessageBox(DWORD Pid, std::string_view Title);
// The process's visible message boxes, whatever their titles.
std::size_t MessageBoxCount(DWORD Pid);
HWND WaitForMessageBox(DWORD Pid, std::string_view Title,
                       std::chrono::milliseconds Limit = kWaitLimit);
std::string MessageBoxText(HWND Box);
enum class BoxIcon { None, Information, Critical, Question, Warning };
std::string ToString(BoxIcon Icon);
// The icon the box shows, told from its pixels on the screen (icon handles do not cross
// processes under Wine).
BoxIcon MessageBoxIcon(HWND Box);
// Presses the box's button Id (IDOK, IDYES, IDNO) as a click would.
void PressButton(HWND Box, int Id);

// A visible top-level window of any program whose title is exactly Title, or null.
HWND FindWindowTitled(std::string_view Title);
HWND WaitForWindowTitled(std::string_view Title, std::chrono::milliseconds Limit = kWaitLimit);

// ---- the console and the tray ----

HWND FindConsole(DWORD Pid);
// The console's icon is in the notification area: the shell accepts a change to it.
bool TrayIconExists(HWND Console);
// The task bar counts as auto-hide or always on top (always, since Windows 7), so a minimised
// console hides itself.
bool TaskBarReported();
HWND FindChildByText(HWND Parent, std::string_view Text);
// Clicks a button of another process's window through its parent's command message.
void ClickButton(HWND Button);
// The text of a window or control of another process.
std::string TextOf(HWND Window);
// What the shell sends the console when the mouse message Mouse (WM_LBUTTONUP, ...) happens on
// its tray icon.
void PostTrayNotification(HWND Console, UINT Mouse);
// The open pop-up menu of Pid, or null.
HWND FindPopupMenu(DWORD Pid);
HWND WaitForPopupMenu(DWORD Pid, std::chrono::milliseconds Limit = kWaitLimit);

// Each test gets its own scratch folder; processes and windows it started end with it.
class E2eTest : public testing::Test {
 protected:
  ScratchDir Scratch;

  TestWindow& Window(std::string_view Title, TestWindowOptions Options = {});
  Tollivox& Program();
  Tollivox& StartProgram(std::string_view Arguments);
  std::wstring LogPath(std::wstring_view Name = L"run.log") const { return Scratch.File(Name); }

 private:
  std::vector<std::unique_ptr<TestWindow>> windows_;
  std::unique_ptr<Tollivox> program_;
};

}  // namespace tollivox::e2e
