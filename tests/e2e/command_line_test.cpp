// What a user sees when the command line asks for help, is refused, or names a log the program
// cannot write: the box, its icon, the exit code, and that nothing is left behind.
#include <gmock/gmock.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frmZandrel.h"
#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

constexpr const char* kOptionLines =
    "/W:<Window String [[,String] [,...]]>\n"
    "/A:<Window Activation Mode, [[,Mode] [,...]]> (Default=1; 1=Normal)\n"
    "/K:<Keys [[,Keys] [,...]>\n"
    "/S:<Send Keys on any Window?> (0=No|1=Yes; 0=Default)\n"
    "/T:<Timeout Seconds> [[,Seconds] [,...]]> (Default=3)\n"
    "/C:<Count> [[,Count] [,...]]> (0=Default)\n"
    "/I:<Interval Milliseconds> (Default=1500; 65535=Maximum)\n"
    "/E:<Command [[,Command] [,...]]>\n"
    "/M:<Execution Mode [[,Mode] [,...]]> (Default=0; 0=Hide)\n"
    "/O:<Execute on any Window?> (0=No|1=Yes; 0=Default)\n"
    "/H:<Hide Tollivox Console?> (0=Maximized|1=Minimized|2=Hidden; 1=Default)\n"
    "/L:<Log File Path>\n"
    "\n"
    "Please refer to the provided documentation for details on proper usage.";

const std::string kUsageText = std::string("Tollivox Command Line Options:\n\n") + kOptionLines;
const std::string kSyntaxText =
    std::string(
        "ERROR: Incorrect syntax was used.\n\nThe available command line options are:\n\n") +
    kOptionLines;

using E2eCommandLine = E2eTest;

TEST_F(E2eCommandLine, HelpOrARefusedCommandLineShowsItsBoxAndEndsWithoutLogging) {
  struct Case {
    const char* Arguments;
    const std::string& Text;
    BoxIcon Icon;
    DWORD ExitCode;
  };
  const Case cases[] = {
      {"/?", kUsageText, BoxIcon::Information, kExitFinished},
      {"/W:Setup /? /L:run.log", kUsageText, BoxIcon::Information, kExitFinished},
      {"/L:run.log", kSyntaxText, BoxIcon::Critical, kExitRefused},
      {"/W Setup /L:run.log", kSyntaxText, BoxIcon::Critical, kExitRefused},
      {"/W:Setup /L:", kSyntaxText, BoxIcon::Critical, kExitRefused},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Arguments);
    ScratchDir scratch;
    Tollivox program(scratch);
    program.Start(test.Arguments);

    HWND box = WaitForMessageBox(program.ProcessId(), AppTitle());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), test.Text);
    EXPECT_EQ(ToString(MessageBoxIcon(box)), ToString(test.Icon));
    // The console is out of sight behind the box; its icon stays until the box is closed.
    HWND console = FindConsole(program.ProcessId());
    ASSERT_NE(console, nullptr);
    EXPECT_FALSE(IsWindowVisible(console));
    EXPECT_TRUE(TrayIconExists(console));

    PressButton(box, IDOK);
    EXPECT_EQ(program.WaitForExit(), test.ExitCode);
    EXPECT_FALSE(TrayIconExists(console));
    EXPECT_FALSE(FileExists(scratch.File(L"run.log")));
  }
}

TEST_F(E2eCommandLine, SlashQuestionMarkInsideDoubleQuotesIsPartOfATitleNotAskingForHelp) {
  Tollivox& program = StartProgram("/W:\"What/?\" /T:1 /I:300 /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_FALSE(texts.empty());
  // The log shows the command line as the quote step left it.
  EXPECT_EQ(texts.front(), ">>>>> Loaded with '/W:\"What_@#?!_?\" /T:1 /I:300 /L:run.log'");
  EXPECT_THAT(texts, testing::Contains("Looking for window containing \"What/?\" string..."));
}

TEST_F(E2eCommandLine, OptionsQuotedAsAWholeAsDotNetAndPythonPassThemAreRead) {
  TestWindow& target = Window("Orbit Lens Setup");
  Tollivox& program = StartProgram("\"/W:Lens Setup\" \"/K:seen a/b\" /C:1 /I:300 /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_EQ(target.WaitForReceived(8), "seen a/b");
  EXPECT_THAT(
      LogTexts(LogPath()),
      testing::Contains(
          ">>>>> Loaded with '\"/W:Lens Setup\" \"/K:seen a_@#?!_b\" /C:1 /I:300 /L:run.log'"));
}

TEST_F(E2eCommandLine, ListOfWindowsSeenNamesAWindowWithItsCaptionsAndEndsByItself) {
  Window("Orbit Lister Target",
         {.Extra = "--label \"Choose Install Location\" --button \"&Next >\""});
  Tollivox& program = StartProgram("/V:1 /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_EQ(MessageBoxCount(program.ProcessId()), 0u);

  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts.front(), ">>>>> Loaded with '/V:1 /L:run.log'");
  EXPECT_THAT(texts[1], testing::StartsWith("Windows seen ("));
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
  const auto window = std::find(
      texts.begin(), texts.end(),
      "Window \"Orbit Lister Target\" class \"TollivoxTestWindow\" program \"testwin.exe\"");
  ASSERT_NE(window, texts.end());
  // Its shown controls follow it in tab order, captions as the window holds them.
  ASSERT_GE(texts.end() - window, 4);
  EXPECT_THAT(std::vector<std::string>(window + 1, window + 4),
              testing::ElementsAre(
                  "- Control \"\" class \"Edit\" taken for edit box",
                  "- Control \"Choose Install Location\" class \"Static\" taken for nothing",
                  "- Control \"&Next >\" class \"Button\" taken for button"));
}

TEST_F(E2eCommandLine, LogInAMissingFolderShowsTheLogFailureBoxAndEndsWithItsCode) {
  const std::wstring logPath = Scratch.File(L"no\\such\\folder\\x.log");
  Tollivox& program = StartProgram("/W:Setup /L:" + Narrow(logPath));
  HWND console = program.WaitForConsole();
  ASSERT_NE(console, nullptr);

  HWND box = WaitForMessageBox(program.ProcessId(), AppTitle());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box),
            "An unexpected internal error was encountered in module 'Add2Log'.\n\n"
            "Error # 76, Path not found\n\n"
            "Please ensure that the path for the '" +
                Narrow(logPath) +
                "' log file is valid\n"
                "and that no other program is currently accessing this file.\n\n"
                "If you require further assistance, please report this error to Orvantis\n"
                "Support at " +
                kSupportAddress + ".");
  EXPECT_EQ(ToString(MessageBoxIcon(box)), ToString(BoxIcon::Critical));
  EXPECT_TRUE(TrayIconExists(console));

  PressButton(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), kExitLogFailure);
  EXPECT_FALSE(TrayIconExists(console));
  EXPECT_FALSE(FileExists(logPath));
}

}  // namespace
}  // namespace tollivox::e2e
