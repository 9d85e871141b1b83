// The notification-area icon record and the task bar query.
#include <cstring>

#include "app/frmZandrel.h"

namespace tollivox {

std::int16_t frmZandrel::TaskBarExists() {
  std::int16_t state = 0;
  Guard("TaskBarExists", [&] {
    // Only the state bits (auto-hide, always on top) matter; they sit in the low word.
    state = static_cast<std::int16_t>(Os.Tray.TaskBarState() & 0xFFFFu);
  });
  return state;
}

void frmZandrel::FillTrayIconData() {
  constexpr char kTip[] = "Tollivox";
  TrayIconData.cbSize = 88;
  TrayIconData.hWnd = Os.View.Handle();
  TrayIconData.uID = 1;
  TrayIconData.uFlags = 7;  // message, icon and tip are valid
  TrayIconData.uCallbackMessage = kTrayCallbackMessage;
  TrayIconData.hIcon = Os.View.IconHandle();
  // The shell shows the tip up to its terminator; the rest of the field is blank padding.
  std::memset(TrayIconData.szTip, ' ', sizeof TrayIconData.szTip);
  std::memcpy(TrayIconData.szTip, kTip, sizeof kTip);
}

void frmZandrel::AddTrayIcon() {
  FillTrayIconData();
  TrayIconWanted = true;
  TrayIconShown = Os.Tray.Add(TrayIconData);
}

// Callers skip it when ConsoleMode is 2: a hidden console never added the icon.
void frmZandrel::RemoveTrayIcon() {
  TrayIconWanted = false;
  TrayIconShown = false;
  Os.Tray.Remove(TrayIconData);
}

void frmZandrel::ShellRestarted() {
  // A restarted shell has forgotten every icon, and one that refused the add at start (no shell
  // yet at logon) takes it now; an icon it still holds is only updated.
  Event("ShellRestarted", [&] {
    if (TrayIconWanted) AddTrayIcon();
  });
}

}  // namespace tollivox
