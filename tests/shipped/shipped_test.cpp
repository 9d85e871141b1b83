// The download as a user gets it: the tollivox.exe and Shutdown.exe of an unzipped zip, run where
// they lie. TOLLIVOX_EXE names the program; scripts/test unzips each zip into
// C:\Program Files\Tollivox and runs this against it. Only the stand-in ends no session, so the
// shipped Shutdown.exe is only asked for its usage.
#include <gmock/gmock.h>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::ElementsAre;
using testing::StartsWith;

class Shipped : public E2eTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(InstalledProgram().empty()) << "TOLLIVOX_EXE names no program";
    ASSERT_TRUE(FileExists(InstalledProgram())) << Narrow(InstalledProgram());
    folder_ = InstalledProgram().substr(0, InstalledProgram().find_last_of(L'\\'));
    RemoveLeftovers();
  }
  void TearDown() override { RemoveLeftovers(); }

  std::wstring InFolder(std::wstring_view Name) const {
    return folder_ + L"\\" + std::wstring(Name);
  }

  std::wstring folder_;

 private:
  // What the runs leave in the program's folder.
  void RemoveLeftovers() const {
    for (const wchar_t* name : {L"run.log", L"Shutdown.args"}) DeleteFileW(InFolder(name).c_str());
  }
};

TEST_F(Shipped, ShutdownProgramShowsItsUsage) {
  std::wstring shutdown = ShippedShutdown(folder_);
  if (!FileExists(shutdown)) shutdown = InFolder(L"Shutdown.exe");
  Process process = Process::Start(shutdown, "/?", Scratch.Path());
  HWND box = WaitForMessageBox(process.Id(), "Tollivox Shutdown");
  ASSERT_NE(box, nullptr);
  EXPECT_THAT(MessageBoxText(box), StartsWith("Usage: Shutdown.exe <Type>\n\n0 = Log off\n"));
  PressButton(box, IDOK);
  EXPECT_EQ(process.WaitForExit(), 0u);
}

TEST_F(Shipped, TypicalRunLogsBesideTheProgramAndEndsByItself) {
  TestWindow& setup = Window("Setup Wizard");
  const std::string arguments = "/W:Setup /K:{ENTER} /L:run.log";
  Tollivox& program = StartProgram(arguments);
  // The caption carries the version of the build.
  EXPECT_NE(program.WaitForConsole(), nullptr);
  EXPECT_EQ(program.WaitForExit(), kExitFinished);

  const std::vector<std::string> texts = LogTexts(InFolder(L"run.log"));
  ASSERT_GE(texts.size(), 4u) << testing::PrintToString(texts);
  EXPECT_EQ(texts.front(), ">>>>> Loaded with '" + arguments + "'");
  EXPECT_THAT(
      std::vector(texts.end() - 2, texts.end()),
      ElementsAre("Dealt with all windows for counts and timeouts specified", ">>>>> Unloaded"));
  EXPECT_THAT(setup.WaitForReceived(1), StartsWith("\n"));
  // Not in the current folder.
  EXPECT_FALSE(FileExists(Scratch.File(L"run.log")));
}

TEST_F(Shipped, BoxesAndExitCodes) {
  struct Case {
    std::string Arguments;
    std::string Text;
    DWORD ExitCode;
  };
  const Case cases[] = {
      {"/?", "Tollivox Command Line Options:\n", kExitFinished},
      {"/L:run.log", "ERROR: Incorrect syntax was used.\n", kExitRefused},
      {"/W:Setup /E:no-such-program.exe /L:run.log",
       "ERROR: The executable file specified 'no-such-program.exe' was not located.", kExitFatal},
      {"/W:Setup /L:" + Narrow(Scratch.File(L"no\\such\\folder.log")),
       "An unexpected internal error was encountered in module 'Add2Log'.", kExitLogFailure},
  };
  Window("Setup Wizard");
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Arguments);
    Tollivox program(Scratch);
    program.Start(test.Arguments);
    HWND box = WaitForMessageBox(program.ProcessId(), AppTitle());
    ASSERT_NE(box, nullptr);
    EXPECT_THAT(MessageBoxText(box), StartsWith(test.Text));
    PressButton(box, IDOK);
    EXPECT_EQ(program.WaitForExit(), test.ExitCode);
  }
}

TEST_F(Shipped, ShutdownCommandStartsTheShutdownProgramBesideIt) {
  TestWindow& target = Window("Session window");
  Tollivox& program = StartProgram("/W:Session /E:$SHUT 2 /K:k /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  const std::wstring record = InFolder(L"Shutdown.args");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(record); })) << "Shutdown.exe was not started";
  EXPECT_EQ(ReadFileBytes(record), "2\n");
  EXPECT_EQ(target.Received(), "");
}

}  // namespace
}  // namespace tollivox::e2e
