#include "platform/win32/console_window.h"

#include <cmath>
#include <utility>

#include "app/frmZandrel.h"
#include "platform/win32/console_layout.h"
#include "platform/win32/resource.h"
#include "platform/win32/system_library.h"

namespace tollivox::win32 {

using namespace console;

namespace {

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

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The DPI of the monitor the window is on (Windows 10 1607), else the system's.
int WindowDpi(HWND Window) {
  using DpiCall = UINT(WINAPI*)(HWND);
  static const auto call = LoadedFunction<DpiCall>(L"user32.dll", "GetDpiForWindow");
  const UINT dpi = call ? call(Window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
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

void FormEvents::ShellRestarted() { form_.ShellRestarted(); }

// ---------------------------------------------------------------- creation

Win32Console::Win32Console() { SetDpi(SystemDpi()); }

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

  SIZE outer = OuterSize(dpi_);
  events_ = &Events;
  HWND window = CreateWindowExW(0, kClassName, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.cx, outer.cy, nullptr, nullptr, instance, this);
  if (!window) {
    events_ = nullptr;
    return false;
  }
  // The monitor the window landed on may have another DPI than the primary one.
  if (const int dpi = WindowDpi(window); dpi != dpi_) {
    SetDpi(dpi);
    outer = OuterSize(dpi_);
    SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(bigIcon_ ? bigIcon_.Get() : fallback));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(trayIcon_));
  if (!CreateControls()) {
    events_ = nullptr;
    window_.Reset();
    return false;
  }
  AllowShellMessages();
  RestartTimer();
  return true;
}

void Win32Console::AllowShellMessages() {
  // The shell says that it (re)started with this broadcast; its tray then holds no icons.
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  // Started elevated, the program would not receive the messages of the shell, which runs with
  // less: its restart, and every click on the icon.
  for (UINT message : {taskbarCreated_, static_cast<UINT>(kTrayCallbackMessage)}) {
    if (message != 0) ChangeWindowMessageFilterEx(window_.Get(), message, MSGFLT_ALLOW, nullptr);
  }
}

bool Win32Console::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  MakeFonts();
  for (const ControlLayout& layout : kLayout) {
    HWND control = CreateWindowExW(
        layout.ExStyle, layout.ClassName, layout.Caption, layout.Style, PixelsX(layout.Left),
        PixelsY(layout.Top), PixelsX(layout.Width), PixelsY(layout.Height), window_.Get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(layout.Which))), instance, nullptr);
    if (!control) return false;
    controls_[IndexOf(layout.Which)] = control;
    if (HFONT font = FontOf(layout.Which)) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
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

// ---------------------------------------------------------------- DPI

void Win32Console::SetDpi(int Dpi) {
  dpi_ = Dpi;
  twipsPerPixelX_ = 1440.0 / Dpi;
  twipsPerPixelY_ = 1440.0 / Dpi;
}

SIZE Win32Console::OuterSize(int Dpi) const {
  RECT frame{0, 0, PixelsX(kClientWidth), PixelsY(kClientHeight)};
  // The frame's own metrics at that DPI, where the system can tell them (Windows 10 1607).
  using AdjustCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = LoadedFunction<AdjustCall>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (!adjust || !adjust(&frame, kWindowStyle, FALSE, 0, static_cast<UINT>(Dpi))) {
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  }
  // The height is the form's own, in twips: the frame's metrics need not scale with the DPI as
  // the twips do (Wine's caption at 144 dpi is 34 pixels, not 37.5).
  return {frame.right - frame.left, PixelsY(kShortHeight)};
}

void Win32Console::MakeFonts() {
  // 8.25 points at the window's DPI.
  const int height = -MulDiv(825, dpi_, 7200);
  font_.Reset(CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  // The log reads more easily without bold.
  logFont_.Reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
}

HFONT Win32Console::FontOf(Control Which) const {
  return Which == Control::txtLog ? logFont_.Get() : font_.Get();
}

void Win32Console::ChangeDpi(int Dpi, const RECT& Suggested) {
  if (!window_ || Dpi <= 0) return;
  // The controls keep their fonts until the new ones are set: the old go after that.
  OwnedFont oldFont = std::move(font_);
  OwnedFont oldLogFont = std::move(logFont_);
  SetDpi(Dpi);
  MakeFonts();
  for (const ControlLayout& layout : kLayout) {
    HWND control = controls_[IndexOf(layout.Which)];
    if (!control) continue;
    SetWindowPos(control, nullptr, PixelsX(layout.Left), PixelsY(layout.Top), PixelsX(layout.Width),
                 PixelsY(layout.Height), SWP_NOZORDER | SWP_NOACTIVATE);
    if (HFONT font = FontOf(layout.Which)) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  }
  // The rectangle the system proposes keeps the window's size in twips and its place.
  SetWindowPos(window_.Get(), nullptr, Suggested.left, Suggested.top,
               Suggested.right - Suggested.left, Suggested.bottom - Suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
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
