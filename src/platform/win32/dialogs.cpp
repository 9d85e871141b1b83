#include "platform/win32/services.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

MsgBoxAnswer Win32Dialogs::ShowMessageBox(const std::string& Text, const std::string& Title,
                                          MsgBoxButtons Buttons, MsgBoxIcon Icon) {
  UINT style = MB_TASKMODAL | MB_SETFOREGROUND;
  style |= Buttons == MsgBoxButtons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
  switch (Icon) {
    case MsgBoxIcon::Critical:
      style |= MB_ICONSTOP;
      break;
    case MsgBoxIcon::Question:
      style |= MB_ICONQUESTION;
      break;
    case MsgBoxIcon::Information:
      style |= MB_ICONINFORMATION;
      break;
  }
  int answer = MessageBoxW(nullptr, Widen(Text).c_str(), Widen(Title).c_str(), style);
  switch (answer) {
    case IDYES:
      return MsgBoxAnswer::Yes;
    case IDOK:
      return MsgBoxAnswer::Ok;
    // A box that could not be shown answers a question with No: nothing is agreed to unseen.
    default:
      return Buttons == MsgBoxButtons::YesNo ? MsgBoxAnswer::No : MsgBoxAnswer::Ok;
  }
}

}  // namespace tollivox::win32
