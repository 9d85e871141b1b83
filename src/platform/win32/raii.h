// Move-only holders for the user-interface resources the console owns (window, menu, font,
// icon, timer), so that every way out of a function gives them back exactly once.
#pragma once

#include <cstdint>

#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

// Holds one handle and frees it with Traits::Free. Release() gives it up without freeing, for
// handles whose owner went away by other means (a window destroyed by the window system).
template <class Handle, class Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle Value) : handle_(Value) {}
  Owned(Owned&& Other) noexcept : handle_(Other.Release()) {}
  Owned& operator=(Owned&& Other) noexcept {
    if (this != &Other) Reset(Other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle Release() {
    Handle value = handle_;
    handle_ = nullptr;
    return value;
  }
  void Reset(Handle Value = nullptr) {
    if (handle_) Traits::Free(handle_);
    handle_ = Value;
  }

 private:
  Handle handle_ = nullptr;
};

struct WindowTraits {
  static void Free(HWND Window) { DestroyWindow(Window); }
};
struct MenuTraits {
  static void Free(HMENU Menu) { DestroyMenu(Menu); }
};
struct GdiTraits {
  static void Free(HGDIOBJ Object) { DeleteObject(Object); }
};
struct IconTraits {
  static void Free(HICON Icon) { DestroyIcon(Icon); }
};

using OwnedWindow = Owned<HWND, WindowTraits>;
using OwnedMenu = Owned<HMENU, MenuTraits>;
using OwnedFont = Owned<HFONT, GdiTraits>;
// Only for icons loaded without LR_SHARED: shared icons belong to the system.
using OwnedIcon = Owned<HICON, IconTraits>;

// A window timer: running from Start until Stop, the holder's end, or the window's destruction.
class WindowTimer {
 public:
  WindowTimer() = default;
  WindowTimer(WindowTimer&& Other) noexcept : window_(Other.window_), id_(Other.id_) {
    Other.window_ = nullptr;
  }
  WindowTimer& operator=(WindowTimer&& Other) noexcept {
    if (this != &Other) {
      Stop();
      window_ = Other.window_;
      id_ = Other.id_;
      Other.window_ = nullptr;
    }
    return *this;
  }
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;
  ~WindowTimer() { Stop(); }

  // Starting a running timer again restarts its interval.
  bool Start(HWND Window, UINT_PTR Id, UINT Milliseconds) {
    if (window_ && window_ != Window) Stop();
    if (SetTimer(Window, Id, Milliseconds, nullptr) == 0) return false;
    window_ = Window;
    id_ = Id;
    return true;
  }
  void Stop() {
    if (window_) KillTimer(window_, id_);
    window_ = nullptr;
  }
  // The window was destroyed, and its timers with it.
  void Forget() { window_ = nullptr; }
  bool Running() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
  UINT_PTR id_ = 0;
};

// User handles fit in 32 bits even in 64-bit processes, and Windows sign-extends them when
// widening, so the way back goes through a signed 32-bit value.
inline std::uint32_t Handle32(const void* Handle) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(Handle));
}
template <class Handle>
Handle FromHandle32(std::uint32_t Value) {
  return reinterpret_cast<Handle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Value)));
}

}  // namespace tollivox::win32
