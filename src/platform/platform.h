// The operating-system seam. frmZandrel talks to the outside world only through these small
// interfaces; win32/ implements them with real calls and sim/ with a simulated desktop for tests.
// No Windows type appears here: a window handle is a 32-bit value and 0 means no window.
//
// Operation -> what the Windows implementation calls:
//   IWindows::DesktopWindow          GetDesktopWindow
//   IWindows::NextWindow             GetWindow(GW_CHILD = 5 / GW_HWNDNEXT = 2)
//   IWindows::WindowTitle            GetWindowTextW, once unless the title fills the buffer (UTF-8)
//   IWindows::IsVisible / IsEnabled  IsWindowVisible (and not cloaked: DwmGetWindowAttribute
//                                    DWMWA_CLOAKED) / IsWindowEnabled
//   IWindows::ChildCaptions          EnumChildWindows, IsWindowVisible, GetWindowTextW
//   IWindows::WindowClass            GetClassNameW
//   IWindows::ProgramFile            GetWindowThreadProcessId, OpenProcess(PROCESS_QUERY_LIMITED_
//                                    INFORMATION), QueryFullProcessImageNameW, the name only
//   IWindows::IsAlive                IsWindow
//   IWindows::IsResponding           IsHungAppWindow, SendMessageTimeoutW(SMTO_ABORTIFHUNG)
//   IWindows::SetForeground          SetForegroundWindow
//   IWindows::SetActive              SetActiveWindow (through AttachThreadInput for other threads
//                                    that answer)
//   IWindows::Show                   ShowWindowAsync for other threads' windows, else ShowWindow
//   IWindows::OwnsForeground         GetForegroundWindow, GetWindow(GW_OWNER)
//   IWindows::IsOurs                 GetWindowThreadProcessId, GetCurrentProcessId
//   IWindows::ElevationOf            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION), the token's
//                                    TokenIntegrityLevel, against our own
//   IControls::ShownControls         EnumChildWindows, IsWindowVisible, GetClassNameW,
//                                    RealGetWindowClassW, GetWindowTextW, GetWindowLongW
//                                    (GWL_STYLE), IsWindowEnabled, GetGUIThreadInfo (the focus);
//                                    DialogCode for a class the names do not tell
//   IControls::DialogCode            SendMessageTimeoutW(WM_GETDLGCODE)
//   IControls::Press                 PostMessageW(GetParent, WM_COMMAND, BN_CLICKED)
//   IControls::MousePress            GetClientRect, PostMessageW(WM_LBUTTONDOWN, WM_LBUTTONUP)
//   IControls::IsChecked             SendMessageTimeoutW(BM_GETCHECK)
//   IControls::SetChecked            IsHungAppWindow, SendMessageTimeoutW(BM_SETCHECK) for the
//                                    self-checking styles (a radio's group by
//                                    GetNextDlgGroupItem), then SendMessageTimeoutW(GetParent,
//                                    WM_COMMAND, BN_CLICKED)
//   IControls::SetText               SendMessageTimeoutW(WM_SETTEXT), WM_COMMAND EN_CHANGE where
//                                    the edit does not send it, SendMessageTimeoutW(WM_GETTEXT)
//                                    (for a password box, WM_SETTEXT's own result)
//   IControls::ListItems             SendMessageTimeoutW(CB_GETCOUNT, CB_GETCURSEL,
//                                    CB_GETLBTEXTLEN, CB_GETLBTEXT / the LB_ ones)
//   IControls::Choose                SendMessageTimeoutW(CB_SETCURSEL / LB_SETCURSEL), then
//                                    (GetParent, WM_COMMAND, CBN_SELCHANGE / LBN_SELCHANGE), then
//                                    CB_GETCURSEL / LB_GETCURSEL
//   IKeyboard::DesktopReceivesInput  GetUserObjectInformationW(UOI_IO) on the thread's desktop
//   IKeyboard::Send                  SendInput (virtual keys, VkKeyScanExW, KEYEVENTF_UNICODE),
//                                    GetKeyState(VK_CAPITAL) while attached to the front thread
//                                    that answers (AttachThreadInput), RegGetValueW (HKCU\Keyboard
//                                    Layout Attributes), GetKeyboardLayout, GetGUIThreadInfo
//   ILauncher::Start                 CreateProcessW with STARTUPINFO.wShowWindow, searched on PATH
//   IFiles::*                        CreateFileW with share modes, ReadFile/WriteFile, DeleteFileW,
//                                    GetFileAttributesExW, CreateMutexW (previous-instance test)
//   IDialogs::ShowMessageBox         MessageBoxW
//   IClock::SecondsSinceMidnight     GetLocalTime
//   IClock::MonotonicSeconds         QueryPerformanceCounter
//   IClock::LocalDate / LocalTime    GetLocaleInfoEx (LOCALE_SABBREVDAYNAME*, LOCALE_SDATE,
//                                    LOCALE_STIME) over GetLocalTime
//   IClock::Pause                    a high-resolution waitable timer, else Sleep with the timer
//                                    resolution raised to 1 ms while it lasts
//   ISystem::CommandLine             GetCommandLineW, the program's own name cut off
//   ISystem::ProgramFolder           GetModuleFileNameW
//   ISystem::Version                 GetFileVersionInfoW / VerQueryValueW on the program file
//   ISystem::ToUpper                 LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE)
//   ISystem::EndProgram              ExitProcess
//   ISystem::StationVisible          GetProcessWindowStation, GetUserObjectInformationW(UOI_FLAGS)
//                                    WSF_VISIBLE
//   ISystem::InServicesSession       ProcessIdToSessionId(GetCurrentProcessId())
//   IConsoleView::*                  the console window (CreateWindowExW, MoveWindow, ShowWindow,
//                                    SetWindowTextW, EnableWindow, SetCursor, TrackPopupMenu, ...)
//   ITimer::*                        SetTimer / KillTimer on the console window
//   IEventLoop::DoEvents             PeekMessageW / TranslateMessage / DispatchMessageW
//   ITray::Add / Remove              Shell_NotifyIconW(NIM_ADD / NIM_DELETE)
//   ITray::TaskBarState              SHAppBarMessage(ABM_GETSTATE)
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/keys.h"
#include "platform/status.h"

namespace tollivox {

// Relations of IWindows::NextWindow, with their Windows values.
inline constexpr int kGwHwndNext = 2;
inline constexpr int kGwChild = 5;

// A window's integrity level against ours. Unreadable: the level of a program that will not let
// us look (another user's, a protected one), which may or may not be higher.
enum class Elevation : std::uint8_t { NotHigher, Higher, Unreadable };

class IWindows {
 public:
  virtual ~IWindows() = default;
  virtual WindowHandle DesktopWindow() = 0;
  // GetWindow with GW_CHILD or GW_HWNDNEXT; 0 when there is none or the handle is stale.
  virtual WindowHandle NextWindow(WindowHandle Window, int Relation) = 0;
  // The title as UTF-8 without any terminator; empty for an untitled or vanished window.
  virtual std::string WindowTitle(WindowHandle Window) = 0;
  // The captions (UTF-8) of the window's visible descendants, at any depth, each followed by a
  // line feed; read without sending the window's program a message, so a program that does not
  // answer cannot stop the caller.
  virtual std::string ChildCaptions(WindowHandle Window) = 0;
  // The name of the window's class (UTF-8); empty for a vanished window.
  virtual std::string WindowClass(WindowHandle Window) = 0;
  // The file name, without its folder, of the program the window belongs to ("notepad.exe");
  // empty when it cannot be read (a vanished window, a protected program). Neither asks the
  // window's program anything.
  virtual std::string ProgramFile(WindowHandle Window) = 0;
  virtual bool IsVisible(WindowHandle Window) = 0;
  virtual bool IsEnabled(WindowHandle Window) = 0;
  // Whether the window is still there; false once it has been destroyed.
  virtual bool IsAlive(WindowHandle Window) = 0;
  // Whether the window's thread answers messages; asking never waits long on one that does not.
  virtual bool IsResponding(WindowHandle Window) = 0;
  virtual bool SetForeground(WindowHandle Window) = 0;
  virtual void SetActive(WindowHandle Window) = 0;
  // ShowCommand is the Windows show command 0..5 (SW_HIDE .. SW_SHOW).
  virtual void Show(WindowHandle Window, int ShowCommand) = 0;
  // Whether the window in front is Window itself or one it owns at any depth (its own box or
  // dialog, whichever thread made it), so that typed keys would reach it. Another window of the
  // same thread or program does not count.
  virtual bool OwnsForeground(WindowHandle Window) = 0;
  // How Window's process stands to ours: input and messages sent to a higher integrity level
  // are dropped without a word.
  virtual Elevation ElevationOf(WindowHandle Window) = 0;
  // Whether the window belongs to our own process: the console, a box we show.
  virtual bool IsOurs(WindowHandle Window) = 0;
};

// What a send did: records handed to the system and how many it took.
struct SendCount {
  std::size_t Taken = 0;
  std::size_t Given = 0;
  // A send cut short after Caps Lock was lifted for it, whose restore was not taken either.
  bool CapsLockLeftOff = false;
};

class IKeyboard {
 public:
  virtual ~IKeyboard() = default;
  // Types the events into whatever window has the keyboard focus; does not wait for them to be
  // processed. Every event list handed in releases every key it presses; keys the user holds
  // down meanwhile do not combine with them. No key stays down after a send taken in part.
  virtual SendCount Send(const std::vector<KeyEvent>& Events) = 0;
  // Whether our desktop is the one receiving input: not while the workstation is locked, a
  // consent prompt is up, or the session is disconnected.
  virtual bool DesktopReceivesInput() = 0;
};

class ILauncher {
 public:
  virtual ~ILauncher() = default;
  // Starts CommandLine without waiting; ShowMode 0..5 is the show command of its first window.
  // A program that cannot be found is error 53.
  virtual Status Start(const std::string& CommandLine, int ShowMode) = 0;
};

// A log file opened for appending: write access, others may read but not write.
class IAppendFile {
 public:
  virtual ~IAppendFile() = default;
  // Writes Text (UTF-8; converted to the system's ANSI code page on Windows) as it stands.
  virtual Status Write(std::string_view Text) = 0;
  virtual Status Close() = 0;
};

struct [[nodiscard]] AppendOpenResult {
  Status Result;
  std::unique_ptr<IAppendFile> File;  // set when Result is ok
  // Refused only because another open of the file does not share it (a sharing or lock
  // violation): the one refusal that waiting can mend.
  bool HeldByOther = false;
};

class IFiles {
 public:
  virtual ~IFiles() = default;
  virtual bool Exists(const std::string& Path) = 0;
  virtual Status Delete(const std::string& Path) = 0;
  // Opens for appending, creating the file when it is missing.
  virtual AppendOpenResult OpenAppend(const std::string& Path) = 0;
  // The trial open of the busy test: read access, others may write but not read; the file must
  // exist. Closed again at once. 0 or the error number of the failed open.
  virtual std::int32_t TrialOpenReadLocked(const std::string& Path) = 0;
  // Opens for plain input (no share restriction asked) and hands every line, without its line
  // end, to OnLine in order.
  virtual Status ReadLines(const std::string& Path,
                           const std::function<void(std::string_view Line)>& OnLine) = 0;
  // Opens for output (truncating or creating) and closes at once: an empty file.
  virtual Status CreateEmpty(const std::string& Path) = 0;
  // Seconds since the file was last written; negative when it does not exist.
  virtual double AgeSeconds(const std::string& Path) = 0;
  // Whether another copy of the program was already running when this one started.
  virtual bool PreviousInstanceRunning() = 0;
};

enum class MsgBoxButtons { Ok, YesNo };
enum class MsgBoxIcon : int { Critical = 16, Question = 32, Information = 64 };
enum class MsgBoxAnswer { Ok, Yes, No };

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Modal; lines of Text are separated by single line feeds. YesNo boxes default to Yes.
  virtual MsgBoxAnswer ShowMessageBox(const std::string& Text, const std::string& Title,
                                      MsgBoxButtons Buttons, MsgBoxIcon Icon) = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Local time of day in seconds, with its fraction; falls back to 0 at midnight.
  virtual double SecondsSinceMidnight() = 0;
  // Seconds on a clock that never goes back; only differences mean anything.
  virtual double MonotonicSeconds() = 0;
  // "ddd mm/dd/yy" after the regional settings: weekday abbreviation and date separator.
  virtual std::string LocalDate() = 0;
  // "hh:mm:ss" (24 hours) with the regional time separator.
  virtual std::string LocalTime() = 0;
  virtual void Pause(int Milliseconds) = 0;
};

struct VersionNumbers {
  int Major = 0;
  int Minor = 0;
};

class ISystem {
 public:
  virtual ~ISystem() = default;
  // The argument text of the command line: everything after the program's own name.
  virtual std::string CommandLine() = 0;
  // The folder of the program file, without a trailing backslash.
  virtual std::string ProgramFolder() = 0;
  virtual VersionNumbers Version() = 0;
  // Upper case after the user's locale rules (UTF-8 in and out).
  virtual std::string ToUpper(std::string_view Text) = 0;
  // Ends the program at once; no unload handling runs.
  [[noreturn]] virtual void EndProgram(int ExitCode) = 0;
  // Whether our window station is one a user can see; a scheduled task that runs whether the
  // user is logged on or not, or a service, runs in one nobody sees.
  virtual bool StationVisible() = 0;
  // Whether we run in session 0, where services run and no user sees a window; false where it
  // cannot be told.
  virtual bool InServicesSession() = 0;
};

// Exit codes of the program, documented for callers that wait for it.
inline constexpr int kExitFinished = 0;     // watch complete, orderly exit, shutdown, usage box
inline constexpr int kExitSyntaxError = 1;  // command line refused
inline constexpr int kExitFatalError = 2;   // unexpected error reported
inline constexpr int kExitLogFailure = 3;   // the log file could not be written

enum class Control {
  cmdExit,
  cmdStopStart,
  cmdViewLog,
  cmdRefresh,
  cmdClear,
  lblMessage,
  txtLog,
  lblDateTime,
  lblEvent,
  mPopRestore,
  mStopStart,
  mPopExit,
};

enum class WindowState : int { Normal = 0, Minimized = 1, Maximized = 2 };
enum class MousePointer : int { Default = 0, Hourglass = 11 };

// The console window frmZandrel as the logic sees it. Sizes and positions are in twips.
class IConsoleView {
 public:
  virtual ~IConsoleView() = default;
  virtual WindowHandle Handle() = 0;
  // Identifies the console's own icon for the tray record.
  virtual std::uint32_t IconHandle() = 0;
  virtual void SetCaption(const std::string& Text) = 0;
  virtual void SetText(Control Which, const std::string& Text) = 0;
  virtual std::string Text(Control Which) = 0;
  virtual void SetEnabled(Control Which, bool Enabled) = 0;
  virtual bool IsEnabled(Control Which) = 0;
  virtual void SetFocus(Control Which) = 0;
  // Puts the caret of a text box at the end of its text and scrolls it into view.
  virtual void CaretToEnd(Control Which) = 0;
  virtual WindowState State() = 0;
  virtual void SetState(WindowState State) = 0;
  virtual double OuterWidth() = 0;
  virtual double OuterHeight() = 0;
  virtual void SetOuterHeight(double Twips) = 0;
  virtual void Move(double LeftTwips, double TopTwips) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() = 0;
  virtual void Repaint() = 0;
  virtual void SetMousePointer(MousePointer Pointer) = 0;
  // The tray menu mPopupSys at the mouse position, no flags, no default item.
  virtual void PopupTrayMenu() = 0;
  // Destroys the window and its controls (timer included).
  virtual void Unload() = 0;
  virtual double ScreenWidth() = 0;
  virtual double ScreenHeight() = 0;
  virtual double TwipsPerPixelX() = 0;
};

class ITimer {
 public:
  virtual ~ITimer() = default;
  virtual void SetInterval(std::int32_t Milliseconds) = 0;
  virtual void SetEnabled(bool Enabled) = 0;
  virtual bool Enabled() = 0;
};

class IEventLoop {
 public:
  virtual ~IEventLoop() = default;
  // Dispatches every pending window message, then returns.
  virtual void DoEvents() = 0;
};

// The notification-area icon record, in the layout the shell takes (88 bytes in its single-byte
// form): size, window, id, flags, callback message, icon, tip.
struct TrayIconRecord {
  std::uint32_t cbSize = 0;
  WindowHandle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  std::uint32_t hIcon = 0;
  char szTip[64] = {};
};

class ITray {
 public:
  virtual ~ITray() = default;
  // True when the shell holds the icon afterwards; it may refuse (no shell yet at logon).
  virtual bool Add(const TrayIconRecord& Record) = 0;
  virtual void Remove(const TrayIconRecord& Record) = 0;
  // SHAppBarMessage(ABM_GETSTATE): 1 auto-hide, 2 always on top, 0 neither.
  virtual std::uint32_t TaskBarState() = 0;
};

// Everything frmZandrel needs from the outside, handed to its constructor.
struct Platform {
  IWindows& Windows;
  IKeyboard& Keyboard;
  ILauncher& Launcher;
  IFiles& Files;
  IDialogs& Dialogs;
  IClock& Clock;
  ISystem& System;
  IConsoleView& View;
  ITimer& Timer;
  IEventLoop& Loop;
  ITray& Tray;
  IControls& Controls;
};

}  // namespace tollivox
