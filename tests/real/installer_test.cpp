// The real job: real installers (NSIS ones built from installer/*.nsi, a Windows Installer package
// from installer/orbit-viewer.*) answered page by page with one command line, as a user on a
// build machine would, and judged by what a user sees: the files in the folder, the windows, the
// exit codes and the log.
#include <gmock/gmock.h>

#include <algorithm>
#include <iterator>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::Contains;
using testing::ElementsAre;

constexpr std::chrono::milliseconds kInstallLimit = 90s;

constexpr const char* kWelcome = "Example Application Setup: Welcome";
constexpr const char* kDealtWith = "Dealt with all windows for counts and timeouts specified";

// An installer the test run built, as a Windows path: the one whose pages rename the title, or
// the stock one (TOLLIVOX_STOCK_SETUP) whose pages all keep one.
std::wstring SetupProgram(const wchar_t* Variable = L"TOLLIVOX_SETUP") {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD length = GetEnvironmentVariableW(Variable, value, static_cast<DWORD>(std::size(value)));
  return length > 0 && length < std::size(value) ? value : L"";
}

// The installer offers Folder on its folder page; /D= must come last and stays unquoted.
std::string SetupArguments(const std::wstring& Folder) { return "/D=" + Narrow(Folder); }

class RealInstaller : public E2eTest {
 protected:
  void SetUp() override { ASSERT_TRUE(FileExists(SetupProgram())) << "no installer was built"; }

  // Starts the installer and waits for its first page, so that it is there when the watch
  // begins.
  Process& StartSetup(const std::wstring& Folder) {
    setup_ = Process::Start(SetupProgram(), SetupArguments(Folder), Scratch.Path());
    EXPECT_NE(WaitForWindowTitled(kWelcome, kInstallLimit), nullptr)
        << "the installer did not show";
    return setup_;
  }

  // The log's texts once the program has ended by itself.
  std::vector<std::string> EndsByItself(Tollivox& Program, std::wstring_view Log) {
    EXPECT_EQ(Program.WaitForExit(kInstallLimit), kExitFinished);
    std::vector<std::string> texts = LogTexts(LogPath(Log));
    EXPECT_GE(texts.size(), 2u);
    if (texts.size() >= 2) {
      EXPECT_THAT(std::vector(texts.end() - 2, texts.end()),
                  ElementsAre(kDealtWith, ">>>>> Unloaded"));
    }
    return texts;
  }

  Process setup_;
};

// The command lines for the pages: Enter on the welcome page, "I Agree" (Alt+A) on the licence,
// the folder page's keys, Enter on the finish page. Each page once; the page that installs needs
// nothing, it moves on by itself.
std::string InstallCommandLine(std::string_view FolderKeys) {
  return "/W:Welcome,License,Folder,Completed /K:~,%a," + std::string(FolderKeys) +
         ",~ /C:1,1,1,1 /T:120,120,120,120 /L:install.log";
}

TEST_F(RealInstaller, InstallsUnattendedIntoTheOfferedOrATypedFolderAndUninstalls) {
  struct Case {
    const char* Name;
    bool TypeFolder;
  };
  for (const Case& test : {Case{"offered folder", false}, Case{"typed folder", true}}) {
    SCOPED_TRACE(test.Name);
    const std::wstring offered = Scratch.File(Widen(std::string("Offered ") + test.Name));
    const std::wstring typed = Scratch.File(Widen(std::string("Typed ") + test.Name));
    const std::wstring folder = test.TypeFolder ? typed : offered;
    // The folder page opens with its path selected; Home, Shift+End selects it anyway.
    const std::string folderKeys = test.TypeFolder ? "\"{HOME}+{END}" + Narrow(typed) + "~\"" : "~";

    Process& setup = StartSetup(offered);
    Tollivox program(Scratch);
    program.Start(InstallCommandLine(folderKeys));
    EXPECT_EQ(setup.WaitForExit(kInstallLimit), 0u) << "the installer did not finish";
    std::vector<std::string> texts = EndsByItself(program, L"install.log");
    EXPECT_THAT(texts, Contains("Found window containing \"Folder\" string..."));
    EXPECT_THAT(FileNames(folder), ElementsAre("Uninstall.exe", "license.txt", "readme.txt"));
    if (test.TypeFolder) {
      EXPECT_FALSE(FileExists(offered));
      continue;
    }

    // The uninstaller, driven the same way: it runs from a copy of itself, so the files and its
    // windows going away tell that it is done.
    Process uninstall = Process::Start(folder + L"\\Uninstall.exe", "", Scratch.Path());
    ASSERT_NE(WaitForWindowTitled("Example Application Uninstall: Confirmation", kInstallLimit),
              nullptr);
    Tollivox remover(Scratch);
    remover.Start(
        "/W:\"Uninstall: Confirmation\",\"Uninstall: Completed\" /K:~,~ /C:1,1 /T:120,120 "
        "/L:uninstall.log");
    EndsByItself(remover, L"uninstall.log");
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(folder); }, kInstallLimit))
        << "left behind: " << testing::PrintToString(FileNames(folder));
    EXPECT_TRUE(WaitUntil(
        [] { return FindWindowTitled("Example Application Uninstall: Completed") == nullptr; }));
  }
}

TEST_F(RealInstaller, AnswersAStockInstallerWhosePagesShareOneTitleByWhatTheyShow) {
  const std::wstring stock = SetupProgram(L"TOLLIVOX_STOCK_SETUP");
  ASSERT_TRUE(FileExists(stock)) << "no stock installer was built";
  const std::wstring folder = Scratch.File(L"Orbit Tools");
  Process setup = Process::Start(stock, SetupArguments(folder), Scratch.Path());
  ASSERT_NE(WaitForWindowTitled("Orbit Tools Setup", kInstallLimit), nullptr);
  // The guide's command line: the licence is accepted by its access key, then Next.
  Tollivox program(Scratch);
  program.Start(
      "/W:\"Orbit Tools Setup\",\"Orbit Tools Setup\",\"Orbit Tools Setup\",\"Orbit Tools Setup\" "
      "/X:\"Welcome to\",\"License Agreement\",\"Choose Install Location\",Completing "
      "/K:~,%a%n,~,~ /C:1,1,1,1 /T:120,120,120,120 /L:install.log");
  EXPECT_EQ(setup.WaitForExit(kInstallLimit), 0u) << "the installer did not finish";
  std::vector<std::string> texts = EndsByItself(program, L"install.log");
  std::vector<std::string> counts;
  for (const std::string& text : texts) {
    if (text.rfind("Count of ", 0) == 0) counts.push_back(text);
  }
  auto count = [](const char* Text) {
    return "Count of 1 for 'Orbit Tools Setup' window with '" + std::string(Text) +
           "' text reached; Window removed.";
  };
  EXPECT_THAT(counts, ElementsAre(count("Welcome to"), count("License Agreement"),
                                  count("Choose Install Location"), count("Completing")));
  EXPECT_THAT(FileNames(folder), ElementsAre("orbit-license.txt", "readme.txt"));
}

// The same installer answered through its controls only, into a folder set in its edit box,
// while another program takes the front back whenever it loses it: the pages are answered
// behind it, the installer is never brought forward, and no key is typed anywhere.
TEST_F(RealInstaller, AnswersTheStockInstallerThroughItsControlsBehindAProgramHoldingTheFront) {
  const std::wstring stock = SetupProgram(L"TOLLIVOX_STOCK_SETUP");
  ASSERT_TRUE(FileExists(stock)) << "no stock installer was built";
  const std::wstring offered = Scratch.File(L"Orbit Offered");
  const std::wstring chosen = Scratch.File(L"Orbit Chosen");
  Process setup = Process::Start(stock, SetupArguments(offered), Scratch.Path());
  ASSERT_NE(WaitForWindowTitled("Orbit Tools Setup", kInstallLimit), nullptr);
  TestWindow& grabber = Window("Front grabber", {.Extra = "--take-front-back"});
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == grabber.Window(); }));
  const std::size_t statesBefore = grabber.States().size();

  // One entry per page: a click is posted, so a page it opens is answered at a later visit.
  Tollivox program(Scratch);
  program.Start(
      "/W:\"Orbit Tools Setup\",\"Orbit Tools Setup\",\"Orbit Tools Setup\",\"Orbit Tools Setup\" "
      "/X:\"Welcome to\",\"License Agreement\",\"Choose Install Location\",Completing "
      "/A:5,5,5,5 /K:\"{CLICK Next}\",\"{CHECK I accept}{CLICK Next}\",\"{SETTEXT " +
      Narrow(chosen) +
      "}{CLICK Install}\",\"{CLICK Finish}\" /C:1,1,1,1 /T:120,120,120,120 /I:500 "
      "/L:install.log");
  EXPECT_EQ(setup.WaitForExit(kInstallLimit), 0u) << "the installer did not finish";
  std::vector<std::string> texts = EndsByItself(program, L"install.log");
  EXPECT_THAT(
      texts, Contains("Sending \"{SETTEXT " + Narrow(chosen) + "}{CLICK Install}\" keystrokes..."));
  EXPECT_THAT(texts, testing::Not(Contains(testing::HasSubstr("not sent"))));
  EXPECT_THAT(FileNames(chosen), ElementsAre("orbit-license.txt", "readme.txt"));
  EXPECT_FALSE(FileExists(offered));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(grabber.Received(), "");
  // Never deactivated: the front was its own the whole time.
  const std::vector<std::string> states = grabber.States();
  EXPECT_EQ(std::vector(states.begin() + static_cast<std::ptrdiff_t>(statesBefore), states.end()),
            std::vector<std::string>{});
  EXPECT_EQ(GetForegroundWindow(), grabber.Window());
}

TEST_F(RealInstaller, StartsTheInstallerAsTheCommandOfAFoundWindowAndAnswersIt) {
  // The first entry finds the program's own console and starts the installer from it, shown
  // normally; the other entries answer the pages.
  const std::wstring folder = Scratch.File(L"Started");
  const std::string command = Narrow(ShortPath(SetupProgram())) + " " + SetupArguments(folder);
  Tollivox& program = StartProgram(
      "/W:Tollivox,Welcome,License,Folder,Completed /K:,~,%a,~,~ /C:1,1,1,1,1 "
      "/T:120,120,120,120,120 /E:\"" +
      command + "\" /M:1 /H:0 /L:install.log");
  std::vector<std::string> texts = EndsByItself(program, L"install.log");
  EXPECT_THAT(texts, Contains("Executing \"" + command + "\" command..."));
  EXPECT_THAT(FileNames(folder), ElementsAre("Uninstall.exe", "license.txt", "readme.txt"));
  EXPECT_TRUE(WaitUntil(
      [] { return FindWindowTitled("Example Application Setup: Completed") == nullptr; }));
}

TEST_F(RealInstaller, CancelAnsweredWithItsQuestionLeavesNothingInstalled) {
  // Esc is the wizard's Cancel; its "Are you sure?" box is a window that came after the watch
  // began, and its focus sits on No, so the answer is the Yes button's letter.
  const std::wstring folder = Scratch.File(L"Cancelled");
  Process& setup = StartSetup(folder);
  Tollivox& program =
      StartProgram("/W:Welcome,$NEW /K:{ESC},y /C:1,1 /T:120 /I:500 /H:0 /L:cancel.log");
  // NSIS ends with 1 when the user cancelled.
  EXPECT_EQ(setup.WaitForExit(kInstallLimit), 1u);
  std::vector<std::string> texts = EndsByItself(program, L"cancel.log");
  EXPECT_THAT(texts, Contains("Sending \"y\" keystrokes..."));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(FindWindowTitled("Example Application Setup"), nullptr);
}

// ---- a Windows Installer package ----

constexpr const char* kPackageTitle = "Orbit Viewer Setup";
// What tells the wizard's pages apart, in their order.
constexpr const char* kPackagePages[] = {"Welcome to", "License Agreement", "Ready to Install",
                                         "Completed"};

// The msiexec of this test's bitness: the system folder as this process sees it.
std::wstring Msiexec() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length) + L"\\msiexec.exe";
}

// The package's own wizard, run by msiexec. Each test installs into a folder of its own and
// removes the product afterwards, so that the next install starts at the welcome page, not in
// maintenance.
class WindowsInstallerPackage : public RealInstaller {
 protected:
  void SetUp() override {
    package_ = SetupProgram(L"TOLLIVOX_PACKAGE");
    if (package_.empty()) GTEST_SKIP() << "no wixl or msibuild (msitools): no package was built";
    ASSERT_TRUE(FileExists(package_)) << "the package was not built";
    // Left registered by a run that was cut short.
    Uninstall(L"");
  }

  void TearDown() override {
    // A wizard still up has failed the test: it must not outlive it.
    setup_.Terminate();
    if (!package_.empty()) Uninstall(folder_);
  }

  // Starts the wizard installing into Folder and waits for its first page.
  void StartPackage(const std::wstring& Folder) {
    folder_ = Folder;
    setup_ = Process::Start(Msiexec(),
                            "/i \"" + Narrow(package_) + "\" INSTALLDIR=\"" + Narrow(Folder) + "\"",
                            Scratch.Path());
    ASSERT_NE(WaitForWindowTitled(kPackageTitle, kInstallLimit), nullptr)
        << "the wizard did not show";
  }

  // The command line that answers the four pages, each found by its title and text, with Keys
  // (and Options).
  static std::string CommandLine(std::string_view Keys, std::string_view Options = "") {
    std::string titles;
    std::string texts;
    for (const char* page : kPackagePages) {
      titles += std::string(titles.empty() ? "" : ",") + "\"" + kPackageTitle + "\"";
      texts += std::string(texts.empty() ? "" : ",") + "\"" + page + "\"";
    }
    return "/W:" + titles + " /X:" + texts + " /K:" + std::string(Keys) +
           " /C:1,1,1,1 /T:120,120,120,120 /L:install.log" + std::string(Options);
  }

  // The wizard ended with success and the watch by itself, each page answered once, in order,
  // and the file is in the folder; the log's texts.
  std::vector<std::string> ExpectInstalled(Tollivox& Program, const std::wstring& Folder) {
    EXPECT_EQ(setup_.WaitForExit(kInstallLimit), 0u) << "the wizard did not finish";
    std::vector<std::string> texts = EndsByItself(Program, L"install.log");
    std::vector<std::string> counts;
    for (const std::string& text : texts) {
      if (text.rfind("Count of ", 0) == 0) counts.push_back(text);
    }
    std::vector<std::string> expected;
    for (const char* page : kPackagePages) {
      expected.push_back("Count of 1 for '" + std::string(kPackageTitle) + "' window with '" +
                         page + "' text reached; Window removed.");
    }
    EXPECT_EQ(counts, expected);
    EXPECT_THAT(FileNames(Folder), ElementsAre("orbit-license.txt"));
    return texts;
  }

 private:
  void Uninstall(const std::wstring& Folder) {
    std::string arguments = "/x \"" + Narrow(package_) + "\" /qn";
    if (!Folder.empty()) arguments += " INSTALLDIR=\"" + Narrow(Folder) + "\"";
    Process remover = Process::Start(Msiexec(), arguments, Scratch.Path());
    // Ended by its destructor should it still run at the limit.
    remover.WaitForExit(kInstallLimit);
  }

  std::wstring package_;
  std::wstring folder_;
};

// As a user answers it: Enter on the welcome page, "I accept" by its access key and Next on the
// licence, Enter on the ready and the finish pages.
TEST_F(WindowsInstallerPackage, AnswersItsWizardByWhatEachPageShowsWithKeys) {
  const std::wstring folder = Scratch.File(L"Orbit Viewer");
  ASSERT_NO_FATAL_FAILURE(StartPackage(folder));
  Tollivox program(Scratch);
  program.Start(CommandLine("~,%a%n,~,~"));
  ExpectInstalled(program, folder);
}

// Through the pages' controls only, while another program takes the front back whenever it loses
// it and the pages are shown as they are (/A:5), as on a machine somebody is working on: the
// wizard installs all the same, Tollivox never brings a page forward and no key is typed.
TEST_F(WindowsInstallerPackage, AnswersItsWizardThroughItsControlsBehindAWindowHoldingTheFront) {
  const std::wstring folder = Scratch.File(L"Orbit Viewer");
  ASSERT_NO_FATAL_FAILURE(StartPackage(folder));
  TestWindow& grabber = Window("Front holder", {.Extra = "--take-front-back"});
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == grabber.Window(); }));
  const std::size_t statesBefore = grabber.States().size();

  Tollivox program(Scratch);
  const std::string licence = "{CHECK I accept}{CLICK Next}";
  program.Start(
      CommandLine("\"{CLICK Next}\",\"" + licence + "\",\"{CLICK Install}\",\"{CLICK Finish}\"",
                  " /A:5,5,5,5"));
  const std::vector<std::string> texts = ExpectInstalled(program, folder);
  EXPECT_THAT(texts, Contains("Sending \"" + licence + "\" keystrokes..."));
  // On a loaded machine the wizard may enable Next too late for one visit, and the next visit
  // tries again; nothing else is withheld (the front and the keyboard are not needed).
  for (const std::string& text : texts) {
    if (text.find("not sent") != std::string::npos) {
      EXPECT_EQ(text, "\"Next\" button not enabled; \"" + licence + "\" keystrokes not sent.");
    }
  }
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(grabber.Received(), "");
  // The wizard itself brings forward each page it opens after the first (Wine lets it), and the
  // other program takes the front straight back; nothing else deactivates it.
  const std::vector<std::string> states = grabber.States();
  const std::vector after(states.begin() + static_cast<std::ptrdiff_t>(statesBefore), states.end());
  EXPECT_LE(std::count(after.begin(), after.end(), "deactivated"), std::ssize(kPackagePages) - 1)
      << testing::PrintToString(after);
  if (!after.empty()) {
    EXPECT_EQ(after.back(), "activated");
  }
  EXPECT_EQ(GetForegroundWindow(), grabber.Window());
}

}  // namespace
}  // namespace tollivox::e2e
