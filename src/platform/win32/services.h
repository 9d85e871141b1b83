// The Windows implementations of the platform services, except the console window, timer,
// event loop and tray (console_window.h, tray.h) and the keyboard (keyboard.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tollivox::win32 {

// A kernel object handle (file, process, mutex), closed when the holder goes. Kept free of
// <windows.h> so that this header stays light; a HANDLE is a void*.
class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(void* Handle) : handle_(Handle) {}
  KernelHandle(KernelHandle&& Other) noexcept : handle_(Other.Release()) {}
  KernelHandle& operator=(KernelHandle&& Other) noexcept;
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  ~KernelHandle() { Reset(); }

  void* Get() const { return handle_; }
  // Null and INVALID_HANDLE_VALUE both mean no handle.
  bool Valid() const;
  void* Release();
  // Closes the handle; false when CloseHandle failed.
  bool Reset();

 private:
  void* handle_ = nullptr;
};

class Win32Windows final : public IWindows {
 public:
  // How long a window's thread may take to answer before it counts as not answering. A thread
  // that pumps its messages answers at once; the console waits this long at most.
  static constexpr unsigned kAnswerMilliseconds = 500;

  WindowHandle DesktopWindow() override;
  WindowHandle NextWindow(WindowHandle Window, int Relation) override;
  std::string WindowTitle(WindowHandle Window) override;
  std::string ChildCaptions(WindowHandle Window) override;
  std::string WindowClass(WindowHandle Window) override;
  std::string ProgramFile(WindowHandle Window) override;
  bool IsVisible(WindowHandle Window) override;
  bool IsEnabled(WindowHandle Window) override;
  bool IsAlive(WindowHandle Window) override;
  bool IsResponding(WindowHandle Window) override;
  bool SetForeground(WindowHandle Window) override;
  void SetActive(WindowHandle Window) override;
  void Show(WindowHandle Window, int ShowCommand) override;
  bool OwnsForeground(WindowHandle Window) override;
  Elevation ElevationOf(WindowHandle Window) override;

 private:
  // The last window found not answering, and when (GetTickCount64): asked again within a
  // moment, it is taken as still not answering rather than waited for once more.
  WindowHandle silentWindow_ = 0;
  std::uint64_t silentSince_ = 0;
};

class Win32Launcher final : public ILauncher {
 public:
  Status Start(const std::string& CommandLine, int ShowMode) override;
};

class Win32Files final : public IFiles {
 public:
  // The instance mutex is created here and held as long as the object lives. Tests pass a name
  // of their own so that a running copy of the program does not disturb them.
  explicit Win32Files(std::wstring_view InstanceMutexName = kInstanceMutexName);

  bool Exists(const std::string& Path) override;
  Status Delete(const std::string& Path) override;
  AppendOpenResult OpenAppend(const std::string& Path) override;
  std::int32_t TrialOpenReadLocked(const std::string& Path) override;
  Status ReadLines(const std::string& Path,
                   const std::function<void(std::string_view Line)>& OnLine) override;
  Status CreateEmpty(const std::string& Path) override;
  double AgeSeconds(const std::string& Path) override;
  bool PreviousInstanceRunning() override;

  static constexpr std::wstring_view kInstanceMutexName = L"Local\\Tollivox.Instance";

 private:
  KernelHandle instanceMutex_;
  bool previousInstance_ = false;
};

class Win32Dialogs final : public IDialogs {
 public:
  MsgBoxAnswer ShowMessageBox(const std::string& Text, const std::string& Title,
                              MsgBoxButtons Buttons, MsgBoxIcon Icon) override;
};

class Win32Clock final : public IClock {
 public:
  double SecondsSinceMidnight() override;
  double MonotonicSeconds() override;
  std::string LocalDate() override;
  std::string LocalTime() override;
  void Pause(int Milliseconds) override;

 private:
  // A high-resolution waitable timer for short pauses, made at the first one; none where the
  // system has no such timers (before Windows 10 1803).
  KernelHandle preciseTimer_;
  bool preciseTried_ = false;
};

class Win32System final : public ISystem {
 public:
  std::string CommandLine() override;
  std::string ProgramFolder() override;
  VersionNumbers Version() override;
  std::string ToUpper(std::string_view Text) override;
  [[noreturn]] void EndProgram(int ExitCode) override;
  bool StationVisible() override;
};

// The mandatory integrity level (a SECURITY_MANDATORY_*_RID value) of a process; -1 when it
// cannot be read. 0 (a null handle) asks for our own process.
long IntegrityLevel(void* Process);

// Whether DWM keeps the window out of view (DWMWA_CLOAKED); false where DWM cannot tell.
bool IsCloaked(WindowHandle Window);

// The run-time error number a user sees for a failed file operation's system error code.
std::int32_t FileErrorNumber(std::uint32_t SystemError);

// The arguments part of a full process command line: what follows the program's own name
// (quoted or not) and the blanks and tabs after it.
std::wstring_view ArgumentText(std::wstring_view FullCommandLine);

// The log line's date "ddd mm/dd/yy" and time "hh:mm:ss" with the user's weekday abbreviations
// and separators. DayOfWeek counts from Sunday (0), as the system clock does.
std::string FormatLogDate(int Year, int Month, int Day, int DayOfWeek);
std::string FormatLogTime(int Hour, int Minute, int Second);

// The major and minor FILEVERSION numbers of a version resource's bytes; false when they are
// not one.
bool FixedFileVersion(const void* Resource, std::size_t Size, VersionNumbers& Version);
// The same from a loaded module's own version resource (an HMODULE; null: the program); false
// without one.
bool ReadModuleVersion(void* Module, VersionNumbers& Version);

}  // namespace tollivox::win32
