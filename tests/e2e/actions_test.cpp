// What is done to a found window: its activation, the keys that arrive in it, the commands
// started for it, and the built-in shutdown.
#include <gmock/gmock.h>

#include <algorithm>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::Not;

using E2eActions = E2eTest;

TEST_F(E2eActions, KeysOutsideTheKeyboardLayoutArriveExactly) {
  // Accented Latin, a symbol, Greek, and a character beyond the 16-bit range.
  for (const char* keys : {"h\xC3\xA9llo \xE2\x98\x83",
                           "\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC"
                           "\xCE\xAD\xCF\x81\xCE\xB1",
                           "ok \xF0\x9F\x98\x80!"}) {
    SCOPED_TRACE(keys);
    ScratchDir scratch;
    TestWindow target(scratch, "Unicode window");
    Tollivox program(scratch);
    program.Start(std::string("/W:Unicode /K:\"") + keys + "\" /C:1 /I:300 /L:run.log");
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    EXPECT_EQ(target.WaitForReceived(std::string(keys).size()), keys);
    // The log keeps what its code page can hold.
    EXPECT_THAT(LogTexts(scratch.File(L"run.log")),
                Contains("Sending \"" + AnsiRoundTrip(keys) + "\" keystrokes..."));
  }
}

TEST_F(E2eActions, ActivationModeDecidesTheFoundWindowsState) {
  struct Case {
    int Mode;
    bool StartMinimised;
    bool Visible;
    bool Iconic;
    bool Zoomed;
    // Whether the window ends up in the foreground; nothing when the mode does not decide it.
    std::optional<bool> Foreground;
  };
  const Case cases[] = {
      {0, false, false, false, false, std::nullopt}, {1, true, true, false, false, true},
      {2, false, true, true, false, std::nullopt},   {3, true, true, false, true, true},
      {4, true, true, false, false, false},          {5, false, true, false, false, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE("/A:" + std::to_string(test.Mode));
    ScratchDir scratch;
    TestWindow target(scratch, "Target window");
    if (test.StartMinimised) {
      ShowWindow(target.Window(), SW_MINIMIZE);
      ASSERT_TRUE(WaitUntil([&] { return IsIconic(target.Window()) != FALSE; }));
    }
    // Another window has the foreground when the program acts.
    TestWindow bystander(scratch, "Bystander");
    SetForegroundWindow(bystander.Window());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == bystander.Window(); }, 5s));

    Tollivox program(scratch);
    program.Start("/W:Target /A:" + std::to_string(test.Mode) + " /C:1 /I:300 /L:run.log");
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    HWND window = target.Window();
    auto matches = [&] {
      return (IsWindowVisible(window) != FALSE) == test.Visible &&
             (IsIconic(window) != FALSE) == test.Iconic &&
             (IsZoomed(window) != FALSE) == test.Zoomed &&
             (!test.Foreground || (GetForegroundWindow() == window) == *test.Foreground);
    };
    WaitUntil(matches, 5s);
    EXPECT_EQ(IsWindowVisible(window) != FALSE, test.Visible);
    EXPECT_EQ(IsIconic(window) != FALSE, test.Iconic);
    EXPECT_EQ(IsZoomed(window) != FALSE, test.Zoomed);
    if (test.Foreground) {
      EXPECT_EQ(GetForegroundWindow() == window, *test.Foreground);
    }
    EXPECT_THAT(LogTexts(scratch.File(L"run.log")),
                Contains("Found window containing \"Target\" string..."));
  }
}

TEST_F(E2eActions, CommandOfTheEntryIsStartedForItsWindow) {
  TestWindow& launcher = Window("Launcher window");
  const std::wstring ready = ShortPath(Scratch.Path()) + L"\\spawned.ready";
  const std::string command =
      Narrow(ShortPath(BinProgram(L"testwin.exe"))) + " --title Spawned --ready " + Narrow(ready);
  Tollivox& program =
      StartProgram("/W:Launcher /E:\"" + command + "\" /M:1 /K:go /C:1 /I:300 /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  ASSERT_TRUE(WaitUntil([&] { return FileExists(ready); })) << "the command did not start";
  auto spawned =
      reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::stoull(ReadFileBytes(ready))));
  EXPECT_TRUE(IsWindowVisible(spawned));
  PostMessageW(spawned, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(spawned); }));

  std::vector<std::string> texts = LogTexts(LogPath());
  // Started after the window was found and before its keys are typed.
  EXPECT_THAT(
      std::vector(texts.begin() + 1, texts.begin() + 5),
      ElementsAre("Looking for window containing \"Launcher\" string...",
                  "Found window containing \"Launcher\" string...",
                  "Executing \"" + command + "\" command...", "Sending \"go\" keystrokes..."));
  // The keys went to the found window, which the started program must not have taken over
  // by the time they were typed.
  EXPECT_EQ(launcher.WaitForReceived(2), "go");
}

TEST_F(E2eActions, MissingCommandProgramIsReportedAndEndsTheProgram) {
  TestWindow& launcher = Window("Launcher window");
  Tollivox& program = StartProgram("/W:Launcher /E:no_such_program_e2e.exe /K:x /I:300 /L:run.log");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);

  HWND box = WaitForMessageBox(program.ProcessId(), AppTitle());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box),
            "ERROR: The executable file specified 'no_such_program_e2e.exe' was not located.\n\n"
            "Please specify the full path name or ensure that the\n"
            "folder is located in the system path.");
  EXPECT_EQ(ToString(MessageBoxIcon(box)), ToString(BoxIcon::Critical));
  PressButton(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), kExitFatal);
  EXPECT_FALSE(TrayIconExists(console));

  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 2u);
  // Nothing runs after the report: no keys, no end lines.
  EXPECT_THAT(std::vector(texts.end() - 2, texts.end()),
              ElementsAre("Executing \"no_such_program_e2e.exe\" command...",
                          "ERROR: The executable file specified 'no_such_program_e2e.exe' was "
                          "not located."));
  EXPECT_EQ(launcher.Received(), "");
}

TEST_F(E2eActions, KeysForAWindowThatClosedAsItWasActivatedAreNotTypedIntoTheNextOne) {
  TestWindow& target = Window("Vanishing dialog", {.Extra = "--vanish-on-activate"});
  // Coming up, the bystander takes the activation from the target, which arms it.
  TestWindow& bystander = Window("Bystander notes");
  ASSERT_TRUE(WaitUntil([&] {
    return !target.States().empty() && target.States().back() == "deactivated";
  })) << "the target never lost the activation";

  Tollivox& program = StartProgram("/W:Vanishing /K:abc{ENTER} /C:1 /H:2 /I:300 /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_THAT(target.States(), Contains("vanished"));
  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 5u);
  // Under Wine the dialog's thread stops answering for a while as it goes; either way its keys
  // are not typed.
  EXPECT_THAT(
      std::vector(texts.begin() + 1, texts.begin() + 5),
      ElementsAre("Looking for window containing \"Vanishing\" string...",
                  "Found window containing \"Vanishing\" string...",
                  testing::AnyOf("Window closed; \"abc{ENTER}\" keystrokes not sent.",
                                 "Window not responding; \"abc{ENTER}\" keystrokes not sent."),
                  // Not answering, the run is not counted and the next visit looks again.
                  testing::AnyOf("Count of 1 for 'Vanishing' window reached; Window removed.",
                                 "Looking for window containing \"Vanishing\" string...")));
  // The focus went to the bystander, and nothing meant for the dialog arrives there.
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(bystander.Received(), "");
}

// A program that takes the front back whenever it loses it, as some do to keep the user's
// attention: keys meant for another window are never typed into it, and they are said not
// sent; while it keeps the front itself, its own keys arrive as ever.
TEST_F(E2eActions, KeysNeverGoToAWindowThatTakesTheFrontBack) {
  TestWindow& target = Window("Quiet Setup");
  TestWindow& grabber = Window("Front grabber", {.Extra = "--take-front-back"});
  Tollivox& program = StartProgram("/W:Quiet /K:abc /C:1 /T:2 /I:300 /L:run.log /H:0");
  EXPECT_TRUE(program.WaitForExit(30s).has_value());
  const std::vector<std::string> texts = LogTexts(LogPath());
  EXPECT_THAT(texts, Contains("Window not in front; \"abc\" keystrokes not sent."));
  EXPECT_THAT(texts, Not(Contains(testing::StartsWith("Count of"))));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(grabber.Received(), "");
  EXPECT_EQ(target.Received(), "");

  ScratchDir again;
  Tollivox front(again);
  front.Start("/W:Front /K:xyz /C:1 /I:300 /L:run.log /H:0");
  EXPECT_EQ(front.WaitForExit(), kExitFinished);
  EXPECT_EQ(grabber.WaitForReceived(3), "xyz");
}

// A program that stops answering after its window was found and typed into once, as a busy
// installer does, holds up nothing: the other entry's window goes on being found and typed into
// at every tick, and Exit ends the program at once.
TEST_F(E2eActions, AWindowThatStopsAnsweringHoldsUpNeitherTheWatchNorExit) {
  TestWindow& busy = Window("Busy Setup", {.Extra = "--hang-after-keys 120000"});
  TestWindow& other = Window("Other Setup");
  Tollivox& program = StartProgram("/W:Busy,Other /K:a,b /T:-1,-1 /I:400 /L:run.log /H:0");
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);
  ASSERT_EQ(busy.WaitForReceived(1), "a");
  ASSERT_TRUE(WaitUntil([&] {
    const std::vector<std::string> states = busy.States();
    return std::find(states.begin(), states.end(), "hung") != states.end();
  }));
  const std::string silent = "Window not responding; \"a\" keystrokes not sent.";
  WaitForLogLine(LogPath(), silent, 60s);
  const std::size_t before = other.Received().size();
  EXPECT_EQ(other.WaitForReceived(before + 3, 60s), std::string(before + 3, 'b'));

  ClickButton(FindChildByText(console, "&Exit"));
  EXPECT_EQ(program.WaitForExit(20s), kExitFinished);
  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 2u);
  EXPECT_THAT(std::vector(texts.end() - 2, texts.end()),
              ElementsAre(">>>>> Exit", ">>>>> Unloaded"));
  // Once silent, the window gets no more keys: none pile up for it to act on when it wakes.
  auto firstSilent = std::find(texts.begin(), texts.end(), silent);
  ASSERT_NE(firstSilent, texts.end());
  EXPECT_THAT(std::vector(firstSilent, texts.end()), Not(Contains("Sending \"a\" keystrokes...")));
  busy.Terminate();
}

TEST_F(E2eActions, MissingShutdownProgramIsReportedAfterTheShutdownLine) {
  TestWindow& target = Window("Session window");
  Tollivox& program = Program();
  ASSERT_TRUE(DeleteFileW(Scratch.File(L"Shutdown.exe").c_str()));
  program.Start("/W:Session /E:$SHUT 2 /K:k /I:300 /L:run.log");

  HWND box = WaitForMessageBox(program.ProcessId(), AppTitle());
  ASSERT_NE(box, nullptr);
  const std::string error = "ERROR: The executable file specified '$SHUT 2' was not located.";
  EXPECT_EQ(MessageBoxText(box), error +
                                     "\n\nPlease specify the full path name or ensure that the\n"
                                     "folder is located in the system path.");
  EXPECT_EQ(ToString(MessageBoxIcon(box)), ToString(BoxIcon::Critical));
  PressButton(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), kExitFatal);

  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 3u);
  EXPECT_THAT(std::vector(texts.end() - 3, texts.end()),
              ElementsAre("Shutting Down (Type=2)...", ">>>>> Unloaded", error));
  EXPECT_FALSE(FileExists(Scratch.File(L"Shutdown.args")));
  EXPECT_EQ(target.Received(), "");
}

TEST_F(E2eActions, ShutdownCommandStartsTheShutdownProgramWithItsTypeAndEnds) {
  struct Case {
    const char* Command;
    const char* Type;
  };
  const Case cases[] = {{"$SHUT 2", "2"}, {"$shutdown 3", "3"}, {"$Shut", "1"}, {"$SHUT 3.5", "4"}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Command);
    ScratchDir scratch;
    TestWindow target(scratch, "Session window");
    Tollivox program(scratch);
    program.Start(std::string("/W:Session /E:") + test.Command + " /K:k /I:300 /L:run.log");
    HWND console = program.WaitForConsole();
    EXPECT_EQ(program.WaitForExit(), kExitFinished);
    EXPECT_FALSE(TrayIconExists(console));

    const std::wstring record = scratch.File(L"Shutdown.args");
    ASSERT_TRUE(WaitUntil([&] { return FileExists(record); })) << "Shutdown.exe was not started";
    EXPECT_EQ(ReadFileBytes(record), std::string(test.Type) + "\n");
    std::vector<std::string> texts = LogTexts(scratch.File(L"run.log"));
    ASSERT_GE(texts.size(), 3u);
    EXPECT_THAT(
        std::vector(texts.end() - 3, texts.end()),
        ElementsAre("Found window containing \"Session\" string...",
                    std::string("Shutting Down (Type=") + test.Type + ")...", ">>>>> Unloaded"));
    // The program ended before typing the keys.
    EXPECT_EQ(target.Received(), "");
  }
}

// Two faults a user met on wizard pages: a string whose second button is missing pressed its
// first at every visit, and a button on a page disabled while its program works was pressed.
TEST_F(E2eActions, AControlStepNeitherRepeatsAPressNorPressesOnADisabledPage) {
  TestWindow& wizard = Window("Orbit Wizard", {.Extra = "--button Go"});
  Tollivox& program = StartProgram(
      "/W:Orbit /K:{CLICK Go}{CLICK Finish} /A:5 /C:1 /T:3 "
      "/I:300 /L:run.log /H:0");
  EXPECT_EQ(program.WaitForExit(30s), kExitFinished);
  const std::vector<std::string> states = wizard.States();
  EXPECT_EQ(std::count(states.begin(), states.end(), "pressed"), 1);
  EXPECT_THAT(LogTexts(LogPath()),
              Contains("Sending \"{CLICK Go}{CLICK Finish}\" keystrokes from step 2..."));

  TestWindow& busy = Window("Busy Wizard", {.Extra = "--button Go --disabled-page"});
  ScratchDir again;
  Tollivox second(again);
  second.Start("/W:Busy /K:{CLICK Go} /A:5 /C:1 /T:2 /I:300 /L:run.log /H:0");
  EXPECT_EQ(second.WaitForExit(30s), kExitFinished);
  const std::vector<std::string> texts = LogTexts(second.Folder() + L"\\run.log");
  EXPECT_THAT(texts, Contains("\"Go\" button not enabled; \"{CLICK Go}\" keystrokes not sent."));
  EXPECT_THAT(texts, Not(Contains(testing::StartsWith("Count of"))));
  EXPECT_THAT(busy.States(), Not(Contains("pressed")));
}

}  // namespace
}  // namespace tollivox::e2e
