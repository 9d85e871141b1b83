// The console window frmZandrel: its controls, its watch timer and the message loops that drive
// the program. The window procedure only turns messages into calls of IConsoleEvents.
// console_window.cpp makes the window and lays it out for its DPI, console_messages.cpp holds the
// window procedure and the loops, console_view.cpp the view operations, console_layout.h the
// layout table.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/win32/raii.h"

namespace tollivox {
class frmZandrel;
}

namespace tollivox::win32 {

// What the console's window messages become.
class IConsoleEvents {
 public:
  virtual ~IConsoleEvents() = default;
  virtual void Timer() = 0;
  // A button click or a tray menu command.
  virtual void Click(Control Which) = 0;
  virtual void Resize() = 0;
  // The close command of the title bar or the system menu.
  virtual void CloseRequested() = 0;
  // A tray notification as the form's mouse-move event takes it: the notification's mouse
  // message number scaled like a horizontal coordinate in twips.
  virtual void MouseMove(double X) = 0;
  // The shell (re)started and holds no icons: the broadcast TaskbarCreated.
  virtual void ShellRestarted() = 0;
};

// Hands the console's events to the form's event handlers.
class FormEvents final : public IConsoleEvents {
 public:
  explicit FormEvents(frmZandrel& Form) : form_(Form) {}
  void Timer() override;
  void Click(Control Which) override;
  void Resize() override;
  void CloseRequested() override;
  void MouseMove(double X) override;
  void ShellRestarted() override;

 private:
  frmZandrel& form_;
};

class Win32Console final : public IConsoleView, public ITimer, public IEventLoop {
 public:
  Win32Console();
  ~Win32Console() override;
  Win32Console(const Win32Console&) = delete;
  Win32Console& operator=(const Win32Console&) = delete;

  // Creates the window with its controls and menu, hidden; its messages go to Events from now
  // on. False when the window system refuses.
  bool Create(IConsoleEvents& Events);
  // Shows the window the first time, in the state asked for meanwhile, as the window system does
  // with a program's main window after its load procedure; nothing once it has been shown.
  void ShowAsMainWindow();
  bool HasBeenShown() const { return shown_; }

  // Runs one message through the console's keyboard handling (Tab, Enter, Esc, mnemonics) or
  // dispatches it.
  void Dispatch(MSG& Message);
  // The program's message loop: until WM_QUIT, whose exit code it returns.
  int RunMessageLoop();

  HWND Window() const { return window_.Get(); }
  // The control's own window; null for the menu items and once the console is unloaded.
  HWND ControlWindow(Control Which) const;
  HMENU TrayMenu() const { return menu_.Get(); }
  std::int32_t Interval() const { return interval_; }
  double TwipsPerPixelY() const { return twipsPerPixelY_; }
  int Dpi() const { return dpi_; }
  // The registered message by which the shell says it (re)started; 0 before Create.
  UINT TaskbarCreatedMessage() const { return taskbarCreated_; }

  // ---- IConsoleView ----
  WindowHandle Handle() override;
  std::uint32_t IconHandle() override;
  void SetCaption(const std::string& Text) override;
  void SetText(Control Which, const std::string& Text) override;
  std::string Text(Control Which) override;
  void SetEnabled(Control Which, bool Enabled) override;
  bool IsEnabled(Control Which) override;
  void SetFocus(Control Which) override;
  void CaretToEnd(Control Which) override;
  WindowState State() override;
  void SetState(WindowState State) override;
  double OuterWidth() override;
  double OuterHeight() override;
  void SetOuterHeight(double Twips) override;
  void Move(double LeftTwips, double TopTwips) override;
  void Show() override;
  void Hide() override;
  bool IsVisible() override;
  void Repaint() override;
  void SetMousePointer(MousePointer Pointer) override;
  void PopupTrayMenu() override;
  void Unload() override;
  double ScreenWidth() override;
  double ScreenHeight() override;
  double TwipsPerPixelX() override { return twipsPerPixelX_; }

  // ---- ITimer ----
  void SetInterval(std::int32_t Milliseconds) override;
  void SetEnabled(bool Enabled) override;
  bool Enabled() override { return timerEnabled_; }

  // ---- IEventLoop ----
  void DoEvents() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  LRESULT HandleMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  bool CreateControls();
  void AllowShellMessages();
  void SetDpi(int Dpi);
  // The window's outer size at a DPI: the layout's client width with its frame, and the form's
  // short height.
  SIZE OuterSize(int Dpi) const;
  void MakeFonts();
  HFONT FontOf(Control Which) const;
  // WM_DPICHANGED: lays the controls out again at the new DPI, in the rectangle proposed.
  void ChangeDpi(int Dpi, const RECT& Suggested);
  void ShowFirstTime(WindowState State);
  void RestartTimer();
  void ShowPointer();
  // The button Enter clicks: the focused one, otherwise cmdExit.
  int DefaultButtonId() const;
  int PixelsX(double Twips) const;
  int PixelsY(double Twips) const;

  static constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::lblEvent) + 1;

  OwnedWindow window_;
  std::array<HWND, kControlCount> controls_{};
  OwnedMenu menu_;
  OwnedFont font_;
  OwnedFont logFont_;
  OwnedIcon bigIcon_;
  OwnedIcon smallIcon_;
  HICON trayIcon_ = nullptr;
  WindowTimer timer_;
  IConsoleEvents* events_ = nullptr;
  HWND lastFocus_ = nullptr;

  int dpi_ = 96;
  UINT taskbarCreated_ = 0;
  double twipsPerPixelX_ = 15;
  double twipsPerPixelY_ = 15;
  bool shown_ = false;
  WindowState pendingState_ = WindowState::Normal;
  MousePointer pointer_ = MousePointer::Default;
  std::int32_t interval_ = 1000;
  bool timerEnabled_ = false;
};

}  // namespace tollivox::win32
