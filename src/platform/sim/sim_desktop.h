// A simulated desktop: every platform interface, observable and controllable by tests. Windows
// live in a z-ordered list, files are real files below a private temporary folder (with the share
// modes of the real file system simulated), message boxes are recorded and answered by the test,
// the clock moves only when the test moves it, and ending the program throws ProgramEnded.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tollivox::sim {

// Thrown by EndProgram; only test code catches it.
// Upper case for the letters a test may use: ASCII and the Latin-1 letters (UTF-8).
std::string UpperUtf8(std::string_view Text);

struct ProgramEnded {
  int ExitCode;
};

// A control below a top-level window (a label, a button, a page's dialog). Visible and Enabled
// are its own; ShownControls follows Parent up to the top-level window for both.
struct SimControl {
  std::string Caption;
  bool Visible = true;
  // What the control is taken for, when a test says so; otherwise it is taken for what its
  // class, base class, style and answer say, as on Windows (control_kinds.h).
  std::optional<ControlKind> Kind;
  bool Enabled = true;
  bool Checked = false;
  // The button keeps its own check state (BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON); otherwise only
  // its parent changes it, when told of a click (a Windows Installer check box).
  bool AutoCheck = true;
  // Radio buttons of one group (not 0) clear each other when one is clicked.
  int Group = 0;
  bool Focused = false;
  std::string Text;  // an edit box's contents
  // Takes no text (a read-only box).
  bool RefusesText = false;
  // A list's items (with CBS_/LBS_OWNERDRAW* and no HASSTRINGS in Style: the program's own
  // data, which no text message may read) and the chosen one; -1 for none.
  std::vector<std::string> Items;
  int Chosen = -1;
  // Its page puts its own choice back when told of the user's (a list that keeps a choice).
  bool RefusesChoice = false;
  std::string Class = "Static";
  std::string BaseClass;    // as Windows names a superclass's base; Wine names none
  std::uint32_t Style = 0;  // the window style bits, as GWL_STYLE reads them
  // Its answer to WM_GETDLGCODE; none: it does not answer in time.
  std::optional<std::uint32_t> DialogCode;
  // Its program acts on the button's own mouse press and ignores the parent's notification
  // (WinForms' owner-drawn buttons).
  bool HeedsOwnPressOnly = false;
  int Clicks = 0;  // the clicks its program acted on
  // The control it stands in (a page's inner dialog, a group); 0: the top-level window itself.
  WindowHandle Parent = 0;
  WindowHandle Handle = 0;  // given by AddControl
  // Its page handles a click only after the time limit of a sent message: the click is still
  // handled, but the sender is told NoAnswer.
  bool AnswersLate = false;
};

// One thing done to a control, in the order done.
struct ControlCall {
  enum Kind { Press, SetChecked, SetText, Choose, MousePress } What;
  WindowHandle Control;
  bool Checked = false;
  std::string Text;
  int Index = -1;  // Choose: the item chosen
  friend bool operator==(const ControlCall&, const ControlCall&) = default;
};

struct SimWindow {
  WindowHandle Handle = 0;
  std::string Title;
  bool Visible = true;
  bool Enabled = true;
  WindowState State = WindowState::Normal;
  bool Alive = true;
  // Its thread has stopped answering messages.
  bool Hung = false;
  // Its process runs at a higher integrity level than ours (an installer run as administrator).
  bool Elevated = false;
  // Its process does not let us read its integrity level (another user's program).
  bool Unreadable = false;
  // Kept out of view by the system though its style says visible (another virtual desktop).
  bool Cloaked = false;
  // The window that owns it (a box or dialog shown for that window); 0 for none.
  WindowHandle Owner = 0;
  // Made by our own process: the console, a box we show.
  bool Ours = false;
  std::string Class;
  // The program's file name; empty: one that does not let us read it.
  std::string Program;
  std::vector<SimControl> Controls;
};

// One call made on a window, in the order made.
struct WindowCall {
  enum Kind { SetForeground, SetActive, Show } What;
  WindowHandle Window;
  int ShowCommand = -1;
  friend bool operator==(const WindowCall&, const WindowCall&) = default;
};

struct MessageBoxRecord {
  std::string Text;
  std::string Title;
  MsgBoxButtons Buttons;
  MsgBoxIcon Icon;
};

struct LaunchRecord {
  std::string CommandLine;
  int ShowMode;
};

struct TrayCall {
  bool Add;  // false: remove
  TrayIconRecord Record;
};

// File access and sharing, as the Windows file system checks them.
struct Sharing {
  bool Read = false;
  bool Write = false;
};

class SimDesktop final : public IWindows,
                         public IKeyboard,
                         public ILauncher,
                         public IFiles,
                         public IDialogs,
                         public IClock,
                         public ISystem,
                         public IConsoleView,
                         public ITimer,
                         public IEventLoop,
                         public ITray,
                         public IControls {
 public:
  SimDesktop();
  ~SimDesktop() override;
  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;

  Platform& platform() { return platform_; }

  // ---- Windows, for the test. ----
  // Creates a top-level window at the top of the z-order (or at the bottom).
  WindowHandle CreateWindow(const std::string& Title, bool Visible = true, bool Enabled = true,
                            bool AtBottom = false);
  void DestroyWindow(WindowHandle Window);
  void SetTitle(WindowHandle Window, const std::string& Title);
  void SetVisible(WindowHandle Window, bool Visible);
  void SetWindowEnabled(WindowHandle Window, bool Enabled);
  void AddControl(WindowHandle Window, const std::string& Caption, bool Visible = true);
  // Adds a control as described, after the window's others in tab order; returns its handle.
  WindowHandle AddControl(WindowHandle Window, SimControl Control);
  SimControl* FindControl(WindowHandle Control);
  const std::vector<ControlCall>& ControlCalls() const { return controlCalls_; }
  // Runs when a control's parent is told of a click (a page enabling its Next button).
  std::function<void(WindowHandle Control)> OnClicked;
  // The windows whose controls have been read, in the order read.
  std::vector<WindowHandle> ControlReads;
  // The controls asked what they are (WM_GETDLGCODE), in the order asked.
  std::vector<WindowHandle> DialogCodeQuestions;
  SimWindow* Find(WindowHandle Window);
  WindowHandle Foreground() const { return foreground_; }
  WindowHandle Focus() const { return focus_; }
  const std::vector<WindowCall>& WindowCalls() const { return windowCalls_; }
  // Foreground requests are refused, as Windows refuses a background process: the front and the
  // focus stay where they are (give them to a bystander with SetForeground).
  bool RefuseForeground = false;
  // Runs before each title is read: a test destroys or creates windows in the middle of a walk.
  std::function<void(WindowHandle)> OnTitleRead;

  // ---- Keyboard. ----
  struct Keystrokes {
    WindowHandle Target;  // the focus when they were sent
    std::vector<KeyEvent> Events;
  };
  const std::vector<Keystrokes>& Sent() const { return sent_; }
  // The characters typed into a window, with Enter as "\n" and other named keys as "{VK:hh}".
  std::string TypedInto(WindowHandle Window) const;
  // The desktop receives input (false: locked, a consent prompt, a disconnected session).
  bool InputDesktop = true;
  // Each send takes at most this many events, as SendInput stops when input gets blocked.
  std::size_t TakesAtMost = SIZE_MAX;
  // A send cut short also leaves Caps Lock lifted, its restore refused as well.
  bool LeavesCapsLockOff = false;

  // ---- Launcher. ----
  const std::vector<LaunchRecord>& Launches() const { return launches_; }
  // Programs (first word of the command line, or the quoted name it starts with, compared
  // exactly) that cannot be found.
  std::vector<std::string> MissingPrograms;
  // Programs that ask for administrator rights, which we lack.
  std::vector<std::string> ElevatedPrograms;

  // ---- Files: Windows-style paths ("C:\Logs\run.log") map below Root(). ----
  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path RealPath(const std::string& WindowsPath) const;
  std::string ReadFile(const std::string& WindowsPath) const;
  void WriteFile(const std::string& WindowsPath, const std::string& Content);
  void MakeFolder(const std::string& WindowsPath);
  // Another program opens the file with the given access and sharing; returns a token.
  int HoldOpen(const std::string& WindowsPath, Sharing Access, Sharing Share);
  void Release(int Token);
  void SetAge(const std::string& WindowsPath, double Seconds) { ages_[Key(WindowsPath)] = Seconds; }
  bool PreviousInstance = false;
  int TrialOpens = 0;
  // Appends to the file are refused as for a read-only file; WriteProtected refuses every
  // append as a write-protected medium does.
  void MarkReadOnly(const std::string& WindowsPath) { readOnly_.insert(Key(WindowsPath)); }
  bool WriteProtected = false;

  // ---- Message boxes: answered from the queue, Ok or Yes when it is empty. ----
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  std::deque<MsgBoxAnswer> Answers;
  // Runs while a box is up (the user clicking elsewhere meanwhile).
  std::function<void(const MessageBoxRecord&)> WhileBoxIsUp;

  // ---- Clock. ----
  void Advance(double Seconds);
  void SetTimeOfDay(double Seconds) { timeOfDay_ = Seconds; }
  // The date shown in log lines: weekday abbreviation and "mm/dd/yy".
  std::string Date = "Sun 12/06/26";
  std::function<void(int)> OnPause;
  int Pauses = 0;
  // How long every pause lasts, in seconds; negative: as long as asked. A platform whose
  // pauses last a scheduler tick is 0.0156.
  double PauseSeconds = -1;

  // ---- System. ----
  std::string Arguments;
  std::string Folder = "C:\\Program Files\\Tollivox";
  VersionNumbers Versions{1, 10};
  // False: a window station nobody sees (a scheduled task, a service).
  bool VisibleStation = true;
  // We run in session 0, the services' session, whatever the station says.
  bool SessionZero = false;

  // ---- Console view. ----
  WindowHandle ConsoleHandle() const { return console_; }
  std::map<Control, std::string> Texts;
  std::map<Control, bool> Enables;
  std::optional<Control> FocusedControl;
  std::string Caption;
  double Left = 0;
  double Top = 0;
  double Height = kDesignHeight;
  MousePointer Pointer = MousePointer::Default;
  int CaretMoves = 0;
  int Popups = 0;
  int Repaints = 0;
  bool ConsoleUnloaded = false;
  // Wired by the harness to frmZandrel::Form_Resize: a change of size or state raises it.
  std::function<void()> OnResize;
  static constexpr double kDesignHeight = 1740;
  static constexpr double kOuterWidth = 7575;

  // ---- Timer and yields. ----
  std::int32_t Interval = 1000;
  bool TimerOn = false;
  int Yields = 0;
  // Runs at the next yield (a click, a menu command, a window appearing).
  void AtNextYield(std::function<void()> Action) { atYield_.push_back(std::move(Action)); }
  // Runs at every yield.
  std::function<void()> OnYield;

  // ---- Tray. ----
  const std::vector<TrayCall>& TrayCalls() const { return trayCalls_; }
  bool IconPresent() const { return iconPresent_; }
  std::uint32_t TaskBar = 0;
  // The shell refuses every add (it is not running yet).
  bool TrayRefuses = false;

  // ---- The interfaces. ----
  WindowHandle DesktopWindow() override { return kDesktop; }
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
  bool IsOurs(WindowHandle Window) override;
  SendCount Send(const std::vector<KeyEvent>& Events) override;
  bool DesktopReceivesInput() override { return InputDesktop; }
  Status Start(const std::string& CommandLine, int ShowMode) override;
  bool Exists(const std::string& Path) override;
  Status Delete(const std::string& Path) override;
  AppendOpenResult OpenAppend(const std::string& Path) override;
  std::int32_t TrialOpenReadLocked(const std::string& Path) override;
  Status ReadLines(const std::string& Path,
                   const std::function<void(std::string_view Line)>& OnLine) override;
  Status CreateEmpty(const std::string& Path) override;
  double AgeSeconds(const std::string& Path) override;
  bool PreviousInstanceRunning() override { return PreviousInstance; }
  MsgBoxAnswer ShowMessageBox(const std::string& Text, const std::string& Title,
                              MsgBoxButtons Buttons, MsgBoxIcon Icon) override;
  double SecondsSinceMidnight() override { return timeOfDay_; }
  double MonotonicSeconds() override { return monotonic_; }
  std::string LocalDate() override { return Date; }
  std::string LocalTime() override;
  void Pause(int Milliseconds) override;
  std::string CommandLine() override { return Arguments; }
  std::string ProgramFolder() override { return Folder; }
  VersionNumbers Version() override { return Versions; }
  std::string ToUpper(std::string_view Text) override;
  [[noreturn]] void EndProgram(int ExitCode) override;
  bool StationVisible() override { return VisibleStation; }
  bool InServicesSession() override { return SessionZero; }
  WindowHandle Handle() override { return console_; }
  std::uint32_t IconHandle() override { return 0x7001; }
  void SetCaption(const std::string& Text) override;
  void SetText(Control Which, const std::string& Text) override { Texts[Which] = Text; }
  std::string Text(Control Which) override { return Texts[Which]; }
  void SetEnabled(Control Which, bool Enabled) override { Enables[Which] = Enabled; }
  bool IsEnabled(Control Which) override;
  void SetFocus(Control Which) override { FocusedControl = Which; }
  void CaretToEnd(Control Which) override;
  WindowState State() override;
  void SetState(WindowState State) override;
  double OuterWidth() override { return kOuterWidth; }
  double OuterHeight() override { return Height; }
  void SetOuterHeight(double Twips) override;
  void Move(double LeftTwips, double TopTwips) override;
  void Show() override;
  void Hide() override;
  bool IsVisible() override;
  void Repaint() override { ++Repaints; }
  void SetMousePointer(MousePointer Which) override { Pointer = Which; }
  void PopupTrayMenu() override { ++Popups; }
  void Unload() override;
  double ScreenWidth() override { return 15360; }
  double ScreenHeight() override { return ScreenHeightTwips; }
  double TwipsPerPixelX() override { return 15; }
  double ScreenHeightTwips = 11520;
  void SetInterval(std::int32_t Milliseconds) override { Interval = Milliseconds; }
  void SetEnabled(bool Enabled) override { TimerOn = Enabled; }
  bool Enabled() override { return TimerOn; }
  void DoEvents() override;
  bool Add(const TrayIconRecord& Record) override;
  void Remove(const TrayIconRecord& Record) override;
  std::uint32_t TaskBarState() override { return TaskBar; }
  std::vector<ControlInfo> ShownControls(WindowHandle Window) override;
  DialogCodeReading DialogCode(WindowHandle Control) override;
  ControlResult Press(WindowHandle Control) override;
  ControlResult MousePress(WindowHandle Control) override;
  CheckReading IsChecked(WindowHandle Control) override;
  ControlResult SetChecked(WindowHandle Control, bool Checked) override;
  ControlResult SetText(WindowHandle Control, const std::string& Text) override;
  ListReading ListItems(WindowHandle Control, ControlKind Kind, int Most) override;
  ControlResult Choose(WindowHandle Control, ControlKind Kind, int Index) override;

  static constexpr WindowHandle kDesktop = 0x10010;

 private:
  struct OpenFile {
    std::string Key;
    Sharing Access;
    Sharing Share;
  };
  class AppendFile;
  std::string Key(const std::string& WindowsPath) const;
  // Registers an open after the sharing rules; 0 or the error number.
  std::int32_t Register(const std::string& Key, Sharing Access, Sharing Share, int& Token);
  std::int32_t MissingError(const std::string& WindowsPath) const;

  Platform platform_;
  std::vector<SimWindow> windows_;           // top of the z-order first
  std::size_t IndexOf(WindowHandle Window);  // windows_.size() when there is none
  std::size_t hint_ = 0;                     // where IndexOf looks first
  WindowHandle nextHandle_ = 0x20000;
  WindowHandle console_ = 0;
  WindowHandle foreground_ = 0;
  WindowHandle focus_ = 0;
  std::vector<WindowCall> windowCalls_;
  std::vector<ControlCall> controlCalls_;
  // The control and the window that holds it; null when either is gone.
  SimControl* FindControl(WindowHandle Control, SimWindow*& Owner);
  // Why a message to a control would not get through; Done when it would.
  ControlResult Reach(WindowHandle Control, bool Sent);
  std::vector<Keystrokes> sent_;
  std::vector<LaunchRecord> launches_;
  std::filesystem::path root_;
  std::map<int, OpenFile> open_;
  int nextToken_ = 1;
  std::map<std::string, double> ages_;
  std::set<std::string> readOnly_;
  std::vector<MessageBoxRecord> boxes_;
  double timeOfDay_ = 8 * 3600;
  double monotonic_ = 1000;
  std::deque<std::function<void()>> atYield_;
  std::vector<TrayCall> trayCalls_;
  bool iconPresent_ = false;
};

}  // namespace tollivox::sim
