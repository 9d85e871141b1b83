#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "helpers.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {
namespace {

// What a user would see of the box, and the button pressed on it.
struct Seen {
  bool Found = false;
  std::wstring Text;
  int DefaultButton = 0;
  bool HasYes = false;
  bool HasOk = false;
};

// Waits for a message box titled Title, reads it and presses Press.
Seen AnswerBox(const std::wstring& Title, int Press) {
  Seen seen;
  HWND box = nullptr;
  for (int i = 0; i < 500 && box == nullptr; ++i) {
    box = FindWindowW(L"#32770", Title.c_str());
    if (box == nullptr) Sleep(20);
  }
  if (box == nullptr) return seen;
  seen.Found = true;
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  seen.Text = text;
  for (int id : {IDOK, IDYES, IDNO}) {
    HWND candidate = GetDlgItem(box, id);
    if (candidate != nullptr &&
        (GetWindowLongW(candidate, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      seen.DefaultButton = id;
    }
  }
  seen.HasYes = GetDlgItem(box, IDYES) != nullptr;
  seen.HasOk = GetDlgItem(box, IDOK) != nullptr;
  HWND button = GetDlgItem(box, Press);
  if (button != nullptr) {
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(Press, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  } else {
    SendMessageW(box, WM_CLOSE, 0, 0);
  }
  return seen;
}

TEST(Dialogs, MessageBoxShowsTheTextAndReportsTheButton) {
  struct Case {
    const char* Name;
    MsgBoxButtons Buttons;
    MsgBoxIcon Icon;
    int Press;
    MsgBoxAnswer Answer;
  };
  const Case cases[] = {
      {"ok", MsgBoxButtons::Ok, MsgBoxIcon::Critical, IDOK, MsgBoxAnswer::Ok},
      {"yes", MsgBoxButtons::YesNo, MsgBoxIcon::Question, IDYES, MsgBoxAnswer::Yes},
      {"no", MsgBoxButtons::YesNo, MsgBoxIcon::Question, IDNO, MsgBoxAnswer::No},
      {"information", MsgBoxButtons::Ok, MsgBoxIcon::Information, IDOK, MsgBoxAnswer::Ok},
  };
  Win32Dialogs dialogs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::wstring title = test::UniqueName(L"Tollivox 1.10 box");
    Seen seen;
    std::thread user([&] { seen = AnswerBox(title, c.Press); });
    MsgBoxAnswer answer =
        dialogs.ShowMessageBox("Line one \xC3\xA9\n\nLine three", Narrow(title), c.Buttons, c.Icon);
    user.join();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(answer, c.Answer);
    // Windows shows line feeds as line breaks; the text comes back as it was given.
    EXPECT_EQ(seen.Text, L"Line one \u00E9\n\nLine three");
    bool yesNo = c.Buttons == MsgBoxButtons::YesNo;
    EXPECT_EQ(seen.HasYes, yesNo);
    EXPECT_EQ(seen.HasOk, !yesNo);
    EXPECT_EQ(seen.DefaultButton, yesNo ? IDYES : IDOK);
  }
}

}  // namespace
}  // namespace tollivox::win32
