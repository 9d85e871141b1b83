// A page's combo boxes and list boxes read and chosen in through their own messages. All of them
// are system messages below WM_USER, which Windows marshals across processes, so the item texts
// come back from another program's list; each is sent with the time limit.
#include <string>

#include "platform/win32/controls.h"
#include "platform/win32/messages.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {

namespace {

HWND ToHwnd(WindowHandle Window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Window)));
}

// The messages of one kind of list: a combo box's or a list box's.
struct ListMessages {
  UINT GetCount, GetCurSel, SetCurSel, GetTextLen, GetText;
  WORD SelChange;
};

constexpr ListMessages kComboMessages{CB_GETCOUNT,     CB_GETCURSEL, CB_SETCURSEL,
                                      CB_GETLBTEXTLEN, CB_GETLBTEXT, CBN_SELCHANGE};
constexpr ListMessages kListMessages{LB_GETCOUNT,   LB_GETCURSEL, LB_SETCURSEL,
                                     LB_GETTEXTLEN, LB_GETTEXT,   LBN_SELCHANGE};

const ListMessages& MessagesOf(ControlKind Kind) {
  return Kind == ControlKind::ComboBox ? kComboMessages : kListMessages;
}

// CB_ERR and LB_ERR, and the -1 of no choice, as the signed result they are.
int Signed(DWORD_PTR Result) { return static_cast<int>(static_cast<LRESULT>(Result)); }

}  // namespace

ListReading Win32Controls::ListItems(WindowHandle Control, ControlKind Kind, int Most) {
  HWND list = ToHwnd(Control);
  const ListMessages& messages = MessagesOf(Kind);
  ListReading reading;
  DWORD_PTR result = 0;
  reading.Result = SendLimited(list, messages.GetCount, 0, 0, result);
  if (reading.Result != ControlResult::Done) return reading;
  reading.Count = Signed(result) > 0 ? Signed(result) : 0;
  reading.Result = SendLimited(list, messages.GetCurSel, 0, 0, result);
  if (reading.Result != ControlResult::Done) return reading;
  reading.Chosen = Signed(result);
  // Without strings the text message would copy the item's data, not a text.
  reading.HasTexts =
      ListHasTexts(Kind, static_cast<std::uint32_t>(GetWindowLongW(list, GWL_STYLE)));
  if (!reading.HasTexts) return reading;
  for (int i = 0; i < reading.Count && i < Most; ++i) {
    reading.Result = SendLimited(list, messages.GetTextLen, static_cast<WPARAM>(i), 0, result);
    if (reading.Result != ControlResult::Done) return reading;
    // An item gone since the count (the page refilled its list) ends the reading.
    if (Signed(result) < 0) break;
    std::wstring text(static_cast<std::size_t>(Signed(result)) + 1, L'\0');
    reading.Result = SendLimited(list, messages.GetText, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(text.data()), result);
    if (reading.Result != ControlResult::Done) return reading;
    if (Signed(result) < 0) break;
    // The length asked for first may be larger than the text.
    text.resize(static_cast<std::size_t>(Signed(result)) < text.size()
                    ? static_cast<std::size_t>(Signed(result))
                    : text.size() - 1);
    reading.Items.push_back(Narrow(text));
  }
  return reading;
}

ControlResult Win32Controls::Choose(WindowHandle Control, ControlKind Kind, int Index) {
  HWND list = ToHwnd(Control);
  const ListMessages& messages = MessagesOf(Kind);
  DWORD_PTR result = 0;
  ControlResult sent = SendLimited(list, messages.SetCurSel, static_cast<WPARAM>(Index), 0, result);
  if (sent != ControlResult::Done) return sent;
  // Setting the choice by message tells nobody; pages act on the notification the user's choice
  // sends.
  sent = Notify(list, messages.SelChange, true);
  if (sent != ControlResult::Done) return sent;
  // The page may put its own choice back when told.
  sent = SendLimited(list, messages.GetCurSel, 0, 0, result);
  if (sent != ControlResult::Done) return sent;
  return Signed(result) == Index ? ControlResult::Done : ControlResult::NoEffect;
}

}  // namespace tollivox::win32
