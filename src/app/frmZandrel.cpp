#include "app/frmZandrel.h"

namespace tollivox {

frmZandrel::frmZandrel(Platform& Os) : Os(Os) {
  PreviousInstance = Os.Files.PreviousInstanceRunning();
}

void frmZandrel::DoYield() {
  Os.Loop.DoEvents();
  if (Unloaded) throw ConsoleUnloaded{};
}

void frmZandrel::CheckStation() {
  if (StationChecked) return;
  StationVisible = Os.System.StationVisible() && !Os.System.InServicesSession();
  StationChecked = true;
}

MsgBoxAnswer frmZandrel::MessageBox(const std::string& Text, const std::string& Title,
                                    MsgBoxButtons Buttons, MsgBoxIcon Icon, bool MayLog) {
  CheckStation();
  if (StationVisible) return Os.Dialogs.ShowMessageBox(Text, Title, Buttons, Icon);
  // A box nobody can see waits for ever and the caller never learns how we ended.
  if (MayLog && !LogFilePath.empty()) {
    std::size_t start = 0;
    while (start <= Text.size()) {
      std::size_t end = Text.find('\n', start);
      if (end == std::string::npos) end = Text.size();
      if (end > start) Add2Log(LogFilePath, Text.substr(start, end - start));
      start = end + 1;
    }
  }
  return Buttons == MsgBoxButtons::YesNo ? MsgBoxAnswer::No : MsgBoxAnswer::Ok;
}

void frmZandrel::ShowStatus(const std::string& Text) {
  Os.View.SetText(Control::lblMessage, Text);
  DoYield();
}

}  // namespace tollivox
