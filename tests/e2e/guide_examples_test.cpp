// The user guide's promises, run as a user would: its worked examples exactly as it writes them,
// and the show modes it lists for started commands.
#include <gmock/gmock.h>

#include <algorithm>
#include <initializer_list>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::Contains;
using testing::Each;
using testing::ElementsAre;
using testing::Not;

using E2eGuide = E2eTest;

// Whether Expected appear in Texts in this order, with anything between them.
testing::AssertionResult AppearInOrder(const std::vector<std::string>& Texts,
                                       std::initializer_list<std::string> Expected) {
  auto next = Texts.begin();
  for (const std::string& wanted : Expected) {
    next = std::find(next, Texts.end(), wanted);
    if (next == Texts.end()) {
      auto failure = testing::AssertionFailure() << "\"" << wanted << "\" not found in order in:";
      for (const std::string& text : Texts) failure << "\n  " << text;
      return failure;
    }
    ++next;
  }
  return testing::AssertionSuccess();
}

HWND HandleFromReadyFile(const std::wstring& Ready) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::stoull(ReadFileBytes(Ready))));
}

// A window of a program the tested program started; its program is ended when the test is done
// with it, so that the test's folder, its current folder, can go.
class StartedWindow {
 public:
  explicit StartedWindow(HWND Window) : window_(Window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(Window, &pid);
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  }
  ~StartedWindow() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
  StartedWindow(const StartedWindow&) = delete;
  StartedWindow& operator=(const StartedWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_;
  HANDLE process_ = nullptr;
};

TEST_F(E2eGuide, ShowModeOfACommandDecidesItsFirstWindowsState) {
  struct Case {
    int Mode;
    bool Visible;
    bool Iconic;
    bool Zoomed;
    // Whether the started window takes the focus; nothing when the mode does not decide it.
    std::optional<bool> Focus;
  };
  // 0 hidden, 1 normal, 2 minimised, 3 maximised, 4 normal without the focus, 5 as is.
  const Case cases[] = {
      {0, false, false, false, false},      {1, true, false, false, true},
      {2, true, true, false, std::nullopt}, {3, true, false, true, true},
      {4, true, false, false, false},       {5, true, false, false, std::nullopt},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE("/M:" + std::to_string(test.Mode));
    ScratchDir scratch;
    TestWindow launcher(scratch, "Launcher window");
    const std::wstring folder = ShortPath(scratch.Path());
    const std::wstring ready = folder + L"\\started.ready";
    const std::wstring states = folder + L"\\started.state";
    const std::string command = Narrow(ShortPath(BinProgram(L"testwin.exe"))) +
                                " --title Started --ready " + Narrow(ready) + " --state " +
                                Narrow(states);
    Tollivox program(scratch);
    program.Start("/W:Launcher /E:\"" + command + "\" /M:" + std::to_string(test.Mode) +
                  " /C:1 /I:300 /L:run.log");
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); })) << "the command did not start";
    StartedWindow started(HandleFromReadyFile(ready));
    HWND window = started.Get();
    auto matches = [&] {
      return (IsWindowVisible(window) != FALSE) == test.Visible &&
             (IsIconic(window) != FALSE) == test.Iconic &&
             (IsZoomed(window) != FALSE) == test.Zoomed &&
             (!test.Focus || (GetForegroundWindow() == window) == *test.Focus);
    };
    WaitUntil(matches, 5s);
    EXPECT_EQ(IsWindowVisible(window) != FALSE, test.Visible);
    EXPECT_EQ(IsIconic(window) != FALSE, test.Iconic);
    EXPECT_EQ(IsZoomed(window) != FALSE, test.Zoomed);
    if (test.Focus) {
      EXPECT_EQ(GetForegroundWindow() == window, *test.Focus);
    }
    // A hidden start is never shown nor activated, not even for a moment.
    if (!test.Visible) {
      EXPECT_EQ(ReadFileBytes(states), "");
    }
    EXPECT_THAT(LogTexts(scratch.File(L"run.log")),
                Contains("Executing \"" + command + "\" command..."));
  }
}

TEST_F(E2eGuide, InstallerExampleAnswersEachPageOnceAndEnds) {
  // The welcome page comes first; the licence page only once Enter has left the welcome page.
  TestWindow& welcome = Window("Setup - Welcome");
  Tollivox& program = StartProgram("/W:Welcome,License /K:~,%a~ /C:1,1 /T:120,120 /L:install.log");
  EXPECT_EQ(welcome.WaitForReceived(1), "\n");
  TestWindow& license = Window("Setup - License Agreement");

  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_EQ(license.WaitForReceived(3), "%a\n");
  // Each page once: the count of 1 gave each entry up after its first action.
  EXPECT_EQ(welcome.Received(), "\n");
  EXPECT_EQ(license.Received(), "%a\n");
  std::vector<std::string> texts = LogTexts(LogPath(L"install.log"));
  EXPECT_TRUE(AppearInOrder(
      texts, {"Found window containing \"Welcome\" string...", "Sending \"~\" keystrokes...",
              "Found window containing \"License\" string...", "Sending \"%a~\" keystrokes...",
              "Dealt with all windows for counts and timeouts specified", ">>>>> Unloaded"}));
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
}

TEST_F(E2eGuide, NagBoxExampleDismissesTheBoxEachTimeItComesUpUntilClosed) {
  Tollivox& program = StartProgram("/W:\"Trial Reminder\" /K:{ESC} /T:-1 /H:2 /L:nag.log");
  const auto started = std::chrono::steady_clock::now();
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);

  // The box comes up twice; each time it goes away when it gets its Esc, as a nag box would.
  for (int time = 1; time <= 2; ++time) {
    SCOPED_TRACE("appearance " + std::to_string(time));
    TestWindow box(Scratch, "Trial Reminder");
    std::string received = box.WaitForReceived(5);
    box.Close();
    // Esc and nothing else, though perhaps more than once before the box went.
    std::string rest = received;
    for (auto at = rest.find("{ESC}"); at != std::string::npos; at = rest.find("{ESC}"))
      rest.erase(at, 5);
    EXPECT_FALSE(received.empty());
    EXPECT_EQ(rest, "") << received;
  }
  // Well past the three seconds an entry without /T: would have lasted.
  WaitUntil([&] { return std::chrono::steady_clock::now() - started > 4s; });
  EXPECT_TRUE(program.Running());
  EXPECT_FALSE(TrayIconExists(console));

  PostMessageW(console, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  std::vector<std::string> texts = LogTexts(LogPath(L"nag.log"));
  EXPECT_TRUE(AppearInOrder(texts, {"Found window containing \"Trial Reminder\" string...",
                                    "Sending \"{ESC}\" keystrokes...",
                                    "Found window containing \"Trial Reminder\" string...",
                                    "Sending \"{ESC}\" keystrokes...", ">>>>> Unloaded"}));
  EXPECT_THAT(texts, Not(Contains("Dealt with all windows for counts and timeouts specified")));
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
}

TEST_F(E2eGuide, NagBoxRecipeDismissesTheFirstTwoNewBoxesAndEnds) {
  TestWindow& bystander = Window("Already open");
  Tollivox& program = StartProgram("/W:$NEW /K:{ESC} /C:2 /H:2 /L:nag.log");
  // The windows present at start are recorded before the first tick.
  WaitForLogLine(LogPath(L"nag.log"), "Looking for new windows...");
  for (int time = 1; time <= 2; ++time) {
    SCOPED_TRACE("box " + std::to_string(time));
    TestWindow box(Scratch, "Reminder " + std::to_string(time));
    EXPECT_EQ(box.WaitForReceived(5), "{ESC}");
    box.Close();
  }
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_TRUE(AppearInOrder(
      LogTexts(LogPath(L"nag.log")),
      {"New window found (\"Reminder 1\")...", "Sending \"{ESC}\" keystrokes...",
       "New window found (\"Reminder 2\")...", "Sending \"{ESC}\" keystrokes...",
       "Dealt with all windows for counts and timeouts specified", ">>>>> Unloaded"}));
  EXPECT_EQ(bystander.Received(), "");
}

TEST_F(E2eGuide, StartCommandExampleStartsTheProgramOnceWithItsArguments) {
  // notepad.exe is found in the program's own folder first: a stand-in that records its
  // arguments to notepad.args.
  Tollivox& program = Program();
  const std::wstring standIn = Scratch.File(L"notepad.exe");
  ASSERT_TRUE(CopyFileW(BinProgram(L"fake_shutdown.exe").c_str(), standIn.c_str(), FALSE));
  const std::wstring record = Scratch.File(L"notepad.args");

  program.Start(
      "/W:\"Backup complete\" /E:\"notepad.exe C:\\Backups\\report.txt\" /M:1 /C:1 /T:-1");
  // Nothing happens before the window appears, however long that takes.
  std::this_thread::sleep_for(4s);
  EXPECT_TRUE(program.Running());
  EXPECT_FALSE(FileExists(record));

  Window("Backup complete - 3 files");
  // The count of 1 ends the watch after the first start.
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(record); })) << "notepad.exe was not started";
  EXPECT_EQ(ReadFileBytes(record), "C:\\Backups\\report.txt\n");
  // No /L:, no log.
  EXPECT_THAT(FileNames(Scratch.Path()), Each(Not(testing::EndsWith(".log"))));
}

}  // namespace
}  // namespace tollivox::e2e
