#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "helpers.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

using test::Eventually;
using test::HelperProcess;
using test::NamedEvent;
using test::Pump;
using test::UniqueName;

WindowHandle Handle(HWND Window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(Window));
}

class OwnWindow {
 public:
  explicit OwnWindow(const std::wstring& Title) {
    static const ATOM windowClass = [] {
      WNDCLASSW description{};
      description.lpfnWndProc = DefWindowProcW;
      description.hInstance = GetModuleHandleW(nullptr);
      description.lpszClassName = L"TollivoxWindowsTest";
      return RegisterClassW(&description);
    }();
    window_ = CreateWindowExW(0, MAKEINTATOM(windowClass), Title.c_str(), WS_OVERLAPPEDWINDOW, 50,
                              50, 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~OwnWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND Get() const { return window_; }
  void Destroy() {
    DestroyWindow(window_);
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
};

// Every top-level window in walk order, from the desktop's first child down.
std::vector<WindowHandle> Walk(Win32Windows& Windows) {
  std::vector<WindowHandle> order;
  for (WindowHandle h = Windows.NextWindow(Windows.DesktopWindow(), kGwChild); h != 0;
       h = Windows.NextWindow(h, kGwHwndNext)) {
    order.push_back(h);
    if (order.size() > 100000) break;  // a loop would be a fault of its own
  }
  return order;
}

std::ptrdiff_t Position(const std::vector<WindowHandle>& Order, HWND Window) {
  auto found = std::find(Order.begin(), Order.end(), Handle(Window));
  return found == Order.end() ? -1 : found - Order.begin();
}

TEST(WindowsWalk, FollowsTheZOrderFromTheTopDown) {
  Win32Windows windows;
  EXPECT_EQ(windows.DesktopWindow(), Handle(GetDesktopWindow()));
  OwnWindow first(L"Tollivox walk first");
  OwnWindow second(L"Tollivox walk second");
  ASSERT_NE(first.Get(), nullptr);
  ASSERT_NE(second.Get(), nullptr);
  ShowWindow(first.Get(), SW_SHOW);
  ShowWindow(second.Get(), SW_SHOW);
  Pump();

  // The later window opened on top; then each in turn is raised.
  int step = 0;
  for (HWND front : {second.Get(), first.Get(), second.Get()}) {
    SCOPED_TRACE(++step);
    HWND back = front == first.Get() ? second.Get() : first.Get();
    if (step > 1) {
      SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      Pump();
    }
    std::vector<WindowHandle> order = Walk(windows);
    std::ptrdiff_t frontAt = Position(order, front);
    std::ptrdiff_t backAt = Position(order, back);
    ASSERT_GE(frontAt, 0);
    ASSERT_GE(backAt, 0);
    EXPECT_LT(frontAt, backAt);
    EXPECT_EQ(std::count(order.begin(), order.end(), windows.DesktopWindow()), 0);
  }
}

TEST(WindowsWalk, SetForegroundAndSetActiveActivateTheWindow) {
  Win32Windows windows;
  OwnWindow first(L"Tollivox activate first");
  OwnWindow second(L"Tollivox activate second");
  ShowWindow(first.Get(), SW_SHOW);
  ShowWindow(second.Get(), SW_SHOW);
  for (HWND front : {first.Get(), second.Get(), first.Get()}) {
    EXPECT_TRUE(windows.SetForeground(Handle(front)));
    windows.SetActive(Handle(front));
    EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == front; }));
    EXPECT_EQ(GetActiveWindow(), front);
  }
}

// Waits for Event while serving our own windows' messages, which another thread making or
// destroying windows that ours own sends them.
void ServeUntil(HANDLE Event) {
  while (MsgWaitForMultipleObjects(1, &Event, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    Pump();
  }
}

// A thread of our own with a box owned by Owner and a box owned by that box, as a program's
// worker thread shows its questions.
class BoxThread {
 public:
  explicit BoxThread(HWND Owner) {
    thread_ = std::thread([this, Owner] {
      threadId_ = GetCurrentThreadId();
      const auto make = [](const wchar_t* Title, HWND Of) {
        return CreateWindowExW(0, L"TollivoxWindowsTest", Title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               90, 90, 240, 120, Of, nullptr, GetModuleHandleW(nullptr), nullptr);
      };
      box_ = make(L"Tollivox box", Owner);
      inner_ = box_ != nullptr ? make(L"Tollivox box of the box", box_) : nullptr;
      SetEvent(made_);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      if (inner_ != nullptr) DestroyWindow(inner_);
      if (box_ != nullptr) DestroyWindow(box_);
      SetEvent(done_);
    });
    ServeUntil(made_);
  }
  ~BoxThread() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    ServeUntil(done_);
    thread_.join();
    CloseHandle(made_);
    CloseHandle(done_);
  }
  BoxThread(const BoxThread&) = delete;
  BoxThread& operator=(const BoxThread&) = delete;
  HWND Box() const { return box_; }
  HWND Inner() const { return inner_; }

 private:
  HANDLE made_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD threadId_ = 0;
  HWND box_ = nullptr;
  HWND inner_ = nullptr;
  std::thread thread_;
};

// Keys may go while the found window or a box it owns is in front, at any depth and whichever
// thread made the box; not while another window of the found window's thread is.
TEST(WindowsWalk, FrontIsTheWindowOrABoxItOwnsWhicheverThreadMadeIt) {
  Win32Windows windows;
  OwnWindow found(L"Tollivox found window");
  OwnWindow sibling(L"Tollivox window of the same thread");
  ShowWindow(found.Get(), SW_SHOW);
  ShowWindow(sibling.Get(), SW_SHOW);
  BoxThread boxes(found.Get());
  HWND box = boxes.Box();
  HWND inner = boxes.Inner();
  ASSERT_NE(box, nullptr);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(GetWindow(inner, GW_OWNER), box);

  struct Case {
    const char* Name;
    HWND Front;
    HWND Found;
    bool Owns;
  } cases[] = {
      {"the window itself", found.Get(), found.Get(), true},
      {"its box, of another thread", box, found.Get(), true},
      {"its box's box", inner, found.Get(), true},
      {"another window of its thread", sibling.Get(), found.Get(), false},
      {"the window that owns the box", found.Get(), box, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    windows.SetForeground(Handle(c.Front));
    EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == c.Front; }));
    EXPECT_EQ(windows.OwnsForeground(Handle(c.Found)), c.Owns);
  }
}

TEST(WindowsTitles, ReadBackExactlyIncludingCharactersOutsideTheCodePage) {
  Win32Windows windows;
  const std::wstring titles[] = {
      L"Save As",
      L"  blanks kept  ",
      L"\u00C9diteur \u2013 \u6D4B\u8BD5 \xD834\xDD1E \u0416",
      std::wstring(600, L'x'),
      // Around the first read's buffer of 256 units, with a surrogate pair where a cut would
      // fall, and far beyond it.
      std::wstring(253, L'a') + L"\xD834\xDD1E",
      std::wstring(254, L'b') + L"\xD834\xDD1E",
      std::wstring(255, L'c'),
      std::wstring(256, L'd') + L"!",
      std::wstring(40000, L'\u6D4B') + L"\xD834\xDD1E end",
      L"short after long ones",
  };
  for (const std::wstring& title : titles) {
    SCOPED_TRACE(Narrow(title.substr(0, 40)));
    OwnWindow window(title);
    ASSERT_NE(window.Get(), nullptr);
    EXPECT_EQ(windows.WindowTitle(Handle(window.Get())), Narrow(title));
  }
  OwnWindow untitled(L"");
  EXPECT_EQ(windows.WindowTitle(Handle(untitled.Get())), "");
}

TEST(WindowsState, VisibilityEnabledStateAndVanishedWindows) {
  Win32Windows windows;
  OwnWindow window(L"Tollivox state");
  WindowHandle h = Handle(window.Get());
  EXPECT_TRUE(windows.IsAlive(h));
  EXPECT_FALSE(windows.IsVisible(h));
  windows.Show(h, SW_SHOW);
  EXPECT_TRUE(windows.IsVisible(h));
  EXPECT_FALSE(IsCloaked(h));
  EXPECT_TRUE(windows.IsEnabled(h));
  // Our own process is never above ourselves.
  EXPECT_EQ(windows.ElevationOf(h), Elevation::NotHigher);
  EnableWindow(window.Get(), FALSE);
  EXPECT_FALSE(windows.IsEnabled(h));
  EnableWindow(window.Get(), TRUE);
  windows.Show(h, SW_SHOWMINIMIZED);
  EXPECT_TRUE(IsIconic(window.Get()));
  windows.Show(h, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsZoomed(window.Get()));
  windows.Show(h, SW_HIDE);
  EXPECT_FALSE(windows.IsVisible(h));

  window.Destroy();
  EXPECT_FALSE(windows.IsAlive(h));
  EXPECT_EQ(windows.WindowTitle(h), "");
  EXPECT_EQ(windows.NextWindow(h, kGwHwndNext), 0u);
  EXPECT_FALSE(windows.IsVisible(h));
  EXPECT_FALSE(windows.IsEnabled(h));
  EXPECT_FALSE(windows.SetForeground(h));
  EXPECT_FALSE(windows.OwnsForeground(h));
  // Nothing can be read of a window that is gone: no keys for it.
  EXPECT_EQ(windows.ElevationOf(h), Elevation::Unreadable);
}

TEST(WindowsOtherProcess, FoundByTitleBroughtForwardAndShown) {
  Win32Windows windows;
  // Longer than the first read's buffer, so that the second read is seen on another process's
  // window too.
  std::wstring title = L"Tollivox helper \u00E9\u6D4B " + UniqueName(L"window") + L" " +
                       std::wstring(300, L'\u0416') + L"\xD834\xDD1E";
  std::wstring events = UniqueName(L"window");
  NamedEvent ready(events + L".ready");
  NamedEvent release(events + L".release");
  HelperProcess helper(L"--show-window \"" + title + L"\" " + events);
  ASSERT_TRUE(test::WaitUntilReady(ready, helper));

  // Our own window in front first, so that the helper's has to be brought forward.
  OwnWindow own(L"Tollivox own front window");
  ShowWindow(own.Get(), SW_SHOW);
  windows.SetForeground(Handle(own.Get()));
  Pump();
  EXPECT_TRUE(Eventually([&] { return windows.OwnsForeground(Handle(own.Get())); }));

  WindowHandle found = 0;
  for (WindowHandle h : Walk(windows)) {
    if (windows.WindowTitle(h) == Narrow(title)) found = h;
  }
  ASSERT_NE(found, 0u);
  HWND window = FindWindowW(nullptr, title.c_str());
  EXPECT_EQ(found, Handle(window));
  EXPECT_TRUE(windows.IsVisible(found));

  EXPECT_TRUE(windows.SetForeground(found));
  windows.SetActive(found);
  EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == window; }));
  EXPECT_TRUE(windows.OwnsForeground(found));
  EXPECT_FALSE(windows.OwnsForeground(Handle(own.Get())));
  // Ours by process: a box we show counts as ours as the console does.
  EXPECT_FALSE(windows.IsOurs(found));
  EXPECT_TRUE(windows.IsOurs(Handle(own.Get())));
  // Started by us, the helper runs at our own level.
  EXPECT_EQ(windows.ElevationOf(found), Elevation::NotHigher);
  windows.Show(found, SW_SHOWMINIMIZED);
  EXPECT_TRUE(Eventually([&] { return IsIconic(window) != FALSE; }));
  windows.Show(found, SW_SHOWNORMAL);
  EXPECT_TRUE(Eventually([&] { return IsIconic(window) == FALSE && IsWindowVisible(window); }));

  release.Set();
  EXPECT_EQ(helper.WaitForExit(10000), 0);
  EXPECT_TRUE(Eventually([&] { return windows.WindowTitle(found).empty(); }));
}

TEST(WindowsOtherProcess, ShownControlCaptionsReadWhileTheProgramDoesNotAnswer) {
  Win32Windows windows;
  std::wstring title = L"Tollivox hung page " + UniqueName(L"page");
  std::wstring events = UniqueName(L"page");
  NamedEvent ready(events + L".ready");
  NamedEvent release(events + L".release");
  HelperProcess helper(L"--show-hung-page \"" + title + L"\" " + events);
  ASSERT_TRUE(test::WaitUntilReady(ready, helper));
  const WindowHandle page = Handle(FindWindowW(nullptr, title.c_str()));
  ASSERT_NE(page, 0u);

  // Captions as stored, at every depth, hidden ones and those below a hidden panel left out;
  // asking must not wait for the program, which takes no messages until it is released.
  std::vector<std::string> captions;
  const std::string read = windows.ChildCaptions(page);
  for (std::size_t start = 0, end; (end = read.find('\n', start)) != std::string::npos;
       start = end + 1) {
    captions.push_back(read.substr(start, end - start));
  }
  std::sort(captions.begin(), captions.end());
  EXPECT_EQ(captions, (std::vector<std::string>{"&Next >", "I &accept the terms", "Shown panel"}));
  EXPECT_TRUE(read.ends_with('\n'));
  EXPECT_EQ(windows.ChildCaptions(0), "");

  release.Set();
  EXPECT_EQ(helper.WaitForExit(10000), 0);
}

TEST(WindowsTitles, OwnControlCaptions) {
  Win32Windows windows;
  OwnWindow window(L"Tollivox own page");
  HWND label = CreateWindowExW(0, L"STATIC", L"Own &label", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20,
                               window.Get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(label, nullptr);
  // Controls count as shown only while the window that holds them is.
  EXPECT_TRUE(windows.ChildCaptions(Handle(window.Get())).empty());
  ShowWindow(window.Get(), SW_SHOW);
  EXPECT_EQ(windows.ChildCaptions(Handle(window.Get())), "Own &label\n");
  ShowWindow(label, SW_HIDE);
  EXPECT_TRUE(windows.ChildCaptions(Handle(window.Get())).empty());
}

}  // namespace
}  // namespace tollivox::win32
