// The console's window procedure and message loops: messages become the form's events.
#include <optional>

#include "app/frmZandrel.h"
#include "errors/errors.h"
#include "platform/win32/console_layout.h"
#include "platform/win32/console_window.h"

namespace tollivox::win32 {

using namespace console;

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

    case WM_DPICHANGED:
      // Moved to a monitor of another DPI, or its scale changed: X and Y are the same.
      ChangeDpi(HIWORD(WParam), *reinterpret_cast<const RECT*>(LParam));
      return 0;

    default:
      if (Message == taskbarCreated_ && taskbarCreated_ != 0) {
        if (events_) events_->ShellRestarted();
        return 0;
      }
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

}  // namespace tollivox::win32
