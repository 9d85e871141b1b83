// The console form: the whole program state (the watch list and the settings) and every procedure
// of the program. The procedures are defined in one source file per subsystem (app/, watch/,
// actions/, log/, ui/, errors/); the form reaches the outside world only through Platform.
#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/list.h"
#include "errors/errors.h"
#include "platform/platform.h"

namespace tollivox {

// Program texts shared by several procedures.
inline constexpr const char* kProductName = "Tollivox";
inline constexpr const char* kSupportAddress = "www.orvantis.com/support";
inline constexpr const char* kWaitingText = "Waiting for next time interval...";
// Markers that hide "/" and "," inside double quotes while the command line is cut up.
inline constexpr const char* kSlashMarker = "_@#?!_";
inline constexpr const char* kCommaMarker = "_!?#@_";
// The tray icon reports to the console with a private message of its own, so that ordinary mouse
// moves over the console are never taken for clicks on the icon (WM_APP + 1).
inline constexpr std::uint32_t kTrayCallbackMessage = 0x8001;
// Console heights in twips, without and with the log area.
inline constexpr double kShortHeight = 1740;
inline constexpr double kTallHeight = 5805;
// Busy attempts of the log writer and reader before they give up, and the age after which a read
// marker left by a copy that died is no longer honoured.
inline constexpr int kBusyAttemptLimit = 20000;
// The same attempts bounded in time: about 20 s at a millisecond's pause, far longer where a
// pause lasts a scheduler tick.
inline constexpr double kBusyWaitSeconds = 30;
inline constexpr double kStaleMarkerSeconds = 60;

// How far one key string of a run that was withheld part way got on its window.
struct StringProgress {
  std::size_t Step = 0;  // the step the next visit goes on from
  bool Done = false;     // went through: the next visit of this run leaves it out
  // The state a click step left a box in when its page did not answer in time (-1: none), so
  // that going on does not click it back.
  int LeftChecked = -1;
};

// Where an entry's run stands on the window it was withheld on; Window 0: the next visit starts
// afresh. With /S the run holds the key strings of every entry, in order.
struct KeysProgress {
  WindowHandle Window = 0;
  std::vector<StringProgress> Strings;
};

class frmZandrel {
 public:
  explicit frmZandrel(Platform& Os);
  frmZandrel(const frmZandrel&) = delete;
  frmZandrel& operator=(const frmZandrel&) = delete;

  // ---- Event handlers: the window procedure (or a test) calls these. ----
  void Form_Load();
  void Form_Resize();
  void Form_MouseMove(int Button, int Shift, double X, double Y);
  void Form_Unload(std::int16_t& Cancel);
  void Form_Terminate();
  void tmrWaitForWindow_Timer();
  void cmdStopStart_Click();
  void mStopStart_Click();
  void cmdExit_Click();
  void mPopExit_Click();
  void mPopRestore_Click();
  void cmdViewLog_Click();
  void cmdRefresh_Click();
  void cmdClear_Click();
  // The window's close command from its title bar or system menu: the unload without ">>>>> Exit".
  void CloseRequested();
  // The shell (re)started and holds no icon of ours: the broadcast TaskbarCreated.
  void ShellRestarted();

  // ---- Command line (parser and list procedures). ----
  void QuoteStep();
  void SplitOptions();
  void OptionLoop();
  void ReconcileLists();
  void ClampInterval();
  void PlaceLogFile();
  void CheckValidity();
  std::int16_t ParseStr2StrArray(std::string SourceString, std::string Delimiter,
                                 std::string DefaultValue, List<std::string>& ResultArray,
                                 std::int16_t MinimumCount);
  std::int16_t ParseStr2IntArray(std::string SourceString, std::string Delimiter,
                                 std::int16_t DefaultValue, List<std::int16_t>& ResultArray,
                                 std::int16_t MinimumCount);
  std::string ReplaceString(std::string StringVar, std::string OldString, std::string NewString,
                            std::int16_t StartPos, std::int16_t EndPos);

  // ---- Windows and titles. ----
  std::int16_t EnumWindowHandles(List<WindowHandle>& hWndArray);
  bool WindowExists(std::string WindowString);
  // The first window in z-order whose title contains Text and, when Shown is not empty, which
  // shows Shown (see ShowsText).
  WindowHandle FindWindowByTitle(const std::string& Text, const std::string& Shown = {});
  // Whether a visible descendant of Window has a caption containing Shown, access-key
  // ampersands left out and case ignored; an empty Shown is shown by every window, and no
  // window of our own shows any other.
  bool ShowsText(WindowHandle Window, const std::string& Shown);
  // The words that name an entry's window text in its log lines (" with 'text' text", Quote
  // around the text); empty for an entry without one.
  std::string TextWords(int Entry, char Quote);
  // Writes every visible top-level window, with its shown controls, to the log (/V:).
  void LogWindowsSeen();
  std::string RawTitle(WindowHandle Window);
  std::string CleanTitle(WindowHandle Window);

  // ---- Actions. ----
  void DoActions(WindowHandle WindowHandle, std::int16_t WindowNumber);
  void RunCommandStep(std::int16_t WindowNumber);
  // After an activation: gives the window a moment to come to the front, messages running.
  void WaitForFront(WindowHandle Window);
  // Acts on the control a control step of a key string names, below Window; empty when done,
  // else why not (the start of a withheld line).
  // LeftChecked, when given, is set to the state a box was clicked into when its page did not
  // answer in time.
  std::string ActOnControl(WindowHandle Window, const KeyStep& Step, int* LeftChecked = nullptr);
  // {SELECT text}: chooses the item Step names in a list below Window, as ActOnControl answers.
  std::string SelectItem(WindowHandle Window, const KeyStep& Step);
  void RunCommand(std::int16_t CommandNumber);
  void ShutdownSequence(const std::string& Command);

  // ---- Log. ----
  void Add2Log(std::string FileName, std::string LogItem);
  std::int16_t IsFileOpen(std::string FileName);

  // ---- Console, tray, errors. ----
  std::int16_t TaskBarExists();
  void FillTrayIconData();
  void RemoveTrayIcon();
  void AddTrayIcon();
  [[noreturn]] void ProcessError(std::string ModuleName, std::string Message, std::string Footer,
                                 const RuntimeError& CurrentError);

  // ---- Watch entries (1 to WindowCount). ----
  List<std::string> WindowStrings;
  std::int16_t WindowCount = 0;
  List<std::int16_t> ActivationModes;
  List<std::string> KeyStrings;
  List<std::int16_t> TimeoutSeconds;
  List<std::int16_t> Counts;
  List<std::int16_t> ActionCounts;
  // What a run withheld part way has done, so that the next visit does none of it again.
  List<KeysProgress> Progress;
  // A text one of the window's visible controls must show (/X:); empty for none.
  List<std::string> WindowTexts;

  // ---- Commands (1 to CommandCount). ----
  List<std::string> Commands;
  std::int16_t CommandCount = 0;
  List<std::int16_t> ExecutionModes;

  // ---- Settings. ----
  std::int16_t SendKeysAnyWindow = 0;
  std::int16_t ExecuteAnyWindow = 0;
  std::int32_t IntervalMs = 0;
  std::int16_t ConsoleMode = 0;
  std::string LogFilePath;
  // /V: not 0: the windows seen at start-up are written to the log; without /W: that is all.
  std::int16_t ListWindows = 0;

  // ---- Run-time state. ----
  float StartTime = 0;
  float CurrentTime = 0;
  List<WindowHandle> StartHandles;
  List<WindowHandle> CurrentHandles;
  TrayIconRecord TrayIconData;
  // The icon belongs in the tray (added at load, not yet removed), and the shell holds it.
  bool TrayIconWanted = false;
  bool TrayIconShown = false;
  std::int16_t TaskBarPresent = 0;
  std::string AppTitle;
  std::int16_t RestartFlag = 0;
  std::int16_t Terminating = 0;
  std::int16_t ShutdownType = 0;
  std::int32_t ApiResult = 0;
  bool Stopped = false;
  bool LogShown = false;

  // ---- Parser working state. ----
  std::string CommandLine;
  // What the split cuts up: CommandLine with each option quoted as a whole written as its option
  // with the value in quotes ("/W:a b" in quotes as /W:"a b").
  std::string OptionLine;
  List<std::string> Options;
  std::int16_t OptionCount = 0;
  std::string WorkString;
  std::int16_t LoopIndex = 0;

  // Timeouts are measured on the monotonic clock from this reading, so that they do not stretch
  // across midnight; StartTime stays the time of day for everything else.
  double StartMonotonic = 0;
  // A tick is running; a timer event that arrives meanwhile is dropped.
  bool TickInProgress = false;
  // The console has been unloaded; procedures that were waiting in a yield stop.
  bool Unloaded = false;
  // The previous-instance test, taken once when the form is created.
  bool PreviousInstance = false;
  // Whether anyone can see our boxes; asked once, at the first load (see CheckStation).
  bool StationVisible = true;
  bool StationChecked = false;
  // Sets StationVisible the first time: nobody sees a box in a window station that is not
  // visible, nor in the services' session, whatever its station says.
  void CheckStation();

  Platform& Os;

  // Lets pending window messages run; stops the calling procedure when the console went away.
  void DoYield();
  // A message box; where nobody can see one, its lines go to the log instead (unless MayLog is
  // false, for the log's own failure) and the answer is the one that changes nothing.
  MsgBoxAnswer MessageBox(const std::string& Text, const std::string& Title, MsgBoxButtons Buttons,
                          MsgBoxIcon Icon, bool MayLog = true);
  // Sets the status label and lets it repaint.
  void ShowStatus(const std::string& Text);
  // Unloads the console: Form_Unload, then the window is destroyed.
  void UnloadConsole();

  // Runs Body with the error handler every procedure installs: a run-time error goes to the
  // fatal report under ModuleName.
  template <class Body>
  void Guard(const char* ModuleName, Body&& Run) {
    try {
      Run();
    } catch (const RuntimeError& error) {
      ProcessError(ModuleName, "", "", error);
    } catch (const std::bad_alloc&) {
      ProcessError(ModuleName, "", "", RuntimeError(kErrOutOfMemory));
    } catch (const std::exception&) {
      // Any other failure (a library's length or system error, say) is reported the same way,
      // rather than ending the program with no box, no log line and the tray icon left behind.
      ProcessError(ModuleName, "", "", RuntimeError(kErrInternal));
    }
  }
  // The same for an event handler, which is also where a procedure interrupted by the unload of
  // the console ends quietly.
  template <class Body>
  void Event(const char* ModuleName, Body&& Run) {
    try {
      Guard(ModuleName, Run);
    } catch (const ConsoleUnloaded&) {
    }
  }
};

}  // namespace tollivox
