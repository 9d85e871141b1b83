// The orderly way out: Exit from the console or the tray menu, or closing the console.
#include "app/frmZandrel.h"

namespace tollivox {

void frmZandrel::cmdExit_Click() {
  Event("cmdExit_Click", [&] {
    Add2Log(LogFilePath, ">>>>> Exit");
    UnloadConsole();
  });
}

void frmZandrel::mPopExit_Click() {
  Event("mPopExit_Click", [&] {
    Add2Log(LogFilePath, ">>>>> Exit");
    UnloadConsole();
  });
}

void frmZandrel::CloseRequested() {
  Event("Form_Unload", [&] { UnloadConsole(); });
}

void frmZandrel::UnloadConsole() {
  if (Unloaded) return;
  std::int16_t cancel = 0;
  Form_Unload(cancel);
  if (cancel != 0) return;
  // From here on a procedure that was waiting in a yield stops there (see DoYield).
  Unloaded = true;
  Os.Timer.SetEnabled(false);
  Os.View.Unload();
}

void frmZandrel::Form_Unload(std::int16_t& /*Cancel*/) {
  Event("Form_Unload", [&] {
    if (ConsoleMode != 2) RemoveTrayIcon();
  });
}

void frmZandrel::Form_Terminate() {
  Event("Form_Terminate", [&] { Add2Log(LogFilePath, ">>>>> Unloaded"); });
}

}  // namespace tollivox
