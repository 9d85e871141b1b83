#include <climits>
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

// Room for the titles of nearly every window at the first read.
constexpr std::size_t kFirstTitleUnits = 256;
constexpr std::size_t kKeptTitleUnits = 4096;
// Past this the doubled count would not fit in an int; what the buffer holds is taken as it is.
constexpr int kLargestTitleUnits = INT_MAX / 2;

struct CaptionWalk {
  Win32Windows& Windows;
  std::string Captions;
};

BOOL CALLBACK CollectCaption(HWND Child, LPARAM State) {
  auto& walk = *reinterpret_cast<CaptionWalk*>(State);
  // IsWindowVisible is true only when every window up to the top-level one is shown, so the
  // controls of a hidden page are left out with it.
  if (IsWindowVisible(Child) != FALSE) {
    walk.Captions += walk.Windows.WindowTitle(FromHwnd(Child));
    walk.Captions += '\n';
  }
  return TRUE;
}

}  // namespace

std::string Win32Windows::ChildCaptions(WindowHandle Window) {
  CaptionWalk walk{*this, {}};
  // A null parent would walk the top-level windows instead. GetWindowTextW reads another
  // program's captions from the window structures, without a message that could wait on it.
  if (Window != 0) {
    EnumChildWindows(ToHwnd(Window), CollectCaption, reinterpret_cast<LPARAM>(&walk));
  }
  return walk.Captions;
}

std::string Win32Windows::WindowClass(WindowHandle Window) {
  // A class name has at most 256 characters; read from the class, not asked of the window.
  wchar_t name[257];
  const int length = GetClassNameW(ToHwnd(Window), name, 257);
  return length > 0 ? Narrow(std::wstring_view(name, static_cast<std::size_t>(length)))
                    : std::string();
}

std::string Win32Windows::ProgramFile(WindowHandle Window) {
  DWORD processId = 0;
  if (GetWindowThreadProcessId(ToHwnd(Window), &processId) == 0) return {};
  // The limited right is granted even for programs of a higher integrity level; the image name
  // comes from the system, not from the program, and works across 32 and 64 bits.
  KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process.Valid()) return {};
  // The longest path a process can be started from.
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size) == FALSE) return {};
  path.resize(size);
  return Narrow(std::wstring_view(path).substr(path.find_last_of(L"\\/") + 1));
}

WindowHandle Win32Windows::DesktopWindow() { return FromHwnd(GetDesktopWindow()); }

WindowHandle Win32Windows::NextWindow(WindowHandle Window, int Relation) {
  return FromHwnd(GetWindow(ToHwnd(Window), static_cast<UINT>(Relation)));
}

std::string Win32Windows::WindowTitle(WindowHandle Window) {
  // One read per title, into a buffer kept between calls: asking for the length first doubles
  // the window calls, which are most of a tick's cost. GetWindowTextW sends WM_GETTEXT to this
  // process's own windows, so a window procedure may read a title in the middle of the read;
  // such a nested read gets a buffer of its own.
  thread_local std::wstring keptBuffer;
  thread_local bool keptInUse = false;
  std::wstring ownBuffer;
  const bool useKept = !keptInUse;
  std::wstring& buffer = useKept ? keptBuffer : ownBuffer;
  struct Lend {
    bool Active;
    ~Lend() {
      if (!Active) return;
      keptInUse = false;
      // One window with a huge title should not hold memory for the rest of the run.
      if (keptBuffer.size() > kKeptTitleUnits) std::wstring().swap(keptBuffer);
    }
  } lend{useKept};
  if (useKept) keptInUse = true;

  if (buffer.size() < kFirstTitleUnits) buffer.resize(kFirstTitleUnits);
  for (;;) {
    const int capacity = static_cast<int>(buffer.size());
    const int copied = GetWindowTextW(ToHwnd(Window), buffer.data(), capacity);
    // An untitled or vanished window.
    if (copied <= 0) return {};
    // A title that filled the buffer may have been cut (one unit short of full, too, should a
    // cut keep a surrogate pair whole): read again with twice the room. A count past the buffer
    // is a window procedure's error and would come back however large the buffer grew.
    if (copied + 2 < capacity || copied >= capacity || capacity > kLargestTitleUnits) {
      const int length = copied < capacity ? copied : capacity - 1;
      return Narrow(std::wstring_view(buffer.data(), static_cast<std::size_t>(length)));
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32Windows::IsVisible(WindowHandle Window) {
  // The style alone calls a window on another virtual desktop, or a suspended app's frame,
  // visible; acting on one would act on a ghost or pull the user to another desktop.
  return IsWindowVisible(ToHwnd(Window)) != FALSE && !IsCloaked(Window);
}

bool Win32Windows::IsEnabled(WindowHandle Window) {
  return IsWindowEnabled(ToHwnd(Window)) != FALSE;
}

bool Win32Windows::IsAlive(WindowHandle Window) { return IsWindow(ToHwnd(Window)) != FALSE; }

bool Win32Windows::IsResponding(WindowHandle Window) {
  HWND window = ToHwnd(Window);
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return true;
  const std::uint64_t now = GetTickCount64();
  if (Window == silentWindow_ && now - silentSince_ < kAnswerMilliseconds * 4) return false;
  // The system marks a thread hung only after seconds without taking messages; until then a
  // harmless message with a short limit tells. Messages sent to us meanwhile are still taken:
  // the other thread may be waiting for us (activation changes hands), which is no hang.
  DWORD_PTR ignored = 0;
  const bool answers = IsHungAppWindow(window) == FALSE &&
                       SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                                           kAnswerMilliseconds, &ignored) != 0;
  if (!answers) {
    silentWindow_ = Window;
    silentSince_ = now;
  } else if (Window == silentWindow_) {
    silentWindow_ = 0;
  }
  return answers;
}

bool Win32Windows::SetForeground(WindowHandle Window) {
  HWND window = ToHwnd(Window);
  if (SetForegroundWindow(window) != FALSE) return true;
  // Refused because another process holds the foreground: share that thread's input state for
  // this one call, as the foreground lock rules allow; never with a thread that does not
  // answer, whose input state would hold ours.
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr || !IsResponding(FromHwnd(foreground))) return false;
  DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
  return WithInputOf(foregroundThread, [&] { return SetForegroundWindow(window) != FALSE; });
}

void Win32Windows::SetActive(WindowHandle Window) {
  HWND window = ToHwnd(Window);
  // SetActiveWindow only reaches windows of threads that share our input state, and it waits
  // for the window to take the activation: not for a thread that does not answer.
  if (!IsResponding(Window)) return;
  DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
  WithInputOf(windowThread, [&] { return SetActiveWindow(window); });
}

void Win32Windows::Show(WindowHandle Window, int ShowCommand) {
  HWND window = ToHwnd(Window);
  // ShowWindow waits for another thread's window to handle the change; the request is only
  // posted to it instead, and carried out in order with the keys that follow.
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
    ShowWindowAsync(window, ShowCommand);
  } else {
    ShowWindow(window, ShowCommand);
  }
}

}  // namespace tollivox::win32
