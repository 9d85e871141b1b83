#include "app/frmZandrel.h"

namespace tollivox {

frmZandrel::frmZandrel(Platform& Os) : Os(Os) {
  PreviousInstance = Os.Files.PreviousInstanceRunning();
}

void frmZandrel::DoYield() {
  Os.Loop.DoEvents();
  if (Unloaded) throw ConsoleUnloaded{};
}

void frmZandrel::ShowStatus(const std::string& Text) {
  Os.View.SetText(Control::lblMessage, Text);
  DoYield();
}

}  // namespace tollivox
