// Stop and Start of the watch, from the console button or the tray menu.
#include "app/frmZandrel.h"

namespace tollivox {

void frmZandrel::cmdStopStart_Click() {
  Event("cmdStopStart_Click", [&] {
    if (!Stopped) {
      Stopped = true;
      Os.View.SetText(Control::lblMessage, "Stopped");
      Os.View.SetText(Control::cmdStopStart, "&Start");
      Os.View.SetText(Control::mStopStart, "&Start");
      Add2Log(LogFilePath, ">>>>> Stopped");
      // A tick in progress runs to its end; only the next ones are held back.
      Os.Timer.SetEnabled(false);
      return;
    }
    Stopped = false;
    Os.View.SetText(Control::cmdStopStart, "&Stop");
    Os.View.SetText(Control::mStopStart, "&Stop");
    Add2Log(LogFilePath, ">>>>> Started");
    // Start is a fresh start: the whole start-up runs again on the same command line, but the
    // console stays where and as the user left it.
    RestartFlag = -1;
    Form_Load();
  });
}

void frmZandrel::mStopStart_Click() {
  Event("mStopStart_Click", [&] { cmdStopStart_Click(); });
}

}  // namespace tollivox
