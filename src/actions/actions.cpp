// What is done to a window once the watch cycle has found it: activation, the command step,
// the keystrokes and the count.
#include <string>

#include "actions/commands.h"
#include "app/frmZandrel.h"

namespace tollivox {

namespace {

// How long the found window may take to come to the front after it was asked to, and how often
// it is looked at meanwhile; the console's messages run between looks.
constexpr double kFrontWaitSeconds = 0.5;
constexpr int kFrontPollMilliseconds = 10;
constexpr int kFrontSettleLooks = 6;

// What became of one key string.
enum class KeysOutcome { Sent, WindowClosed, Withheld };

// A string of control steps only: it needs neither the front nor the input desktop.
bool OnlyControls(const KeyStepsResult& Parsed) {
  if (Parsed.Error != 0 || Parsed.Steps.empty()) return false;
  for (const KeyStep& step : Parsed.Steps) {
    if (!step.IsControl) return false;
  }
  return true;
}

// Why typed keys would not reach the window now; null when they would. Asked again right before
// every key step, after the log write that may have waited on a busy file: nothing that can wait
// stands between this and SendInput.
const char* KeysBlocked(frmZandrel& Form, WindowHandle Target, bool MustBeInFront) {
  if (!Form.Os.Windows.IsAlive(Target)) return "Window closed";
  if (!Form.Os.Keyboard.DesktopReceivesInput()) return "Desktop not receiving input";
  if (MustBeInFront && !Form.Os.Windows.OwnsForeground(Target)) return "Window not in front";
  return nullptr;
}

// Says in the status and the log why the rest of a key string was not sent.
void SayWithheld(frmZandrel& Form, const std::string& Reason, const std::string& Keys) {
  const std::string text = Reason + "; \"" + Keys + "\" keystrokes not sent.";
  Form.Os.View.SetText(Control::lblMessage, text);
  Form.Add2Log(Form.LogFilePath, text);
}

// Keys are typed into whatever has the focus, so they go only when that is the window they are
// meant for. Not once the window has gone (they would reach some other window), nor into a
// window that does not answer (they would pile up and all be acted on when it wakes), nor while
// Windows would throw them away without a word: another desktop has the input (locked, consent
// prompt, disconnected session) or the window's process runs at a higher integrity level. And
// after an activation, not unless the window is in front: when Windows refused the foreground
// the focus is still in the user's own window. The checks come after the last yield before the
// keys go, since the window may close or lose the front while the status repaints. Control steps
// go to the control itself, so a string of them only needs the window there, answering, and
// not above us.
// Where is where an earlier visit withheld the string; it is left where this one stops.
KeysOutcome SendKeyString(frmZandrel& Form, WindowHandle Target, const std::string& Keys,
                          bool MustBeInFront, StringProgress& Where) {
  const std::string from =
      Where.Step == 0 ? std::string() : " from step " + std::to_string(Where.Step + 1);
  const std::string sending = "Sending \"" + Keys + "\" keystrokes" + from + "...";
  Form.ShowStatus(sending);
  const KeyStepsResult parsed = ParseKeySteps(Keys);
  const bool typed = !OnlyControls(parsed);
  IWindows& windows = Form.Os.Windows;
  // Asked in this order, a window that closes while it is asked whether it answers reads as
  // closed.
  const bool answers = windows.IsResponding(Target);
  std::string skipped;
  const bool closed = !windows.IsAlive(Target);
  const Elevation elevation = closed ? Elevation::NotHigher : windows.ElevationOf(Target);
  if (closed) {
    skipped = "Window closed";
  } else if (!answers) {
    skipped = "Window not responding";
  } else if (typed && !Form.Os.Keyboard.DesktopReceivesInput()) {
    skipped = "Desktop not receiving input";
  } else if (elevation == Elevation::Higher) {
    skipped = "Window runs as administrator";
  } else if (elevation == Elevation::Unreadable) {
    skipped = "Window's integrity level cannot be read";
  } else if (typed && MustBeInFront && !windows.OwnsForeground(Target)) {
    skipped = "Window not in front";
  }
  const std::string text =
      skipped.empty() ? sending : skipped + "; \"" + Keys + "\" keystrokes not sent.";
  if (!skipped.empty()) Form.Os.View.SetText(Control::lblMessage, text);
  Form.Add2Log(Form.LogFilePath, text);
  if (parsed.Error != 0) Raise(parsed.Error);
  if (!skipped.empty()) {
    Form.DoYield();
    return closed ? KeysOutcome::WindowClosed : KeysOutcome::Withheld;
  }
  KeysOutcome outcome = KeysOutcome::Sent;
  for (std::size_t index = Where.Step; index < parsed.Steps.size(); ++index) {
    KeyStep step = parsed.Steps[index];
    Where.Step = index;
    if (step.IsControl) {
      // A box clicked while its page did not answer has had its click: it is brought to the
      // state it was clicked into, not clicked back.
      if (step.Verb == ControlVerb::Click && Where.LeftChecked >= 0) {
        step.Verb = Where.LeftChecked != 0 ? ControlVerb::Check : ControlVerb::Uncheck;
      }
      Where.LeftChecked = -1;
      const std::string failed = Form.ActOnControl(Target, step, &Where.LeftChecked);
      if (failed.empty()) continue;
      SayWithheld(Form, failed, Keys);
      outcome = failed == "Window closed" ? KeysOutcome::WindowClosed : KeysOutcome::Withheld;
      break;
    }
    if (const char* blocked = KeysBlocked(Form, Target, MustBeInFront)) {
      SayWithheld(Form, blocked, Keys);
      outcome = windows.IsAlive(Target) ? KeysOutcome::Withheld : KeysOutcome::WindowClosed;
      break;
    }
    const SendCount count = Form.Os.Keyboard.Send(step.Events);
    if (count.CapsLockLeftOff) {
      const std::string capsLock = "Caps Lock could not be turned back on.";
      Form.Os.View.SetText(Control::lblMessage, capsLock);
      Form.Add2Log(Form.LogFilePath, capsLock);
    }
    if (count.Taken < count.Given) {
      // Input got blocked part way; the sender has let go of whatever it had pressed.
      const std::string partial = "Only " + std::to_string(count.Taken) + " of " +
                                  std::to_string(count.Given) + " key events taken; \"" + Keys +
                                  "\" keystrokes not all sent.";
      Form.Os.View.SetText(Control::lblMessage, partial);
      Form.Add2Log(Form.LogFilePath, partial);
      outcome = KeysOutcome::Withheld;
      break;
    }
  }
  Where.Done = outcome == KeysOutcome::Sent;
  Form.DoYield();
  return outcome;
}

}  // namespace

void frmZandrel::WaitForFront(tollivox::WindowHandle Window) {
  // A window in front for a moment only (another program took the front back at once) would
  // let the keys go to that program: the window has to keep the front for a few looks.
  const double until = Os.Clock.MonotonicSeconds() + kFrontWaitSeconds;
  int heldLooks = 0;
  // Bounded by count too, should the clock not move.
  constexpr int kMostLooks = static_cast<int>(kFrontWaitSeconds * 1000) / kFrontPollMilliseconds;
  for (int look = 0;
       look <= kMostLooks && Os.Windows.IsAlive(Window) && Os.Clock.MonotonicSeconds() < until;
       ++look) {
    heldLooks = Os.Windows.OwnsForeground(Window) ? heldLooks + 1 : 0;
    if (heldLooks >= kFrontSettleLooks) return;
    Os.Clock.Pause(kFrontPollMilliseconds);
    DoYield();
  }
}

void frmZandrel::DoActions(tollivox::WindowHandle WindowHandle, std::int16_t WindowNumber) {
  try {
    // A list shorter than the entry count reads as its option's default, as the parser fills.
    const std::int16_t mode = ActivationModes.ValueOr(WindowNumber, 1);
    // Modes 4 and 5 show the window without taking the focus.
    if (mode < 4) {
      Os.Windows.SetForeground(WindowHandle);
      DoYield();
      Os.Windows.SetActive(WindowHandle);
      DoYield();
    }
    Os.Windows.Show(WindowHandle, mode);
    DoYield();

    RunCommandStep(WindowNumber);

    // The entries whose keys this run types, in order.
    const bool everyEntry = SendKeysAnyWindow != 0;
    const int first = everyEntry ? 1 : WindowNumber;
    const int last = everyEntry ? WindowCount : WindowNumber;
    // Only keys that are typed wait for the front; control steps do not need it.
    bool anyTyped = false;
    for (int i = first; i <= last; ++i) {
      const std::string keys = KeyStrings.ValueOr(i, "");
      anyTyped = anyTyped || (!keys.empty() && !OnlyControls(ParseKeySteps(keys)));
    }
    // Modes 4 and 5 type into whatever has the focus, as they always did.
    const bool mustBeInFront = mode < 4;
    if (mustBeInFront && anyTyped) WaitForFront(WindowHandle);
    // A run whose keys did not all go is not counted, so that the next visit tries again; the
    // entry's timeout still ends it. A window that closed has had its run. The next visit to
    // the same window goes on where this one stopped, so that nothing is pushed twice; another
    // window, or a run that went through, starts from the beginning.
    if (Progress.UBound() < WindowNumber) Progress.Redim(WindowNumber);
    KeysProgress& progress = Progress[WindowNumber];
    if (progress.Window != WindowHandle) progress = {WindowHandle, {}};
    progress.Strings.resize(static_cast<std::size_t>(last - first + 1));
    bool withheld = false;
    bool closed = false;
    for (int i = first; i <= last; ++i) {
      const std::string keys = KeyStrings.ValueOr(i, "");
      StringProgress& where = progress.Strings[static_cast<std::size_t>(i - first)];
      if (keys.empty() || where.Done) continue;
      const KeysOutcome outcome = SendKeyString(*this, WindowHandle, keys, mustBeInFront, where);
      withheld = withheld || outcome == KeysOutcome::Withheld;
      closed = closed || outcome == KeysOutcome::WindowClosed;
    }
    if (!withheld || closed) progress = {};

    const std::int16_t limit = Counts.ValueOr(WindowNumber, 0);
    if (limit > 0 && !withheld) {
      std::int16_t& done = ActionCounts[WindowNumber];
      if (done == INT16_MAX) Raise(kErrOverflow);
      ++done;
      if (done >= limit) {
        Add2Log(LogFilePath, "Count of " + std::to_string(done) + " for '" +
                                 WindowStrings[WindowNumber] + "' window" +
                                 TextWords(WindowNumber, '\'') + " reached; Window removed.");
        WindowStrings[WindowNumber] = "";
      }
    }
  } catch (const ProgramNotFound& error) {
    // The message tells the user what went wrong, so the module name is never shown.
    ProcessError("tmrWaitForWindow_Timer",
                 "ERROR: The executable file specified '" + error.Command + "' was not located.\n",
                 "\nPlease specify the full path name or ensure that the\nfolder is located in the "
                 "system path.",
                 error);
  } catch (const ProgramNeedsElevation& error) {
    // A bare error number would not tell the user that the cure is in how we were started.
    ProcessError("tmrWaitForWindow_Timer",
                 "ERROR: The program specified '" + error.Command +
                     "' needs administrator rights,\nand Windows does not let a program without "
                     "them start it.\n",
                 "\nPlease start Tollivox from an elevated prompt (Run as administrator)\nso "
                 "that it can start this program.",
                 error);
  } catch (const RuntimeError& error) {
    ProcessError("DoActions", "", "", error);
  } catch (const std::bad_alloc&) {
    ProcessError("DoActions", "", "", RuntimeError(kErrOutOfMemory));
  } catch (const std::exception&) {
    ProcessError("DoActions", "", "", RuntimeError(kErrInternal));
  }
}

}  // namespace tollivox
