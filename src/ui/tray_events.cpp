// Clicks on the tray icon and the Restore command of its menu.
#include <cmath>

#include "app/frmZandrel.h"

namespace tollivox {

namespace {

constexpr std::int32_t kLeftButtonUp = 514;
constexpr std::int32_t kLeftButtonDoubleClick = 515;
constexpr std::int32_t kRightButtonUp = 517;

}  // namespace

void frmZandrel::Form_MouseMove(int /*Button*/, int /*Shift*/, double X, double /*Y*/) {
  Event("Form_MouseMove", [&] {
    // A final message box is up: the program is about to end and must not come back to life.
    if (Terminating != 0) return;
    // The icon's mouse message arrives as a coordinate in the console's scale (twips).
    double message = std::nearbyint(X / Os.View.TwipsPerPixelX());
    if (!(message >= INT32_MIN && message <= INT32_MAX)) Raise(kErrOverflow);
    switch (static_cast<std::int32_t>(message)) {
      case kLeftButtonUp:
      case kLeftButtonDoubleClick:
        Os.View.SetState(WindowState::Normal);
        ApiResult = Os.Windows.SetForeground(Os.View.Handle()) ? 1 : 0;
        Os.View.Show();
        break;
      case kRightButtonUp:
        // Foreground first, so the menu closes when the user clicks elsewhere.
        ApiResult = Os.Windows.SetForeground(Os.View.Handle()) ? 1 : 0;
        Os.View.PopupTrayMenu();
        break;
      default:
        break;
    }
  });
}

void frmZandrel::mPopRestore_Click() {
  Event("mPopRestore_Click", [&] {
    Os.View.SetState(WindowState::Normal);
    ApiResult = Os.Windows.SetForeground(Os.View.Handle()) ? 1 : 0;
    Os.View.Show();
  });
}

}  // namespace tollivox
