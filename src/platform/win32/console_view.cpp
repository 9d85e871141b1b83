// The console's view operations: state, size and place, texts, enabled states, focus, pointer.
#include "platform/win32/console_layout.h"
#include "platform/win32/console_window.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {

using namespace console;

namespace {

std::string WindowText(HWND Window) {
  int length = GetWindowTextLengthW(Window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(Window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

}  // namespace

// ---------------------------------------------------------------- showing and state

void Win32Console::ShowFirstTime(WindowState State) {
  shown_ = true;
  int command = SW_SHOWNORMAL;
  // Not activated: a console that starts minimised must not take the focus from the user.
  if (State == WindowState::Minimized) command = SW_SHOWMINNOACTIVE;
  if (State == WindowState::Maximized) command = SW_SHOWMAXIMIZED;
  ShowWindow(window_.Get(), command);
}

void Win32Console::ShowAsMainWindow() {
  if (window_ && !shown_) ShowFirstTime(pendingState_);
}

WindowState Win32Console::State() {
  if (!window_) return WindowState::Normal;
  if (!shown_) return pendingState_;
  if (IsIconic(window_.Get())) return WindowState::Minimized;
  if (IsZoomed(window_.Get())) return WindowState::Maximized;
  return WindowState::Normal;
}

void Win32Console::SetState(WindowState NewState) {
  if (!window_) return;
  if (!shown_) {
    pendingState_ = NewState;
    return;
  }
  HWND window = window_.Get();
  switch (NewState) {
    case WindowState::Minimized:
      if (!IsIconic(window)) ShowWindow(window, SW_MINIMIZE);
      break;
    case WindowState::Maximized:
      if (!IsZoomed(window)) ShowWindow(window, SW_MAXIMIZE);
      break;
    case WindowState::Normal:
      if (IsIconic(window) || IsZoomed(window)) ShowWindow(window, SW_RESTORE);
      break;
  }
}

void Win32Console::Show() {
  if (!window_) return;
  if (!shown_) {
    ShowFirstTime(pendingState_);
  } else if (!IsWindowVisible(window_.Get())) {
    ShowWindow(window_.Get(), SW_SHOW);
  }
}

void Win32Console::Hide() {
  if (window_) ShowWindow(window_.Get(), SW_HIDE);
}

bool Win32Console::IsVisible() { return window_ && IsWindowVisible(window_.Get()); }

void Win32Console::Repaint() {
  // The labels are windows of their own: paint them too, now.
  if (window_) RedrawWindow(window_.Get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Console::Unload() {
  if (!window_) return;
  timer_.Stop();
  DestroyWindow(window_.Get());
}

// ---------------------------------------------------------------- size and position

double Win32Console::OuterWidth() {
  RECT frame{};
  if (!window_ || !GetWindowRect(window_.Get(), &frame)) return 0;
  return (frame.right - frame.left) * twipsPerPixelX_;
}

double Win32Console::OuterHeight() {
  RECT frame{};
  if (!window_ || !GetWindowRect(window_.Get(), &frame)) return 0;
  return (frame.bottom - frame.top) * twipsPerPixelY_;
}

void Win32Console::SetOuterHeight(double Twips) {
  RECT frame{};
  if (!window_ || !GetWindowRect(window_.Get(), &frame)) return;
  SetWindowPos(window_.Get(), nullptr, 0, 0, frame.right - frame.left, PixelsY(Twips),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Console::Move(double LeftTwips, double TopTwips) {
  if (!window_) return;
  SetWindowPos(window_.Get(), nullptr, PixelsX(LeftTwips), PixelsY(TopTwips), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

double Win32Console::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN) * twipsPerPixelX_; }

double Win32Console::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN) * twipsPerPixelY_; }

// ---------------------------------------------------------------- handles and controls

WindowHandle Win32Console::Handle() { return Handle32(window_.Get()); }

std::uint32_t Win32Console::IconHandle() { return Handle32(trayIcon_); }

void Win32Console::SetCaption(const std::string& Text) {
  if (window_) SetWindowTextW(window_.Get(), Widen(Text).c_str());
}

void Win32Console::SetText(Control Which, const std::string& Text) {
  std::wstring text = Widen(Text);
  if (IsMenuItem(Which)) {
    if (!menu_) return;
    // Only the caption changes; a greyed item stays greyed.
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = text.data();
    SetMenuItemInfoW(menu_.Get(), static_cast<UINT>(IdOf(Which)), FALSE, &item);
    return;
  }
  if (HWND control = ControlWindow(Which)) SetWindowTextW(control, text.c_str());
}

std::string Win32Console::Text(Control Which) {
  if (IsMenuItem(Which)) {
    if (!menu_) return {};
    UINT id = static_cast<UINT>(IdOf(Which));
    int length = GetMenuStringW(menu_.Get(), id, nullptr, 0, MF_BYCOMMAND);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int copied = GetMenuStringW(menu_.Get(), id, text.data(), length + 1, MF_BYCOMMAND);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
  }
  HWND control = ControlWindow(Which);
  return control ? WindowText(control) : std::string();
}

void Win32Console::SetEnabled(Control Which, bool Enabled) {
  if (IsMenuItem(Which)) {
    if (menu_) {
      EnableMenuItem(menu_.Get(), static_cast<UINT>(IdOf(Which)),
                     MF_BYCOMMAND | (Enabled ? MF_ENABLED : MF_GRAYED));
    }
    return;
  }
  if (HWND control = ControlWindow(Which)) EnableWindow(control, Enabled ? TRUE : FALSE);
}

bool Win32Console::IsEnabled(Control Which) {
  if (IsMenuItem(Which)) {
    if (!menu_) return false;
    UINT state = GetMenuState(menu_.Get(), static_cast<UINT>(IdOf(Which)), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
  }
  HWND control = ControlWindow(Which);
  return control && IsWindowEnabled(control);
}

void Win32Console::SetFocus(Control Which) {
  HWND control = ControlWindow(Which);
  if (!control) return;
  lastFocus_ = control;
  ::SetFocus(control);
}

void Win32Console::CaretToEnd(Control Which) {
  HWND control = ControlWindow(Which);
  if (!control) return;
  auto end = static_cast<WPARAM>(GetWindowTextLengthW(control));
  SendMessageW(control, EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(control, EM_SCROLLCARET, 0, 0);
}

void Win32Console::SetMousePointer(MousePointer Pointer) {
  pointer_ = Pointer;
  ShowPointer();
}

// The pointer changes at once when it is over the console, not only at the next mouse move.
void Win32Console::ShowPointer() {
  if (!window_) return;
  POINT position{};
  if (!GetCursorPos(&position)) return;
  HWND under = WindowFromPoint(position);
  if (!under || (under != window_.Get() && !IsChild(window_.Get(), under))) return;
  LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(position.x, position.y));
  SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
               MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

void Win32Console::PopupTrayMenu() {
  if (!window_ || !menu_) return;
  POINT position{};
  GetCursorPos(&position);
  TrackPopupMenu(menu_.Get(), 0, position.x, position.y, 0, window_.Get(), nullptr);
  // Lets the menu close properly when the user clicks elsewhere (the known tray menu quirk).
  PostMessageW(window_.Get(), WM_NULL, 0, 0);
}

}  // namespace tollivox::win32
