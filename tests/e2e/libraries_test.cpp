// A program started from a folder that also holds files named like system libraries (a Downloads
// folder, say) must run none of them. Windows looks in the program's folder first for every
// library it does not protect; so does Wine for the libraries WINEDLLOVERRIDES sets to "n,b".
#include <gmock/gmock.h>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using E2eLibraries = E2eTest;

// Libraries the program or the system on its behalf might look for. version.dll is left to the
// import table (tests/shipped): Wine's own shell loads it even for a program that never does.
constexpr const wchar_t* kPlanted[] = {L"winmm", L"dwmapi", L"uxtheme", L"comctl32"};

// Under Wine the search in the program's folder needs WINEDLLOVERRIDES to say "n,b" for the names
// (tests/CMakeLists.txt sets it for the run); without it the test could not fail there.
bool WineSearchesTheFolderFor(const wchar_t* Name) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return true;
  wchar_t overrides[1024] = {};
  const DWORD length = GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
  return length > 0 && length < 1024 && std::wstring(overrides).find(Name) != std::wstring::npos;
}

TEST_F(E2eLibraries, NoLibraryPlantedBesideTheProgramIsLoaded) {
  const std::wstring planted = BinProgram(L"planted.dll");
  for (const wchar_t* name : kPlanted) {
    ASSERT_TRUE(WineSearchesTheFolderFor(name)) << Narrow(name);
    ASSERT_TRUE(
        CopyFileW(planted.c_str(), Scratch.File(std::wstring(name) + L".dll").c_str(), FALSE));
  }
  // The mark works: a library loaded from there leaves it.
  const std::wstring control = Scratch.File(L"control.dll");
  ASSERT_TRUE(CopyFileW(planted.c_str(), control.c_str(), FALSE));
  FreeLibrary(LoadLibraryW(control.c_str()));
  ASSERT_TRUE(FileExists(control + L".loaded"));

  TestWindow& setup = Window("Setup Wizard");
  Tollivox& program = StartProgram("/W:Setup /K:{ENTER} /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_THAT(setup.WaitForReceived(1), testing::StartsWith("\n"));
  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
  for (const wchar_t* name : kPlanted) {
    EXPECT_FALSE(FileExists(Scratch.File(std::wstring(name) + L".dll.loaded"))) << Narrow(name);
  }
}

}  // namespace
}  // namespace tollivox::e2e
