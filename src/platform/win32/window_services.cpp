#include <cstdint>
#include <string>

#include "platform/win32/services.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

// User handles are 32-bit values even in 64-bit processes, and Windows sign-extends them when
// widening, so the way back goes through a signed 32-bit value.
WindowHandle FromHwnd(HWND Window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(Window));
}

HWND ToHwnd(WindowHandle Window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Window)));
}

// Runs Call with this thread's input attached to Target's thread, which lets foreground and
// activation requests through that Windows refuses a thread without input of its own.
template <class Body>
auto WithInputOf(DWORD TargetThread, Body&& Call) {
  DWORD ownThread = GetCurrentThreadId();
  bool attached = TargetThread != 0 && TargetThread != ownThread &&
                  AttachThreadInput(ownThread, TargetThread, TRUE) != FALSE;
  auto result = Call();
  if (attached) AttachThreadInput(ownThread, TargetThread, FALSE);
  return result;
}

}  // namespace

WindowHandle Win32Windows::DesktopWindow() { return FromHwnd(GetDesktopWindow()); }

WindowHandle Win32Windows::NextWindow(WindowHandle Window, int Relation) {
  return FromHwnd(GetWindow(ToHwnd(Window), static_cast<UINT>(Relation)));
}

std::string Win32Windows::WindowTitle(WindowHandle Window) {
  HWND window = ToHwnd(Window);
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  // The title may change between the two calls; the copy count is what counts.
  std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, title.data(), length + 1);
  title.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(title);
}

bool Win32Windows::IsVisible(WindowHandle Window) {
  return IsWindowVisible(ToHwnd(Window)) != FALSE;
}

bool Win32Windows::IsEnabled(WindowHandle Window) {
  return IsWindowEnabled(ToHwnd(Window)) != FALSE;
}

bool Win32Windows::SetForeground(WindowHandle Window) {
  HWND window = ToHwnd(Window);
  if (SetForegroundWindow(window) != FALSE) return true;
  // Refused because another process holds the foreground: share that thread's input state for
  // this one call, as the foreground lock rules allow.
  HWND foreground = GetForegroundWindow();
  DWORD foregroundThread =
      foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  return WithInputOf(foregroundThread, [&] { return SetForegroundWindow(window) != FALSE; });
}

void Win32Windows::SetActive(WindowHandle Window) {
  HWND window = ToHwnd(Window);
  // SetActiveWindow only reaches windows of threads that share our input state.
  DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
  WithInputOf(windowThread, [&] { return SetActiveWindow(window); });
}

void Win32Windows::Show(WindowHandle Window, int ShowCommand) {
  ShowWindow(ToHwnd(Window), ShowCommand);
}

}  // namespace tollivox::win32
