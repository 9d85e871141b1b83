// A program started from a folder that also holds files named like system libraries (a Downloads
// folder, say) must run none of them (planting.h).
#include <gmock/gmock.h>

#include "e2e_support.h"
#include "planting.h"

namespace tollivox::e2e {
namespace {

using E2eLibraries = E2eTest;

// Libraries the program or the system on its behalf might look for, the CryptoAPI's among them.
// version.dll is left to the import table (tests/shipped): Wine's own shell loads it even for a
// program that never does.
std::vector<std::wstring> Planted() {
  std::vector<std::wstring> names = {L"winmm", L"dwmapi", L"uxtheme", L"comctl32"};
  names.insert(names.end(), kCryptoLibraries.begin(), kCryptoLibraries.end());
  return names;
}

TEST_F(E2eLibraries, NoLibraryPlantedBesideTheProgramIsLoaded) {
  ASSERT_TRUE(PlantLibraries(Scratch.Path(), Planted()));

  TestWindow& setup = Window("Setup Wizard");
  Tollivox& program = StartProgram("/W:Setup /K:{ENTER} /L:run.log");
  EXPECT_EQ(program.WaitForExit(), kExitFinished);
  EXPECT_THAT(setup.WaitForReceived(1), testing::StartsWith("\n"));
  const std::vector<std::string> texts = LogTexts(LogPath());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), ">>>>> Unloaded");
  EXPECT_THAT(LoadedLibraries(Scratch.Path(), Planted()), testing::IsEmpty());
}

}  // namespace
}  // namespace tollivox::e2e
