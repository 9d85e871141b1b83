// What the user does from the console's buttons and the tray icon's menu: stop and start the
// watch, view, refresh and clear the log, bring the console back, and end the program.
#include <gmock/gmock.h>

#include <cmath>
#include <cstdlib>
#include <optional>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::Not;

using E2eConsoleActions = E2eTest;

// The console's outer heights, in twips, with the log hidden and shown.
constexpr double kShortHeight = 1740;
constexpr double kTallHeight = 5805;

const std::string kLookingLine = "Looking for window containing \"NeverThere\" string...";

int ScreenPixelsY(double Twips) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<int>(std::lround(Twips * dpi / 1440));
}

int OuterHeight(HWND Window) {
  RECT frame{};
  GetWindowRect(Window, &frame);
  return frame.bottom - frame.top;
}

testing::AssertionResult IsCentred(HWND Window) {
  RECT frame{};
  GetWindowRect(Window, &frame);
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  // Up to the rounding of the conversion between twips and pixels.
  if (std::abs(frame.left + frame.right - width) > 4 ||
      std::abs(frame.top + frame.bottom - height) > 4)
    return testing::AssertionFailure()
           << "at " << frame.left << "," << frame.top << ".." << frame.right << "," << frame.bottom
           << " on " << width << "x" << height;
  return testing::AssertionSuccess();
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < Text.size()) {
    std::size_t end = Text.find("\r\n", start);
    if (end == std::string::npos) end = Text.size();
    lines.push_back(Text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Named, not a lambda: 32-bit Windows calls it with the stdcall convention.
BOOL CALLBACK FindMultiLineEdit(HWND Child, LPARAM Param) {
  wchar_t name[16] = {};
  GetClassNameW(Child, name, static_cast<int>(std::size(name)));
  if (_wcsicmp(name, L"Edit") != 0 || !(GetWindowLongW(Child, GWL_STYLE) & ES_MULTILINE))
    return TRUE;
  *reinterpret_cast<HWND*>(Param) = Child;
  return FALSE;
}

// The multi-line text box that shows the log.
HWND LogView(HWND Console) {
  HWND found = nullptr;
  EnumChildWindows(Console, FindMultiLineEdit, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<std::string> ViewLines(HWND Console) { return SplitLines(TextOf(LogView(Console))); }

// Whether the view shows the log's lines from its first on, and at least Least of them (the log
// may have grown since the view was loaded).
testing::AssertionResult ShowsLogFromStart(const std::vector<std::string>& View,
                                           const std::vector<std::string>& File,
                                           std::size_t Least) {
  if (View.size() < Least || View.size() > File.size() ||
      !std::equal(View.begin(), View.end(), File.begin())) {
    auto failure = testing::AssertionFailure() << "view of at least " << Least << " lines:";
    for (const std::string& line : View) failure << "\n  " << line;
    failure << "\nlog:";
    for (const std::string& line : File) failure << "\n  " << line;
    return failure;
  }
  return testing::AssertionSuccess();
}

// Right click on the tray icon; the menu that opens, or null.
HWND OpenTrayMenu(const Tollivox& Program, HWND Console) {
  PostTrayNotification(Console, WM_RBUTTONUP);
  return WaitForPopupMenu(Program.ProcessId(), 10s);
}

// The item captions of another process's open menu; nothing where the system keeps a menu to
// its own process (Wine does).
std::optional<std::vector<std::string>> MenuItems(HWND Menu) {
  constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
  auto handle = reinterpret_cast<HMENU>(SendMessageW(Menu, kGetMenuHandle, 0, 0));
  int count = handle ? GetMenuItemCount(handle) : -1;
  if (count < 0) return std::nullopt;
  std::vector<std::string> items;
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(handle, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    items.push_back(Narrow(text));
  }
  return items;
}

// A key pressed while the menu is open: a mnemonic chooses its item, Esc closes the menu.
void PressMenuKey(const Tollivox& Program, HWND Menu, wchar_t Key) {
  if (Key == VK_ESCAPE) {
    PostMessageW(Menu, WM_KEYDOWN, VK_ESCAPE, 0);
  } else {
    PostMessageW(Menu, WM_CHAR, Key, 0);
  }
  EXPECT_TRUE(WaitUntil([&] { return FindPopupMenu(Program.ProcessId()) == nullptr; }, 10s))
      << "the menu stayed open";
}

// Chooses the tray menu's item by its mnemonic.
void ChooseFromTrayMenu(const Tollivox& Program, HWND Console, wchar_t Key) {
  HWND menu = OpenTrayMenu(Program, Console);
  ASSERT_NE(menu, nullptr) << "the tray menu did not open";
  PressMenuKey(Program, menu, Key);
}

// The Stop/Start item of the tray menu reads Caption, where the menu can be read.
void ExpectTrayMenuStopStart(const Tollivox& Program, HWND Console, const std::string& Caption) {
  HWND menu = OpenTrayMenu(Program, Console);
  ASSERT_NE(menu, nullptr) << "the tray menu did not open";
  if (auto items = MenuItems(menu)) {
    EXPECT_THAT(*items, ElementsAre("&Restore", Caption, "&Exit"));
  }
  PressMenuKey(Program, menu, VK_ESCAPE);
}

HWND WaitForChild(HWND Parent, std::string_view Text) {
  HWND child = nullptr;
  WaitUntil(
      [&] {
        child = FindChildByText(Parent, Text);
        return child != nullptr;
      },
      10s);
  return child;
}

TEST_F(E2eConsoleActions, StopHoldsTheWatchAndStartBeginsItAfresh) {
  for (bool fromTray : {false, true}) {
    SCOPED_TRACE(fromTray ? "from the tray menu" : "from the console button");
    ScratchDir scratch;
    const std::wstring log = scratch.File(L"run.log");
    Tollivox program(scratch);
    const std::string arguments = "/W:NeverThere /T:3 /I:300 /L:run.log /H:0";
    program.Start(arguments);
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    WaitForLogLine(log, kLookingLine);

    // The same click stops and starts; the button and the menu item tell which comes next.
    auto stopOrStart = [&](const std::string& Caption) {
      if (fromTray) {
        ChooseFromTrayMenu(program, console, L's');
      } else {
        HWND button = FindChildByText(console, Caption);
        ASSERT_NE(button, nullptr) << "no button " << Caption;
        ClickButton(button);
      }
    };

    stopOrStart("&Stop");
    WaitForLogLine(log, ">>>>> Stopped");
    EXPECT_NE(WaitForChild(console, "&Start"), nullptr);
    EXPECT_EQ(FindChildByText(console, "&Stop"), nullptr);
    ExpectTrayMenuStopStart(program, console, "&Start");

    // A tick in progress may finish; after that nothing runs, and the timeout of 3 s passes
    // without the entry being given up.
    std::this_thread::sleep_for(1s);
    const std::vector<std::string> stopped = LogTexts(log);
    std::this_thread::sleep_for(3500ms);
    EXPECT_EQ(LogTexts(log), stopped);
    EXPECT_TRUE(program.Running());

    const auto startedAt = std::chrono::steady_clock::now();
    stopOrStart("&Start");
    WaitForLogLine(log, ">>>>> Started");
    EXPECT_NE(WaitForChild(console, "&Stop"), nullptr);
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    // The timeout counted from Start, not from the first start-up.
    EXPECT_GE(std::chrono::steady_clock::now() - startedAt, 2500ms);

    std::vector<std::string> texts = LogTexts(log);
    auto stop = std::find(texts.begin(), texts.end(), ">>>>> Stopped");
    ASSERT_GE(texts.end() - stop, 5);
    EXPECT_THAT(std::vector(stop, stop + 4),
                ElementsAre(">>>>> Stopped", ">>>>> Started",
                            ">>>>> Loaded with '" + arguments + "'", kLookingLine));
    EXPECT_THAT(
        std::vector(texts.end() - 2, texts.end()),
        ElementsAre("Dealt with all windows for counts and timeouts specified", ">>>>> Unloaded"));
  }
}

TEST_F(E2eConsoleActions, ViewRefreshAndClearWorkOnTheLogFile) {
  Tollivox& program = StartProgram("/W:NeverThere /T:-1 /I:300 /L:run.log /H:0");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  HWND view = LogView(console);
  ASSERT_NE(view, nullptr);
  const std::wstring log = LogPath();
  auto fileLines = [&] { return SplitLines(ReadFileBytes(log)); };
  WaitUntil([&] { return fileLines().size() >= 3; });
  EXPECT_NEAR(OuterHeight(console), ScreenPixelsY(kShortHeight), 2);

  std::size_t before = fileLines().size();
  ClickButton(FindChildByText(console, "View &Log"));
  ASSERT_NE(WaitForChild(console, "Hide &Log"), nullptr);
  EXPECT_NEAR(OuterHeight(console), ScreenPixelsY(kTallHeight), 2);
  std::vector<std::string> shown = ViewLines(console);
  EXPECT_TRUE(ShowsLogFromStart(shown, fileLines(), before));

  // The watch goes on writing; Refresh brings the new lines in.
  WaitUntil([&] { return fileLines().size() >= shown.size() + 2; });
  before = fileLines().size();
  ClickButton(FindChildByText(console, "&Refresh"));
  WaitUntil([&] { return ViewLines(console).size() >= before; }, 10s);
  EXPECT_TRUE(ShowsLogFromStart(ViewLines(console), fileLines(), before));

  // Stopped, nothing writes to the log while it is being cleared.
  ClickButton(FindChildByText(console, "&Stop"));
  WaitForLogLine(log, ">>>>> Stopped");
  std::this_thread::sleep_for(1s);
  ClickButton(FindChildByText(console, "&Refresh"));
  WaitUntil([&] { return ViewLines(console).size() == fileLines().size(); }, 10s);
  const std::string logBytes = ReadFileBytes(log);
  const std::string viewText = TextOf(view);
  ASSERT_EQ(SplitLines(viewText), SplitLines(logBytes));

  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    ClickButton(FindChildByText(console, "&Clear"));
    HWND box = WaitForMessageBox(program.ProcessId(), "Clear Log File?");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              "Are you sure you want to clear the " + Narrow(log) + " log file?");
    EXPECT_EQ(ToString(MessageBoxIcon(box)), ToString(BoxIcon::Question));
    PressButton(box, answer);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    if (answer == IDNO) {
      // Time for a wrong deletion to show.
      std::this_thread::sleep_for(500ms);
      EXPECT_EQ(ReadFileBytes(log), logBytes);
      EXPECT_EQ(TextOf(view), viewText);
    } else {
      EXPECT_TRUE(WaitUntil([&] { return !FileExists(log) && TextOf(view).empty(); }, 10s));
    }
  }
  std::this_thread::sleep_for(1s);
  EXPECT_FALSE(FileExists(log));

  // The next line logged starts a new file.
  ClickButton(FindChildByText(console, "&Start"));
  std::vector<std::string> texts = WaitForLogLine(log, kLookingLine);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_THAT(
      std::vector(texts.begin(), texts.begin() + 3),
      ElementsAre(">>>>> Started", ">>>>> Loaded with '/W:NeverThere /T:-1 /I:300 /L:run.log /H:0'",
                  kLookingLine));

  ClickButton(FindChildByText(console, "Hide &Log"));
  ASSERT_NE(WaitForChild(console, "View &Log"), nullptr);
  EXPECT_NEAR(OuterHeight(console), ScreenPixelsY(kShortHeight), 2);
  ClickButton(FindChildByText(console, "&Exit"));
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
}

TEST_F(E2eConsoleActions, EveryWayOutUnloadsInOrderAndRemovesTheTrayIcon) {
  enum class Way { TrayMenuExit, EscKey, KeyInLogView, Close };
  struct Case {
    const char* Name;
    Way How;
    const char* Console;
    bool ExitLine;
    WPARAM Key = 0;
  };
  const Case cases[] = {
      {"tray menu Exit", Way::TrayMenuExit, "/H:0", true},
      {"tray menu Exit with the console in the tray", Way::TrayMenuExit, "/H:1", true},
      {"Esc in the console", Way::EscKey, "/H:0", true},
      // The log view is a multi-line edit box, which takes these keys for itself.
      {"Esc in the log view", Way::KeyInLogView, "/H:0", true, VK_ESCAPE},
      {"Enter in the log view", Way::KeyInLogView, "/H:0", true, VK_RETURN},
      {"closing the console", Way::Close, "/H:0", false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Name);
    ScratchDir scratch;
    const std::wstring log = scratch.File(L"run.log");
    Tollivox program(scratch);
    program.Start(std::string("/W:NeverThere /T:-1 /I:300 /L:run.log ") + test.Console);
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    WaitForLogLine(log, kLookingLine);
    EXPECT_TRUE(TrayIconExists(console));
    const bool shown = IsWindowVisible(console) && !IsIconic(console);

    switch (test.How) {
      case Way::TrayMenuExit:
        ChooseFromTrayMenu(program, console, L'e');
        break;
      case Way::EscKey:
        // Esc is the console's cancel key, whichever control has the focus.
        PostMessageW(FindChildByText(console, "View &Log"), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
      case Way::KeyInLogView:
        // View Log gives the log view the focus.
        ClickButton(FindChildByText(console, "View &Log"));
        ASSERT_NE(WaitForChild(console, "Hide &Log"), nullptr);
        PostMessageW(LogView(console), WM_KEYDOWN, test.Key, 0);
        break;
      case Way::Close:
        PostMessageW(console, WM_CLOSE, 0, 0);
        break;
    }
    // The console is not brought back on the way out.
    bool shownOnTheWay = false;
    WaitUntil([&] {
      shownOnTheWay = shownOnTheWay || (IsWindowVisible(console) && !IsIconic(console));
      return !program.Running();
    });
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    EXPECT_EQ(shownOnTheWay, shown);
    EXPECT_FALSE(TrayIconExists(console));
    std::vector<std::string> texts = LogTexts(log);
    ASSERT_GE(texts.size(), 2u);
    if (test.ExitLine) {
      EXPECT_THAT(std::vector(texts.end() - 2, texts.end()),
                  ElementsAre(">>>>> Exit", ">>>>> Unloaded"));
    } else {
      EXPECT_EQ(texts.back(), ">>>>> Unloaded");
      EXPECT_THAT(texts, Not(Contains(">>>>> Exit")));
    }
  }
}

// The log fails outside a tick (at ">>>>> Exit") while a watched window is open. Its failure box
// runs a message loop of its own, but no tick runs under it: no more keys, and one box only.
TEST_F(E2eConsoleActions, LogFailureShowsOneBoxAndNoTickRunsUnderIt) {
  TestWindow& target = Window("Watched Setup");
  Tollivox& program = StartProgram("/W:Watched /K:x /T:-1 /I:1000 /L:run.log /H:0");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  const std::wstring log = LogPath();
  // Just after a tick: the next one is a second away.
  WaitForLogLine(log, "Sending \"x\" keystrokes...");
  // A folder in the log's place refuses the append at once, as a read-only file does where the
  // system enforces it; no other program holds it, so there is nothing to wait for.
  ASSERT_TRUE(WaitUntil([&] {
    DeleteFileW(log.c_str());
    return CreateDirectoryW(log.c_str(), nullptr) != FALSE;
  }));
  ClickButton(FindChildByText(console, "&Exit"));
  HWND box = WaitForMessageBox(program.ProcessId(), AppTitle(), 10s);
  ASSERT_NE(box, nullptr);
  EXPECT_THAT(MessageBoxText(box), testing::HasSubstr("module 'Add2Log'.\n\nError # 75, "));
  const std::string received = target.Received();
  // Several intervals of the watch pass under the box.
  std::this_thread::sleep_for(3s);
  EXPECT_EQ(target.Received(), received);
  EXPECT_EQ(MessageBoxCount(program.ProcessId()), 1u);
  PressButton(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), kExitLogFailure);
  EXPECT_FALSE(TrayIconExists(console));
  RemoveDirectoryW(log.c_str());
}

TEST_F(E2eConsoleActions, TrayIconBringsBackTheConsoleFromTheTray) {
  struct Case {
    const char* Name;
    UINT Mouse;
  };
  const Case cases[] = {{"left click", WM_LBUTTONUP},
                        {"double click", WM_LBUTTONDBLCLK},
                        {"Restore from the menu", WM_RBUTTONUP}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Name);
    ScratchDir scratch;
    Tollivox program(scratch);
    program.Start("/W:NeverThere /T:-1 /I:300 /L:run.log /H:1");
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    WaitForLogLine(scratch.File(L"run.log"), kLookingLine);
    // In the tray: hidden where the task bar asks for it, minimised otherwise.
    auto inTray = [&] {
      return TaskBarReported() ? !IsWindowVisible(console) : IsIconic(console) != FALSE;
    };
    EXPECT_TRUE(inTray());
    // Moving over the icon and pressing a button do nothing; the release or the double click
    // acts.
    for (UINT other : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN})
      PostTrayNotification(console, other);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(inTray());
    EXPECT_EQ(FindPopupMenu(program.ProcessId()), nullptr);

    if (test.Mouse == WM_RBUTTONUP) {
      ChooseFromTrayMenu(program, console, L'r');
    } else {
      PostTrayNotification(console, test.Mouse);
    }
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(console) && !IsIconic(console); }, 10s));
    EXPECT_FALSE(IsZoomed(console));
    EXPECT_TRUE(IsCentred(console));
    EXPECT_TRUE(TrayIconExists(console));
    EXPECT_TRUE(program.Running());

    ClickButton(FindChildByText(console, "&Exit"));
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
  }
}

// Under Wine, programs started after the change take the user's display scale from the registry;
// the value is put back at the end.
class ScopedWineDpi {
 public:
  explicit ScopedWineDpi(DWORD Dpi) {
    DWORD size = sizeof old_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &old_,
                        &size) == ERROR_SUCCESS;
    Set(Dpi);
  }
  ~ScopedWineDpi() {
    if (had_) {
      Set(old_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
    }
  }
  ScopedWineDpi(const ScopedWineDpi&) = delete;
  ScopedWineDpi& operator=(const ScopedWineDpi&) = delete;

 private:
  static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
  static void Set(DWORD Dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &Dpi, sizeof Dpi);
  }
  DWORD old_ = 96;
  bool had_ = false;
};

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The console's outer heights with the log hidden and shown are the form's twips at the display
// scale, centred. Other scales than the current one only under Wine, where a program takes it
// from the registry at its start.
TEST_F(E2eConsoleActions, ConsoleKeepsItsHeightsInTwipsAtEachDisplayScale) {
  std::vector<DWORD> scales = {0};
  if (UnderWine()) scales = {96, 144};
  for (DWORD dpi : scales) {
    SCOPED_TRACE(dpi);
    std::optional<ScopedWineDpi> scale;
    if (dpi != 0) scale.emplace(dpi);
    ScratchDir scratch;
    Tollivox program(scratch);
    program.Start("/W:NeverThere /T:-1 /I:300 /L:run.log /H:0");
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    WaitForLogLine(scratch.File(L"run.log"), kLookingLine);
    if (dpi == 0) {
      HDC screen = GetDC(nullptr);
      dpi = static_cast<DWORD>(GetDeviceCaps(screen, LOGPIXELSY));
      ReleaseDC(nullptr, screen);
    }
    auto expectHeight = [&](double Twips) {
      RECT frame{};
      GetWindowRect(console, &frame);
      EXPECT_NEAR(frame.bottom - frame.top, Twips * dpi / 1440, 1) << Twips << " twips";
      EXPECT_TRUE(IsCentred(console));
    };
    expectHeight(kShortHeight);
    ClickButton(FindChildByText(console, "View &Log"));
    ASSERT_NE(WaitForChild(console, "Hide &Log"), nullptr);
    expectHeight(kTallHeight);
    ClickButton(FindChildByText(console, "&Exit"));
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
  }
}

}  // namespace
}  // namespace tollivox::e2e
