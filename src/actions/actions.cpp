// What is done to a window once the watch cycle has found it: activation, the command step,
// the keystrokes and the count.
#include <string>

#include "actions/commands.h"
#include "app/frmZandrel.h"

namespace tollivox {

namespace {

// Keys are typed into whatever has the focus. Once the window they are meant for has gone,
// that is some other window (another program's, or the user's), so they are not typed at all;
// nor into a window that does not answer, where they would pile up and all be acted on when it
// wakes, or go to whatever took the focus from it meanwhile. The check comes after the last
// yield before the keys go, since the window may close while the status repaints.
void SendKeyString(frmZandrel& Form, WindowHandle Target, const std::string& Keys) {
  const std::string sending = "Sending \"" + Keys + "\" keystrokes...";
  Form.ShowStatus(sending);
  // Asked in this order, a window that closes while it is asked whether it answers reads as
  // closed.
  const bool answers = Form.Os.Windows.IsResponding(Target);
  const char* skipped = nullptr;
  if (!Form.Os.Windows.IsAlive(Target)) {
    skipped = "Window closed";
  } else if (!answers) {
    skipped = "Window not responding";
  }
  const std::string text =
      skipped ? std::string(skipped) + "; \"" + Keys + "\" keystrokes not sent." : sending;
  if (skipped) Form.Os.View.SetText(Control::lblMessage, text);
  Form.Add2Log(Form.LogFilePath, text);
  KeyParseResult parsed = ParseKeyString(Keys);
  if (parsed.Error != 0) Raise(parsed.Error);
  if (!skipped) Form.Os.Keyboard.Send(parsed.Events);
  Form.DoYield();
}

}  // namespace

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

    if (SendKeysAnyWindow != 0) {
      const std::int16_t count = WindowCount;
      for (int i = 1; i <= count; ++i) {
        const std::string keys = KeyStrings.ValueOr(i, "");
        if (!keys.empty()) SendKeyString(*this, WindowHandle, keys);
      }
    } else {
      const std::string keys = KeyStrings.ValueOr(WindowNumber, "");
      if (!keys.empty()) SendKeyString(*this, WindowHandle, keys);
    }

    const std::int16_t limit = Counts.ValueOr(WindowNumber, 0);
    if (limit > 0) {
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
  } catch (const RuntimeError& error) {
    ProcessError("DoActions", "", "", error);
  } catch (const std::bad_alloc&) {
    ProcessError("DoActions", "", "", RuntimeError(kErrOutOfMemory));
  } catch (const std::exception&) {
    ProcessError("DoActions", "", "", RuntimeError(kErrInternal));
  }
}

}  // namespace tollivox
