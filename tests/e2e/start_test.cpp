// The programs' own start (src/platform/win32/start): the stack protector's guard is made anew in
// every process, with no library loaded for it, and a stack overrun still ends the program.
#include <gmock/gmock.h>

#include <set>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using E2eStart = E2eTest;

TEST_F(E2eStart, EachRunMakesItsOwnGuardAndAnOverrunEndsTheProgram) {
  // A guard left as the image holds it would be the same in every run.
  std::set<std::string> guards;
  for (int run = 0; run < 3; ++run) {
    const std::wstring report = Scratch.File(L"guard" + std::to_wstring(run) + L".txt");
    Process process = Process::Start(BinProgram(L"guarded.exe"), Narrow(report), Scratch.Path());
    ASSERT_EQ(process.WaitForExit(), 0u);
    guards.insert(ReadFileBytes(report));
  }
  EXPECT_EQ(guards.size(), 3u) << testing::PrintToString(guards);
  EXPECT_THAT(guards, testing::Not(testing::Contains("")));

  Process overrun = Process::Start(BinProgram(L"guarded.exe"), "overrun", Scratch.Path());
  EXPECT_EQ(overrun.WaitForExit(), static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN));
}

}  // namespace
}  // namespace tollivox::e2e
