// Programs nobody here wrote, driven as a user would: Wine's own notepad, its common Save As
// dialog, and the question it asks about unsaved changes.
#include <gmock/gmock.h>

#include "e2e_support.h"

namespace tollivox::e2e {
namespace {

using testing::Contains;

constexpr std::chrono::milliseconds kLimit = 60s;
constexpr const char* kUntitled = "Untitled - Notepad";

class RealNotepad : public E2eTest {
 protected:
  // Starts notepad and waits for its window, so that it is there when the watch begins.
  void SetUp() override {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    notepad_ = Process::Start(std::wstring(windows) + L"\\notepad.exe", "", Scratch.Path());
    ASSERT_NE(WaitForWindowTitled(kUntitled, kLimit), nullptr) << "notepad did not show";
  }

  Process notepad_;
};

TEST_F(RealNotepad, TypesTextAndSavesItThroughTheSaveAsDialog) {
  const std::wstring file = Scratch.File(L"note.txt");
  Tollivox& program = StartProgram("/W:\"" + std::string(kUntitled) +
                                   "\",\"Save As\" /K:\"Hello from Tollivox^s\",\"" + Narrow(file) +
                                   "~\" /C:1,1 /T:120,120 /L:save.log");
  EXPECT_EQ(program.WaitForExit(kLimit), kExitFinished);
  EXPECT_NE(WaitForWindowTitled("note.txt - Notepad", kLimit), nullptr);
  std::string saved = ReadFileBytes(file);
  // Notepad may put a byte-order mark first.
  if (saved.rfind("\xEF\xBB\xBF", 0) == 0) saved.erase(0, 3);
  EXPECT_EQ(saved, "Hello from Tollivox");
  EXPECT_THAT(LogTexts(LogPath(L"save.log")),
              Contains("Found window containing \"Save As\" string..."));
}

TEST_F(RealNotepad, AnswersTheUnsavedChangesQuestionOnClosing) {
  // Alt+F4 closes notepad with unsaved text; its question is the one new window, answered with
  // the letter of its No button, and notepad goes without writing anything.
  Tollivox& program = StartProgram("/W:\"" + std::string(kUntitled) +
                                   "\",$NEW /K:\"unsaved%{F4}\",n /C:1,1 /T:120 "
                                   "/L:close.log");
  EXPECT_EQ(program.WaitForExit(kLimit), kExitFinished);
  EXPECT_EQ(notepad_.WaitForExit(kLimit), 0u) << "notepad did not close";
  EXPECT_THAT(LogTexts(LogPath(L"close.log")), Contains("Sending \"n\" keystrokes..."));
  EXPECT_THAT(FileNames(Scratch.Path()), testing::Each(testing::Not(testing::EndsWith(".txt"))));
}

}  // namespace
}  // namespace tollivox::e2e
