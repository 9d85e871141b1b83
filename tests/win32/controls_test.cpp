// A page's controls acted on through their own messages, in another program's window that is not
// in front, as an installer's page is: what is found, what its parent is told, and how a program
// that does not answer or a control that went away comes out.
#include "platform/win32/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "control_page.h"
#include "helpers.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

using test::Eventually;
using test::HelperProcess;
using test::NamedEvent;
using test::Pump;
using test::UniqueName;

WindowHandle Handle(HWND Window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(Window));
}

HWND ToHwnd(WindowHandle Window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Window)));
}

// A window of the test's own, put in front so that the page is not.
class FrontWindow {
 public:
  FrontWindow() {
    static const ATOM windowClass = [] {
      WNDCLASSW description{};
      description.lpfnWndProc = DefWindowProcW;
      description.hInstance = GetModuleHandleW(nullptr);
      description.lpszClassName = L"TollivoxControlsTestFront";
      return RegisterClassW(&description);
    }();
    window_ = CreateWindowExW(0, MAKEINTATOM(windowClass), L"Tollivox controls front",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 50, 300, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~FrontWindow() { DestroyWindow(window_); }
  FrontWindow(const FrontWindow&) = delete;
  FrontWindow& operator=(const FrontWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// Class names compare as Windows compares them.
std::string Upper(std::string Text) {
  for (char& c : Text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return Text;
}

// The control page of a helper process, and the lines it recorded.
class ControlPage : public testing::Test {
 protected:
  void SetUp() override {
    helper_ = std::make_unique<HelperProcess>(L"--show-control-page " + test::Quoted(title_) +
                                              L" " + events_ + L" " + test::Quoted(Widen(record_)));
    ASSERT_TRUE(test::WaitUntilReady(ready_, *helper_));
    frame_ = FindWindowW(nullptr, title_.c_str());
    ASSERT_NE(frame_, nullptr);
  }

  void TearDown() override {
    release_.Set();
    EXPECT_EQ(helper_->WaitForExit(10000), 0);
  }

  // The shown control whose caption is Caption, or whose id is Id.
  ControlInfo Find(const std::string& Caption, int Id = 0) {
    for (const ControlInfo& control : controls_.ShownControls(Handle(frame_))) {
      if (Id != 0 ? GetDlgCtrlID(ToHwnd(control.Handle)) == Id : control.Caption == Caption) {
        return control;
      }
    }
    ADD_FAILURE() << "no control " << Caption << " " << Id;
    return {};
  }

  std::vector<std::string> Lines() const {
    std::ifstream file(record_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

  // What the page recorded since the last call, once everything posted to it before was handled.
  std::vector<std::string> Recorded() {
    static unsigned flushes = 0;
    const std::string flush = "flush " + std::to_string(++flushes);
    PostMessageW(frame_, test::kFlushMessage, flushes, 0);
    std::vector<std::string> lines;
    EXPECT_TRUE(Eventually([&] {
      lines = Lines();
      return std::find(lines.begin(), lines.end(), flush) != lines.end();
    })) << "the page did not handle "
        << flush;
    std::vector<std::string> recent;
    for (std::size_t i = seen_; i < lines.size(); ++i) {
      if (lines[i].rfind("flush ", 0) != 0) recent.push_back(lines[i]);
    }
    seen_ = lines.size();
    return recent;
  }

  // Puts the test's own window in front, where the page is not.
  void PageBehind(const FrontWindow& Front) {
    windows_.SetForeground(Handle(Front.Get()));
    windows_.SetActive(Handle(Front.Get()));
    ASSERT_TRUE(Eventually([&] { return GetForegroundWindow() == Front.Get(); }));
    Recorded();
  }

  test::ScratchFolder scratch_;
  std::wstring title_ = L"Tollivox control page " + UniqueName(L"page");
  std::wstring events_ = UniqueName(L"controls");
  std::string record_ = scratch_.File(L"record.txt");
  NamedEvent ready_{events_ + L".ready"};
  NamedEvent release_{events_ + L".release"};
  std::unique_ptr<HelperProcess> helper_;
  HWND frame_ = nullptr;
  Win32Windows windows_;
  Win32Controls controls_{windows_};
  std::size_t seen_ = 0;
};

TEST_F(ControlPage, ShownControlsTellKindCaptionStateAndFocusInTabOrder) {
  // In front, the page's thread has its focus in the folder box.
  windows_.SetForeground(Handle(frame_));
  windows_.SetActive(Handle(frame_));
  ASSERT_TRUE(Eventually([&] { return GetForegroundWindow() == frame_; }));
  ASSERT_TRUE(Eventually([&] { return Find("", test::kFolderEditId).Focused; }));

  struct Row {
    const char* Class;
    const char* Caption;  // null: an edit box's text, not a caption
    ControlKind Kind;
    bool Enabled;
    bool Focused;
  };
  const ControlKind other = ControlKind::Other;
  std::vector<Row> rows = {
      // The inner page itself comes before its controls, and the frame's buttons after them.
      {"TollivoxTestControlPage", "", other, true, false},
      {"Static", "Choose a folder", other, true, false},
      {"Edit", nullptr, ControlKind::Edit, true, true},
      {"Button", "B&rowse...", ControlKind::PushButton, true, false},
      {"Button", "Options", other, true, false},  // a group box
      {"Button", "&Plain box", ControlKind::CheckBox, true, false},
      {"Button", "&Ignored box", ControlKind::CheckBox, true, false},
      {"Button", "A&uto box", ControlKind::CheckBox, true, false},
      {"Button", "&Three states", ControlKind::CheckBox, true, false},
      {"Button", "Auto th&ree", ControlKind::CheckBox, true, false},
      {"Button", "S&low box", ControlKind::CheckBox, true, false},
      {"Button", "I &accept the terms", ControlKind::RadioButton, true, false},
      {"Button", "I &do not accept the terms", ControlKind::RadioButton, true, false},
      {"Button", "P&lain radio", ControlKind::RadioButton, true, false},
      {"Button", "&Other radio", ControlKind::RadioButton, true, false},
      {"Button", "Group o&ne", ControlKind::RadioButton, true, false},
      {"Button", "Disabled radio", ControlKind::RadioButton, false, false},
      {"Edit", nullptr, ControlKind::Edit, true, false},  // multi-line
      {"Edit", nullptr, ControlKind::Edit, true, false},  // length-limited
      {"Edit", nullptr, ControlKind::Edit, true, false},  // cutting
      {"RichEdit20W", nullptr, ControlKind::Edit, true, false},
      {"Edit", nullptr, other, true, false},  // read-only: not one to type into
      {"Button", "&Disabled", ControlKind::PushButton, false, false},
      {"Button", "&Skinned", ControlKind::PushButton, true, false},  // owner-drawn
      // Known by their class family, or, where no name tells, by what they answer.
      {"TNewButton", "S&uperclassed", ControlKind::PushButton, true, false},
      {"TNewCheckBox", "Superclassed &box", ControlKind::CheckBox, true, false},
      {"TNewRadioButton", "Superclassed ra&dio", ControlKind::RadioButton, true, false},
      {"TNewEdit", nullptr, ControlKind::Edit, true, false},
      {"TollivoxAskedButton", "As&ked", ControlKind::PushButton, true, false},
      {"WindowsForms10.BUTTON.app.0.tollivox", "O&wn press", ControlKind::PushButton, true, false},
      {"ComboBox", nullptr, ControlKind::ComboBox, true, false},
      {"ListBox", nullptr, ControlKind::ListBox, true, false},
      {"TNewComboBox", nullptr, ControlKind::ComboBox, true, false},  // a superclass
      {"ComboBox", nullptr, ControlKind::ComboBox, true, false},      // drawn without strings
      {"ListBox", nullptr, ControlKind::ListBox, true, false},
      // The hidden button is left out; a default push button is a push button.
      {"Button", "&Next >", ControlKind::PushButton, false, false},
      {"Button", "Cancel", ControlKind::PushButton, true, false},
  };
  const std::vector<ControlInfo> shown = controls_.ShownControls(Handle(frame_));
  // A system without rich edit boxes shows none.
  if (std::none_of(shown.begin(), shown.end(), [](const ControlInfo& Control) {
        return Upper(Control.Class) == "RICHEDIT20W";
      })) {
    std::erase_if(rows, [](const Row& Row) { return std::string(Row.Class) == "RichEdit20W"; });
  }
  ASSERT_EQ(shown.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Upper(shown[i].Class), Upper(rows[i].Class));
    if (rows[i].Caption != nullptr) {
      EXPECT_EQ(shown[i].Caption, rows[i].Caption);
    }
    EXPECT_EQ(shown[i].Kind, rows[i].Kind);
    EXPECT_EQ(shown[i].Enabled, rows[i].Enabled);
    EXPECT_EQ(shown[i].Focused, rows[i].Focused);
  }
  EXPECT_TRUE(controls_.ShownControls(0).empty());
  // A disabled inner page disables its buttons without a word to them; the frame's stay enabled.
  EnableWindow(GetDlgItem(frame_, test::kPageId), FALSE);
  EXPECT_FALSE(Find("B&rowse...").Enabled);
  EXPECT_TRUE(Find("Cancel").Enabled);
  EnableWindow(GetDlgItem(frame_, test::kPageId), TRUE);
}

TEST_F(ControlPage, PressTellsTheButtonsRealParentOnceWhileThePageIsBehind) {
  FrontWindow front;
  PageBehind(front);
  struct Row {
    const char* Caption;
    bool Mouse;  // pressed by its own mouse messages, not through its parent
    std::vector<std::string> Told;
  };
  const Row rows[] = {
      {"Cancel", false, {"frame clicked Cancel"}},
      // Inside the inner page, as an installer page's own buttons are.
      {"B&rowse...", false, {"page clicked Browse"}},
      {"&Skinned", false, {"page clicked Skinned"}},
      {"S&uperclassed", false, {"page clicked Superclassed"}},
      // Told through its parent, a button that acts on its own press does nothing ...
      {"O&wn press", false, {"page clicked Own press"}},
      // ... and pressed itself, it acts once; an ordinary button pressed so is clicked once. The
      // press makes the page the active window of its own program, as a click does, but does
      // not bring it to the front.
      {"O&wn press", true, {"frame activated", "own press Own press", "page clicked Own press"}},
      {"B&rowse...", true, {"page clicked Browse"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.Caption) + (row.Mouse ? " mouse" : ""));
    const WindowHandle button = Find(row.Caption).Handle;
    EXPECT_EQ(row.Mouse ? controls_.MousePress(button) : controls_.Press(button),
              ControlResult::Done);
    EXPECT_EQ(Recorded(), row.Told);
  }
  // Neither activated nor brought forward.
  EXPECT_EQ(GetForegroundWindow(), front.Get());
}

TEST_F(ControlPage, SetCheckedClicksBoxesAndRadiosIntoTheirStateAsTheUserWould) {
  FrontWindow front;
  PageBehind(front);
  struct Row {
    const char* Caption;
    bool Checked;
    bool After;  // the state read back
    const char* Told;
    ControlResult Result = ControlResult::Done;
  };
  const Row rows[] = {
      {"A&uto box", true, true, "page clicked Auto box"},
      {"A&uto box", false, false, "page clicked Auto box"},
      {"Auto th&ree", true, true, "page clicked Auto three"},
      // A box that does not check itself changes only as its page's handler says.
      {"&Plain box", true, true, "page clicked Plain box"},
      {"&Plain box", false, false, "page clicked Plain box"},
      {"&Ignored box", true, false, "page clicked Ignored box"},
      // The page enables Next when it is told of the click.
      {"I &accept the terms", true, true, "page clicked Accept"},
      {"P&lain radio", true, true, "page clicked Plain radio"},
      {"Superclassed &box", true, true, "page clicked Superclassed box"},
      {"Superclassed ra&dio", true, true, "page clicked Superclassed radio"},
      {"Group o&ne", true, true, "page clicked Group one"},
      // A page that takes longer than the time limit over the click still handles it: the box
      // stays as clicked, so that box and page agree once the page is done.
      {"S&low box", true, true, "page clicked Slow box", ControlResult::NoAnswer},
  };
  const ControlInfo next = Find("&Next >");
  ASSERT_FALSE(next.Enabled);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.Caption) + (row.Checked ? " checked" : " unchecked"));
    const ControlInfo control = Find(row.Caption);
    EXPECT_EQ(controls_.SetChecked(control.Handle, row.Checked), row.Result);
    const CheckReading reading = controls_.IsChecked(control.Handle);
    EXPECT_EQ(reading.Result, ControlResult::Done);
    EXPECT_EQ(reading.Checked, row.After);
    std::vector<std::string> told{row.Told};
    if (row.Result == ControlResult::NoAnswer) told.push_back("page saw Slow box checked");
    EXPECT_EQ(Recorded(), told);
    if (std::string(row.Caption) == "I &accept the terms") {
      // Its own group cleared, the next group left alone.
      EXPECT_FALSE(controls_.IsChecked(Find("I &do not accept the terms").Handle).Checked);
      EXPECT_TRUE(controls_.IsChecked(Find("&Other radio").Handle).Checked);
      EXPECT_TRUE(IsWindowEnabled(ToHwnd(next.Handle)));
    }
  }
  EXPECT_FALSE(controls_.IsChecked(Find("&Other radio").Handle).Checked);
  HWND page = GetDlgItem(frame_, test::kPageId);
  EXPECT_EQ(IsDlgButtonChecked(page, 217), BST_CHECKED);  // hidden
  EXPECT_EQ(IsDlgButtonChecked(page, 218), BST_CHECKED);  // disabled
  EXPECT_EQ(GetForegroundWindow(), front.Get());
}

TEST_F(ControlPage, SetTextSetsTheBoxReadsItBackAndTellsThePageOnce) {
  FrontWindow front;
  PageBehind(front);
  struct Row {
    int Id;
    std::string Text;
    ControlResult Result;
    std::string Shown;
    const char* Told;
  };
  const std::string folder = "D:\\Orbit Tools \xC3\xA9\xE6\xB5\x8B \xF0\x9D\x84\x9E";
  const std::string longer = "C:\\A folder longer than the limit";
  const Row rows[] = {
      {test::kFolderEditId, folder, ControlResult::Done, folder, "page changed Folder"},
      // A multi-line box does not say so itself.
      {test::kNotesEditId, "first\r\nsecond", ControlResult::Done, "first\r\nsecond",
       "page changed Notes"},
      // A length limit holds only for typing; the text is set whole.
      {test::kLimitedEditId, longer, ControlResult::Done, longer, "page changed Limited"},
      {test::kCuttingEditId, longer, ControlResult::NoEffect, longer.substr(0, test::kCutLength),
       "page changed Cutting"},
      // Asked for it, a rich edit box says so itself.
      {test::kRichEditId, folder, ControlResult::Done, folder, "page changed Rich"},
      {test::kFolderEditId, "", ControlResult::Done, "", "page changed Folder"},
      {test::kSuperclassedEditId, folder, ControlResult::Done, folder,
       "page changed Superclassed edit"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Told);
    HWND box = GetDlgItem(GetDlgItem(frame_, test::kPageId), row.Id);
    if (box == nullptr && row.Id == test::kRichEditId) continue;  // no rich edit boxes here
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(controls_.SetText(Handle(box), row.Text), row.Result);
    wchar_t shown[200] = {};
    DWORD_PTR copied = 0;
    ASSERT_NE(SendMessageTimeoutW(box, WM_GETTEXT, std::size(shown),
                                  reinterpret_cast<LPARAM>(shown), SMTO_NORMAL, 5000, &copied),
              0);
    EXPECT_EQ(Narrow(shown), row.Shown);
    EXPECT_EQ(Recorded(), std::vector<std::string>{row.Told});
  }
  EXPECT_EQ(GetForegroundWindow(), front.Get());
}

TEST_F(ControlPage, ListsGiveTheirItemsAcrossProcessesAndEachChoiceIsHeardOnce) {
  FrontWindow front;
  PageBehind(front);
  const std::vector<std::string> items = {"English", "Deutsch",
                                          "Fran\xC3\xA7"
                                          "ais"};
  struct Row {
    int Id;
    const char* Name;
    ControlKind Kind;
    ControlResult Chosen;  // the page that keeps its first choice reads back another
  } rows[] = {{401, "Language", ControlKind::ComboBox, ControlResult::Done},
              {402, "Types", ControlKind::ListBox, ControlResult::Done},
              {403, "Framework", ControlKind::ComboBox, ControlResult::Done},
              {404, "Drawn", ControlKind::ComboBox, ControlResult::Done},
              {405, "Keeper", ControlKind::ListBox, ControlResult::NoEffect}};
  for (const Row& row : rows) {
    const ControlInfo list = Find("", row.Id);
    SCOPED_TRACE(list.Class);
    EXPECT_EQ(list.Kind, row.Kind);
    const ListReading first = controls_.ListItems(list.Handle, row.Kind, 2);
    const bool texts = row.Id != 404;  // owner-drawn without strings: its items are data
    EXPECT_EQ(first.Result, ControlResult::Done);
    EXPECT_EQ(first.HasTexts, texts);
    EXPECT_EQ(first.Count, 3);
    EXPECT_EQ(first.Chosen, 0);
    EXPECT_EQ(first.Items,
              std::vector<std::string>(items.begin(), items.begin() + (texts ? 2 : 0)));
    EXPECT_EQ(controls_.ListItems(list.Handle, row.Kind, 9).Items.size(), texts ? 3u : 0u);
    EXPECT_EQ(controls_.Choose(list.Handle, row.Kind, 2), row.Chosen);
    // Heard once, with the new choice already made.
    EXPECT_EQ(Recorded(), std::vector<std::string>{"page chose " + std::string(row.Name) + " 2"});
  }
  EXPECT_EQ(GetForegroundWindow(), front.Get());
}

TEST(ControlsOtherProcess, AProgramThatDoesNotAnswerGivesNoAnswerWithinTheTimeLimit) {
  Win32Windows windows;
  Win32Controls controls(windows);
  const std::wstring title = L"Tollivox hung controls " + UniqueName(L"page");
  const std::wstring events = UniqueName(L"hung");
  NamedEvent ready(events + L".ready");
  NamedEvent release(events + L".release");
  HelperProcess helper(L"--show-hung-page \"" + title + L"\" " + events);
  ASSERT_TRUE(test::WaitUntilReady(ready, helper));
  HWND page = FindWindowW(nullptr, title.c_str());
  ASSERT_NE(page, nullptr);
  // Found without a message to the program.
  WindowHandle button = 0;
  for (const ControlInfo& control : controls.ShownControls(Handle(page))) {
    if (control.Caption == "&Next >") button = control.Handle;
  }
  ASSERT_NE(button, 0u);

  using Clock = std::chrono::steady_clock;
  const auto limit = std::chrono::milliseconds(Win32Controls::kSendMilliseconds + 1000);
  struct Row {
    const char* Name;
    std::function<ControlResult()> Act;
    ControlResult Expected;
  };
  const Row rows[] = {
      {"IsChecked", [&] { return controls.IsChecked(button).Result; }, ControlResult::NoAnswer},
      {"SetChecked", [&] { return controls.SetChecked(button, true); }, ControlResult::NoAnswer},
      {"SetText", [&] { return controls.SetText(button, "x"); }, ControlResult::NoAnswer},
      // Posted: it waits in the program's queue, as a click on a busy page does.
      {"Press", [&] { return controls.Press(button); }, ControlResult::Done},
      {"MousePress", [&] { return controls.MousePress(button); }, ControlResult::Done},
      {"DialogCode", [&] { return controls.DialogCode(button).Result; }, ControlResult::NoAnswer},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    const auto start = Clock::now();
    EXPECT_EQ(row.Act(), row.Expected);
    EXPECT_LT(Clock::now() - start, limit);
  }
  release.Set();
  EXPECT_EQ(helper.WaitForExit(10000), 0);
}

TEST(Controls, AControlThatIsGoneGivesGone) {
  Win32Windows windows;
  Win32Controls controls(windows);
  FrontWindow window;
  HWND button =
      CreateWindowExW(0, L"BUTTON", L"&Gone", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, 80, 20,
                      window.Get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  ASSERT_EQ(controls.ShownControls(Handle(window.Get())).size(), 1u);
  DestroyWindow(button);
  const WindowHandle gone = Handle(button);
  EXPECT_TRUE(controls.ShownControls(Handle(window.Get())).empty());
  EXPECT_EQ(controls.Press(gone), ControlResult::Gone);
  EXPECT_EQ(controls.MousePress(gone), ControlResult::Gone);
  EXPECT_EQ(controls.IsChecked(gone).Result, ControlResult::Gone);
  EXPECT_EQ(controls.SetChecked(gone, true), ControlResult::Gone);
  EXPECT_EQ(controls.SetText(gone, "x"), ControlResult::Gone);
}

}  // namespace
}  // namespace tollivox::win32
