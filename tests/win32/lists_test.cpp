// A page's lists in another program's window, read and chosen in through their own messages: the
// items that cross from the other process, the choice, and the one notification its page hears.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "helpers.h"
#include "list_page.h"
#include "platform/win32/controls.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

TEST(ListsOtherProcess, ItemsCrossOverAndAChoiceIsHeardOnce) {
  test::ScratchFolder scratch;
  const std::wstring title = L"Tollivox list page " + test::UniqueName(L"page");
  const std::wstring events = test::UniqueName(L"lists");
  const std::string record = scratch.File(L"record.txt");
  test::NamedEvent ready(events + L".ready");
  test::NamedEvent release(events + L".release");
  test::HelperProcess helper(L"--show-list-page " + test::Quoted(title) + L" " + events + L" " +
                             test::Quoted(Widen(record)));
  ASSERT_TRUE(test::WaitUntilReady(ready, helper));
  const auto page = static_cast<WindowHandle>(
      reinterpret_cast<std::uintptr_t>(FindWindowW(nullptr, title.c_str())));
  ASSERT_NE(page, 0u);
  Win32Windows windows;
  Win32Controls controls(windows);
  const std::vector<ControlInfo> shown = controls.ShownControls(page);
  ASSERT_EQ(shown.size(), 5u);
  const std::vector<std::string> items = {"English", "Deutsch",
                                          "Fran\xC3\xA7"
                                          "ais"};
  std::size_t lines = 0;
  struct Row {
    ControlKind Kind;
    bool HasTexts;
    ControlResult Chosen;
    const char* Heard;
  } rows[] = {
      {ControlKind::ComboBox, true, ControlResult::Done, "changed Language 2"},
      {ControlKind::ListBox, true, ControlResult::Done, "changed Types 2"},
      {ControlKind::ComboBox, true, ControlResult::Done, "changed Framework 2"},
      {ControlKind::ComboBox, false, ControlResult::Done, "changed Drawn 2"},
      // The page puts its own choice back: read back, the choice did not take.
      {ControlKind::ListBox, true, ControlResult::NoEffect, "changed Keeper 2"},
  };
  for (std::size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE(shown[i].Class);
    EXPECT_EQ(shown[i].Kind, rows[i].Kind);
    const ListReading before = controls.ListItems(shown[i].Handle, rows[i].Kind, 2);
    EXPECT_EQ(before.Result, ControlResult::Done);
    EXPECT_EQ(before.HasTexts, rows[i].HasTexts);
    EXPECT_EQ(before.Count, 3);
    EXPECT_EQ(before.Chosen, 0);
    EXPECT_EQ(before.Items, rows[i].HasTexts
                                ? std::vector<std::string>(items.begin(), items.begin() + 2)
                                : std::vector<std::string>{});
    EXPECT_EQ(controls.ListItems(shown[i].Handle, rows[i].Kind, 10).Items.size(),
              rows[i].HasTexts ? 3u : 0u);
    EXPECT_EQ(controls.Choose(shown[i].Handle, rows[i].Kind, 2), rows[i].Chosen);
    // Told by a sent message, the page has written its line when Choose returns.
    std::ifstream file(record);
    std::vector<std::string> heard;
    for (std::string line; std::getline(file, line);) heard.push_back(line);
    ASSERT_EQ(heard.size(), lines + 1);
    EXPECT_EQ(heard.back(), rows[i].Heard);
    lines = heard.size();
  }
  release.Set();
  EXPECT_EQ(helper.WaitForExit(10000), 0);
}

}  // namespace
}  // namespace tollivox::win32
