// The fatal report: every unexpected run-time error ends here.
#include <cstdlib>

#include "app/frmZandrel.h"

namespace tollivox {

void frmZandrel::ProcessError(std::string ModuleName, std::string Message, std::string Footer,
                              const RuntimeError& CurrentError) {
  Terminating = -1;
  Os.Timer.SetEnabled(false);
  Os.View.SetEnabled(Control::cmdStopStart, false);
  Os.View.SetEnabled(Control::cmdRefresh, false);
  Os.View.SetEnabled(Control::cmdViewLog, false);
  if (Message.empty()) {
    std::int32_t number = CurrentError.Number();
    std::string numberText = (number >= 0 ? " " : "") + std::to_string(number);
    Message = "An unexpected internal error was encountered in module '" + ModuleName +
              "'.\n\nError #" + numberText + ", " + CurrentError.Description() + "\n";
  }
  if (Footer.empty()) {
    Footer =
        std::string("\nPlease report this error to Orvantis Support at ") + kSupportAddress + ".";
  }
  // A failure reported on behalf of the log writer must not go through the log writer again.
  const bool mayLog = ModuleName != "Add2Log";
  (void)MessageBox(Message + Footer, AppTitle, MsgBoxButtons::Ok, MsgBoxIcon::Critical, mayLog);
  // Where no box could be shown, its lines are in the log already.
  if (mayLog && StationVisible) Add2Log(LogFilePath, Message);
  if (ConsoleMode != 2) RemoveTrayIcon();
  Os.System.EndProgram(kExitFatalError);
  std::abort();  // EndProgram never returns; the compiler cannot see that through the interface
}

}  // namespace tollivox
