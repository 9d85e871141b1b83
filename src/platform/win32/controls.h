// The Windows implementation of the controls seam: a page's buttons, boxes and edit boxes acted
// on through their own messages.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/services.h"

namespace tollivox::win32 {

class Win32Controls final : public IControls {
 public:
  // How long a message sent to another program's control may take before it counts as not
  // answered. A page that pumps its messages answers at once.
  static constexpr unsigned kSendMilliseconds = 1000;

  // Captions are read as window titles are.
  explicit Win32Controls(Win32Windows& Windows) : windows_(Windows) {}

  std::vector<ControlInfo> ShownControls(WindowHandle Window) override;
  DialogCodeReading DialogCode(WindowHandle Control) override;
  ControlResult Press(WindowHandle Control) override;
  ControlResult MousePress(WindowHandle Control) override;
  CheckReading IsChecked(WindowHandle Control) override;
  ControlResult SetChecked(WindowHandle Control, bool Checked) override;
  ControlResult SetText(WindowHandle Control, const std::string& Text) override;
  ListReading ListItems(WindowHandle Control, ControlKind Kind, int Most) override;
  ControlResult Choose(WindowHandle Control, ControlKind Kind, int Index) override;

 private:
  Win32Windows& windows_;
};

}  // namespace tollivox::win32
