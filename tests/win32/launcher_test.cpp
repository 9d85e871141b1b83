#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "errors/errors.h"
#include "helpers.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

using test::Quoted;
using test::ScratchFolder;

// Waits for a file that a started program writes; its content, or nothing after 30 s.
std::string WaitForReport(const std::wstring& Path) {
  for (int i = 0; i < 300; ++i) {
    std::ifstream in(std::filesystem::path(Path), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty()) return text;
    Sleep(100);
  }
  return {};
}

TEST(Launcher, MissingProgramsAreFileNotFound) {
  const char* commands[] = {
      "tollivox-no-such-program-4711.exe",
      "tollivox-no-such-program-4711 /x",
      "C:\\no\\such\\folder\\program.exe",
      "\"C:\\no such folder\\program.exe\" /W:a",
  };
  Win32Launcher launcher;
  for (const char* command : commands) {
    SCOPED_TRACE(command);
    Status result = launcher.Start(command, 0);
    EXPECT_EQ(result.Number, kErrFileNotFound);
    EXPECT_EQ(result.Description, "File not found");
  }
}

TEST(Launcher, AFileThatIsNoProgramIsAnotherFailure) {
  ScratchFolder folder;
  std::string fake = folder.File(L"not a program.exe");
  std::ofstream(std::filesystem::path(Widen(fake)), std::ios::binary)
      << "just some text, no program";
  Status result = Win32Launcher().Start("\"" + fake + "\"", 1);
  EXPECT_EQ(result.Number, kErrInvalidProcedureCall);
  EXPECT_FALSE(result.Description.empty());
}

TEST(Launcher, StartsTheProgramWithTheShowModeWithoutWaiting) {
  ScratchFolder folder;
  Win32Launcher launcher;
  for (int mode : {0, 2, 5}) {
    SCOPED_TRACE(mode);
    std::wstring report = (folder.Path() / (L"show" + std::to_wstring(mode) + L".txt")).wstring();
    std::wstring command = Quoted(test::SelfPath()) + L" --report-startup " + Quoted(report);
    ASSERT_TRUE(launcher.Start(Narrow(command), mode).Ok());
    EXPECT_EQ(WaitForReport(report), std::to_string(mode));
  }
}

TEST(Launcher, FindsAProgramByNameAlone) {
  // Our own folder is searched first, then the system folders.
  ScratchFolder folder;
  std::wstring self = test::SelfPath();
  std::wstring name = self.substr(self.find_last_of(L'\\') + 1);
  std::wstring report = (folder.Path() / L"byname.txt").wstring();
  ASSERT_TRUE(Win32Launcher().Start(Narrow(name + L" --report-startup " + Quoted(report)), 4).Ok());
  EXPECT_EQ(WaitForReport(report), "4");
  EXPECT_TRUE(Win32Launcher().Start("cmd.exe /c exit", 0).Ok());
}

}  // namespace
}  // namespace tollivox::win32
