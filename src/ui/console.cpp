// The console's own behaviour: it never stays maximised, hides when minimised while a task bar is
// reported, and keeps itself centred on the whole screen.
#include "app/frmZandrel.h"

namespace tollivox {

void frmZandrel::Form_Resize() {
  Event("Form_Resize", [&] {
    WindowState state = Os.View.State();
    if (state == WindowState::Minimized) {
      if (TaskBarPresent != 0) Os.View.Hide();
    } else if (state == WindowState::Maximized) {
      Os.View.SetState(WindowState::Normal);
    } else {
      float left =
          (static_cast<float>(Os.View.ScreenWidth()) - static_cast<float>(Os.View.OuterWidth())) /
          2;
      float top =
          (static_cast<float>(Os.View.ScreenHeight()) - static_cast<float>(Os.View.OuterHeight())) /
          2;
      Os.View.Move(left, top);
    }
  });
}

}  // namespace tollivox
