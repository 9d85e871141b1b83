// The console's own behaviour: it never stays maximised, hides behind its tray icon when minimised
// while a task bar is reported, and keeps itself centred on the whole screen.
#include "app/frmZandrel.h"

namespace tollivox {

void frmZandrel::Form_Resize() {
  Event("Form_Resize", [&] {
    WindowState state = Os.View.State();
    if (state == WindowState::Minimized) {
      // Not behind an icon the shell refused: the task bar is then the only way back. A hidden
      // console has no icon and stays hidden.
      if (TaskBarPresent != 0 && (TrayIconShown || ConsoleMode == 2)) Os.View.Hide();
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
