#include "platform/win32/console_window.h"

#include <cmath>
#include <optional>

#include "app/frmZandrel.h"
#include "errors/errors.h"
#include "platform/win32/resource.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TollivoxConsole";
constexpr UINT_PTR kTimerId = 1;
constexpr int kFirstControlId = 100;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The client area the layout was drawn for, in twips.
constexpr double kClientWidth = 7455;
constexpr double kClientHeight = 1365;

struct ControlLayout {
  Control Which;
  const wchar_t* ClassName;
  const wchar_t* Caption;
  double Left, Top, Width, Height;
  DWORD Style;
  DWORD ExStyle;
};

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kHeading = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTER;

// In tab order: creation order is the order Tab walks.
constexpr ControlLayout kLayout[] = {
    {Control::cmdExit, L"BUTTON", L"&Exit", 4440, 840, 1215, 375,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {Control::cmdStopStart, L"BUTTON", L"&Stop", 1800, 840, 1215, 375, kButton, 0},
    {Control::cmdViewLog, L"BUTTON", L"View &Log", 3120, 840, 1215, 375, kButton, 0},
    {Control::cmdRefresh, L"BUTTON", L"&Refresh", 2400, 4920, 1215, 375, kButton, 0},
    {Control::cmdClear, L"BUTTON", L"&Clear", 3840, 4920, 1215, 375, kButton, 0},
    // Window titles land here; an "&" in one must show as itself.
    {Control::lblMessage, L"STATIC", L"", 165, 120, 7245, 615,
     WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0},
    {Control::txtLog, L"EDIT", L"", 120, 1680, 7215, 3060,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
         ES_AUTOHSCROLL | ES_READONLY,
     WS_EX_CLIENTEDGE},
    {Control::lblDateTime, L"STATIC", L"Date && Time", 120, 1440, 1695, 255, kHeading, 0},
    {Control::lblEvent, L"STATIC", L"Event", 1800, 1440, 5535, 255, kHeading, 0},
};

struct MenuItem {
  Control Which;
  const wchar_t* Caption;
};

constexpr MenuItem kMenu[] = {
    {Control::mPopRestore, L"&Restore"},
    {Control::mStopStart, L"&Stop"},
    {Control::mPopExit, L"&Exit"},
};

std::size_t IndexOf(Control Which) { return static_cast<std::size_t>(Which); }
int IdOf(Control Which) { return kFirstControlId + static_cast<int>(Which); }

std::optional<Control> ControlOfId(int Id) {
  int index = Id - kFirstControlId;
  if (index < 0 || index > static_cast<int>(Control::mPopExit)) return std::nullopt;
  return static_cast<Control>(index);
}

bool IsMenuItem(Control Which) { return Which >= Control::mPopRestore; }

bool IsClickable(Control Which) { return Which <= Control::cmdClear || IsMenuItem(Which); }

std::string WindowText(HWND Window) {
  int length = GetWindowTextLengthW(Window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(Window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

bool RegisterConsoleClass(HINSTANCE Instance, WNDPROC Procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(Instance, kClassName, &existing)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = Instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HICON LoadProgramIcon(HINSTANCE Instance, int Size) {
  return static_cast<HICON>(
      LoadImageW(Instance, MAKEINTRESOURCEW(IDI_TOLLIVOX), IMAGE_ICON, Size, Size, 0));
}

}  // namespace

// ---------------------------------------------------------------- form events

void FormEvents::Timer() { form_.tmrWaitForWindow_Timer(); }

void FormEvents::Click(Control Which) {
  switch (Which) {
    case Control::cmdExit:
      form_.cmdExit_Click();
      break;
    case Control::cmdStopStart:
      form_.cmdStopStart_Click();
      break;
    case Control::cmdViewLog:
      form_.cmdViewLog_Click();
      break;
    case Control::cmdRefresh:
      form_.cmdRefresh_Click();
      break;
    case Control::cmdClear:
      form_.cmdClear_Click();
      break;
    case Control::mPopRestore:
      form_.mPopRestore_Click();
      break;
    case Control::mStopStart:
      form_.mStopStart_Click();
      break;
    case Control::mPopExit:
      form_.mPopExit_Click();
      break;
    default:
      break;
  }
}

void FormEvents::Resize() { form_.Form_Resize(); }

void FormEvents::CloseRequested() { form_.CloseRequested(); }

void FormEvents::MouseMove(double X) { form_.Form_MouseMove(0, 0, X, 0); }

// ---------------------------------------------------------------- creation

Win32Console::Win32Console() {
  HDC screen = GetDC(nullptr);
  if (screen) {
    int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    if (dpiX > 0) twipsPerPixelX_ = 1440.0 / dpiX;
    if (dpiY > 0) twipsPerPixelY_ = 1440.0 / dpiY;
    ReleaseDC(nullptr, screen);
  }
}

Win32Console::~Win32Console() {
  // The form may already be gone; nothing may reach it while the window goes.
  events_ = nullptr;
  window_.Reset();
}

bool Win32Console::Create(IConsoleEvents& Events) {
  if (window_) return true;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterConsoleClass(instance, &Win32Console::WindowProc)) return false;

  bigIcon_.Reset(LoadProgramIcon(instance, GetSystemMetrics(SM_CXICON)));
  smallIcon_.Reset(LoadProgramIcon(instance, GetSystemMetrics(SM_CXSMICON)));
  // A build without the resource still gets an icon in the tray and the title bar.
  HICON fallback = LoadIconW(nullptr, IDI_APPLICATION);
  trayIcon_ = smallIcon_ ? smallIcon_.Get() : fallback;

  RECT frame{0, 0, PixelsX(kClientWidth), PixelsY(kClientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  events_ = &Events;
  HWND window = CreateWindowExW(0, kClassName, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, this);
  if (!window) {
    events_ = nullptr;
    return false;
  }
  SendMessageW(window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(bigIcon_ ? bigIcon_.Get() : fallback));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(trayIcon_));
  if (!CreateControls()) {
    events_ = nullptr;
    window_.Reset();
    return false;
  }
  RestartTimer();
  return true;
}

bool Win32Console::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HDC screen = GetDC(nullptr);
  int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  // 8.25 points.
  int fontHeight = -MulDiv(825, dpiY, 7200);
  font_.Reset(CreateFontW(fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  // The log reads more easily without bold.
  logFont_.Reset(CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));

  for (const ControlLayout& layout : kLayout) {
    HWND control = CreateWindowExW(
        layout.ExStyle, layout.ClassName, layout.Caption, layout.Style, PixelsX(layout.Left),
        PixelsY(layout.Top), PixelsX(layout.Width), PixelsY(layout.Height), window_.Get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(layout.Which))), instance, nullptr);
    if (!control) return false;
    controls_[IndexOf(layout.Which)] = control;
    HFONT font = layout.Which == Control::txtLog ? logFont_.Get() : font_.Get();
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  menu_.Reset(CreatePopupMenu());
  if (!menu_) return false;
  for (const MenuItem& item : kMenu) {
    if (!AppendMenuW(menu_.Get(), MF_STRING, static_cast<UINT_PTR>(IdOf(item.Which)),
                     item.Caption)) {
      return false;
    }
  }
  return true;
}

HWND Win32Console::ControlWindow(Control Which) const {
  if (IsMenuItem(Which)) return nullptr;
  return controls_[IndexOf(Which)];
}

int Win32Console::PixelsX(double Twips) const {
  return static_cast<int>(std::lround(Twips / twipsPerPixelX_));
}

int Win32Console::PixelsY(double Twips) const {
  return static_cast<int>(std::lround(Twips / twipsPerPixelY_));
}

// ---------------------------------------------------------------- message handling

LRESULT CALLBACK Win32Console::WindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  auto* self = reinterpret_cast<Win32Console*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (Message == WM_NCCREATE) {
    self = static_cast<Win32Console*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_.Reset(Window);
  }
  if (!self) return DefWindowProcW(Window, Message, WParam, LParam);
  // Nothing may unwind into the window system's frames.
  try {
    return self->HandleMessage(Window, Message, WParam, LParam);
  } catch (const ConsoleUnloaded&) {
    return 0;
  } catch (...) {
    ExitProcess(static_cast<UINT>(kExitFatalError));
  }
}

LRESULT Win32Console::HandleMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_TIMER:
      if (WParam != kTimerId) break;
      if (events_) events_->Timer();
      return 0;

    case WM_COMMAND: {
      int id = LOWORD(WParam);
      // Enter and Esc, from the dialog keyboard handling.
      if (id == IDOK || id == IDCANCEL) {
        if (events_) events_->Click(Control::cmdExit);
        return 0;
      }
      std::optional<Control> which = ControlOfId(id);
      if (which && IsClickable(*which) && HIWORD(WParam) == BN_CLICKED && events_) {
        events_->Click(*which);
      }
      return 0;
    }

    case DM_GETDEFID:
      return MAKELRESULT(DefaultButtonId(), DC_HASDEFID);

    case WM_SIZE:
      // Sizes set while the window is still being built are not the user's doing.
      if (shown_ && events_ && WParam <= SIZE_MAXIMIZED) events_->Resize();
      return 0;

    case WM_CLOSE:
      // The form decides; it unloads the window itself.
      if (events_) events_->CloseRequested();
      return 0;

    case WM_ACTIVATE:
      if (LOWORD(WParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Window, focus)) lastFocus_ = focus;
      }
      break;

    case WM_SETFOCUS: {
      HWND target = lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)
                        ? lastFocus_
                        : controls_[IndexOf(Control::cmdExit)];
      if (target) ::SetFocus(target);
      return 0;
    }

    case WM_SETCURSOR:
      if (pointer_ == MousePointer::Hourglass && LOWORD(LParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;

    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(LParam);
      HDC dc = reinterpret_cast<HDC>(WParam);
      if (control == controls_[IndexOf(Control::lblDateTime)] ||
          control == controls_[IndexOf(Control::lblEvent)]) {
        // Follows the user's colour scheme, like a title bar.
        SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
        SetBkColor(dc, GetSysColor(COLOR_ACTIVECAPTION));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_ACTIVECAPTION));
      }
      if (control == controls_[IndexOf(Control::txtLog)]) {
        // Read-only edits default to the dialog colour; the log stays white.
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      }
      break;
    }

    case WM_DESTROY:
      timer_.Forget();
      timerEnabled_ = false;
      PostQuitMessage(0);
      return 0;

    case WM_NCDESTROY:
      SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
      window_.Release();
      controls_.fill(nullptr);
      lastFocus_ = nullptr;
      menu_.Reset();
      return DefWindowProcW(Window, Message, WParam, LParam);

    default:
      if (Message == kTrayCallbackMessage) {
        // The form decodes the mouse message number from a coordinate in twips.
        if (events_) events_->MouseMove(LOWORD(LParam) * twipsPerPixelX_);
        return 0;
      }
      break;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

int Win32Console::DefaultButtonId() const {
  HWND focus = GetFocus();
  for (Control button : {Control::cmdExit, Control::cmdStopStart, Control::cmdViewLog,
                         Control::cmdRefresh, Control::cmdClear}) {
    if (focus && focus == controls_[IndexOf(button)]) return IdOf(button);
  }
  return IdOf(Control::cmdExit);
}

void Win32Console::Dispatch(MSG& Message) {
  // The log view is a multi-line edit box, which takes Enter and Esc for itself and turns Esc
  // into a close of the console: there too they are the Exit button's keys.
  if ((Message.message == WM_KEYDOWN || Message.message == WM_SYSKEYDOWN) &&
      (Message.wParam == VK_ESCAPE || Message.wParam == VK_RETURN) && Message.hwnd != nullptr &&
      Message.hwnd == controls_[IndexOf(Control::txtLog)]) {
    if (events_) events_->Click(Control::cmdExit);
    return;
  }
  if (window_ && IsDialogMessageW(window_.Get(), &Message)) return;
  TranslateMessage(&Message);
  DispatchMessageW(&Message);
}

int Win32Console::RunMessageLoop() {
  MSG message{};
  for (;;) {
    BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) return kExitFatalError;
    Dispatch(message);
  }
}

void Win32Console::DoEvents() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Taken here, it would never reach the main loop, which must end too.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

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

// ---------------------------------------------------------------- timer

void Win32Console::SetInterval(std::int32_t Milliseconds) {
  interval_ = Milliseconds;
  if (timerEnabled_) RestartTimer();
}

void Win32Console::SetEnabled(bool Enabled) {
  timerEnabled_ = Enabled && window_;
  RestartTimer();
}

void Win32Console::RestartTimer() {
  // An interval of 0 keeps the timer quiet while it stays switched on.
  if (timerEnabled_ && interval_ > 0 && window_) {
    if (!timer_.Start(window_.Get(), kTimerId, static_cast<UINT>(interval_))) {
      timerEnabled_ = false;
    }
  } else {
    timer_.Stop();
  }
}

}  // namespace tollivox::win32
