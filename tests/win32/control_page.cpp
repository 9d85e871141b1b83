#include "control_page.h"

#include "framework_controls.h"
#include "helpers.h"
// clang-format off
#include <richedit.h>
// clang-format on

#include <string>

#include "platform/win32/text.h"

namespace tollivox::test {

namespace {

constexpr int kNextId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr int kPlainBoxId = 203;
constexpr int kIgnoredBoxId = 204;
constexpr int kAcceptId = 208;
constexpr int kDeclineId = 209;
constexpr int kPlainRadioId = 210;
constexpr int kOtherRadioId = 211;
constexpr int kSlowBoxId = 215;
constexpr int kFirstListId = 401;
constexpr int kKeeperId = 405;
const wchar_t* const kItems[] = {L"English", L"Deutsch", L"Fran\u00E7ais"};
// Longer than the time limit of a message sent to the page, shorter than two.
constexpr DWORD kSlowClickMilliseconds = 1500;

struct PageControl {
  bool OnFrame;
  const wchar_t* Class;
  const wchar_t* Caption;
  DWORD Style;
  int Id;
  const char* Name;
};

// In tab order. Each group of radios starts with WS_GROUP and ends where the next one starts.
constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
const PageControl kPageControls[] = {
    {false, L"STATIC", L"Choose a folder", kShown, 200, "Label"},
    {false, L"EDIT", L"C:\\Program Files\\Orbit",
     kShown | WS_BORDER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kFolderEditId, "Folder"},
    {false, L"BUTTON", L"B&rowse...", kShown | BS_PUSHBUTTON, 201, "Browse"},
    {false, L"BUTTON", L"Options", kShown | BS_GROUPBOX, 202, "Options"},
    {false, L"BUTTON", L"&Plain box", kShown | BS_CHECKBOX, kPlainBoxId, "Plain box"},
    {false, L"BUTTON", L"&Ignored box", kShown | BS_CHECKBOX, kIgnoredBoxId, "Ignored box"},
    {false, L"BUTTON", L"A&uto box", kShown | BS_AUTOCHECKBOX, 205, "Auto box"},
    {false, L"BUTTON", L"&Three states", kShown | BS_3STATE, 206, "Three states"},
    {false, L"BUTTON", L"Auto th&ree", kShown | BS_AUTO3STATE, 207, "Auto three"},
    {false, L"BUTTON", L"S&low box", kShown | BS_AUTOCHECKBOX, kSlowBoxId, "Slow box"},
    {false, L"BUTTON", L"I &accept the terms", kShown | WS_GROUP | BS_AUTORADIOBUTTON, kAcceptId,
     "Accept"},
    {false, L"BUTTON", L"I &do not accept the terms", kShown | BS_AUTORADIOBUTTON, kDeclineId,
     "Decline"},
    {false, L"BUTTON", L"P&lain radio", kShown | WS_GROUP | BS_RADIOBUTTON, kPlainRadioId,
     "Plain radio"},
    {false, L"BUTTON", L"&Other radio", kShown | BS_AUTORADIOBUTTON, kOtherRadioId, "Other radio"},
    // A click leaves the hidden and the disabled radio of its group alone, as Windows walks it.
    {false, L"BUTTON", L"Group o&ne", kShown | WS_GROUP | BS_AUTORADIOBUTTON, 216, "Group one"},
    {false, L"BUTTON", L"Hidden radio", WS_CHILD | BS_AUTORADIOBUTTON, 217, "Hidden radio"},
    {false, L"BUTTON", L"Disabled radio", kShown | WS_DISABLED | BS_AUTORADIOBUTTON, 218,
     "Disabled radio"},
    {false, L"EDIT", L"", kShown | WS_GROUP | WS_BORDER | ES_MULTILINE | ES_WANTRETURN,
     kNotesEditId, "Notes"},
    {false, L"EDIT", L"", kShown | WS_BORDER | ES_AUTOHSCROLL, kLimitedEditId, "Limited"},
    {false, L"EDIT", L"", kShown | WS_BORDER | ES_AUTOHSCROLL, kCuttingEditId, "Cutting"},
    {false, RICHEDIT_CLASSW, L"", kShown | WS_BORDER | ES_MULTILINE, kRichEditId, "Rich"},
    {false, L"EDIT", L"Licence text", kShown | WS_BORDER | ES_MULTILINE | ES_READONLY,
     kLicenceEditId, "Licence"},
    {false, L"BUTTON", L"&Disabled", kShown | WS_DISABLED | BS_PUSHBUTTON, 212, "Disabled"},
    {false, L"BUTTON", L"&Skinned", kShown | BS_OWNERDRAW, 214, "Skinned"},
    // As frameworks build them on the system's.
    {false, L"TNewButton", L"S&uperclassed", kShown | BS_PUSHBUTTON, 231, "Superclassed"},
    {false, L"TNewCheckBox", L"Superclassed &box", kShown | BS_AUTOCHECKBOX, 232,
     "Superclassed box"},
    {false, L"TNewRadioButton", L"Superclassed ra&dio", kShown | WS_GROUP | BS_AUTORADIOBUTTON, 233,
     "Superclassed radio"},
    {false, L"TNewEdit", L"", kShown | WS_GROUP | WS_BORDER | ES_AUTOHSCROLL, kSuperclassedEditId,
     "Superclassed edit"},
    {false, test::kAskedClass, L"As&ked", kShown | BS_PUSHBUTTON, 234, "Asked"},
    {false, test::kOwnPressClass, L"O&wn press", kShown | BS_OWNERDRAW, 235, "Own press"},
    {false, L"BUTTON", L"Hidden", WS_CHILD | BS_PUSHBUTTON, 213, "Hidden"},
    {false, L"COMBOBOX", L"", kShown | CBS_DROPDOWNLIST, kFirstListId, "Language"},
    {false, L"LISTBOX", L"", kShown | LBS_NOTIFY, 402, "Types"},
    // Inno Setup's language box: a superclass of the system's combo box.
    {false, L"TNewComboBox", L"", kShown | CBS_DROPDOWNLIST, 403, "Framework"},
    {false, L"COMBOBOX", L"", kShown | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 404, "Drawn"},
    {false, L"LISTBOX", L"", kShown | LBS_NOTIFY, kKeeperId, "Keeper"},
    {true, L"BUTTON", L"&Next >", kShown | WS_DISABLED | BS_DEFPUSHBUTTON, kNextId, "Next"},
    {true, L"BUTTON", L"Cancel", kShown | BS_PUSHBUTTON, kCancelId, "Cancel"},
};

std::wstring gRecord;
HWND gFrame = nullptr;
HWND gPage = nullptr;
WNDPROC gEditProc = nullptr;
WNDPROC gComboProc = nullptr;

void Append(const std::string& Line) {
  HANDLE file = CreateFileW(gRecord.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ExitProcess(4);
  const std::string text = Line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

const char* NameOf(int Id) {
  for (const PageControl& control : kPageControls) {
    if (control.Id == Id) return control.Name;
  }
  return "?";
}

bool Checked(int Id) { return IsDlgButtonChecked(gPage, Id) == BST_CHECKED; }

void RecordCommand(const char* Window, WPARAM WParam) {
  const char* what = nullptr;
  switch (HIWORD(WParam)) {
    case BN_CLICKED:
      what = " clicked ";
      break;
    case EN_CHANGE:
      what = " changed ";
      break;
    case EN_MAXTEXT:
      what = " full ";
      break;
    default:
      return;  // focus and update notifications say nothing a test needs
  }
  Append(std::string(Window) + what + NameOf(LOWORD(WParam)));
}

// Keeps no more than kCutLength characters of a text it is given, as a box that checks its
// input does.
LRESULT CALLBACK CuttingEditProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_SETTEXT && LParam != 0) {
    const std::wstring cut =
        std::wstring(reinterpret_cast<const wchar_t*>(LParam)).substr(0, kCutLength);
    return CallWindowProcW(gEditProc, Window, Message, WParam,
                           reinterpret_cast<LPARAM>(cut.c_str()));
  }
  return CallWindowProcW(gEditProc, Window, Message, WParam, LParam);
}

LRESULT CALLBACK FrameworkComboProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  return CallWindowProcW(gComboProc, Window, Message, WParam, LParam);
}

// A list's choice as it is when its page is told; the keeper allows no other than its first.
void RecordChoice(HWND List) {
  const int id = GetDlgCtrlID(List);
  const bool combo = id != 402 && id != kKeeperId;
  const LRESULT chosen = SendMessageW(List, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  Append(std::string("page chose ") + NameOf(id) + " " + std::to_string(chosen));
  if (id == kKeeperId) SendMessageW(List, LB_SETCURSEL, 0, 0);
}

LRESULT CALLBACK PageProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message != WM_COMMAND) return DefWindowProcW(Window, Message, WParam, LParam);
  // LBN_SELCHANGE has the value of CBN_SELCHANGE.
  if (HIWORD(WParam) == CBN_SELCHANGE && LOWORD(WParam) >= kFirstListId) {
    RecordChoice(reinterpret_cast<HWND>(LParam));
    return 0;
  }
  RecordCommand("page", WParam);
  if (HIWORD(WParam) != BN_CLICKED) return 0;
  switch (LOWORD(WParam)) {
    case kAcceptId:
    case kDeclineId:
      EnableWindow(GetDlgItem(gFrame, kNextId), Checked(kAcceptId) ? TRUE : FALSE);
      break;
    case kPlainBoxId:
      CheckDlgButton(Window, kPlainBoxId, Checked(kPlainBoxId) ? BST_UNCHECKED : BST_CHECKED);
      break;
    case kPlainRadioId:
      CheckRadioButton(Window, kPlainRadioId, kOtherRadioId, kPlainRadioId);
      break;
    case kSlowBoxId:
      Sleep(kSlowClickMilliseconds);
      Append(std::string("page saw Slow box ") + (Checked(kSlowBoxId) ? "checked" : "unchecked"));
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CALLBACK FrameProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_COMMAND:
      RecordCommand("frame", WParam);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(WParam) != WA_INACTIVE) {
        Append("frame activated");
        // As a dialog does, the focus goes back to the page's first box.
        SetFocus(GetDlgItem(gPage, kFolderEditId));
        return 0;
      }
      break;
    case kFlushMessage:
      Append("flush " + std::to_string(WParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

HWND Create(const PageControl& Control, int Row) {
  HWND parent = Control.OnFrame ? gFrame : gPage;
  const int x = Control.OnFrame ? 300 + 90 * (Control.Id - 1) : 10 + 240 * (Row % 2);
  const int y = Control.OnFrame ? 340 : 10 + 28 * (Row / 2);
  const int width = Control.OnFrame ? 80 : 230;
  return CreateWindowExW(0, Control.Class, Control.Caption, Control.Style, x, y, width, 24, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(Control.Id)),
                         GetModuleHandleW(nullptr), nullptr);
}

bool Register(const wchar_t* Name, WNDPROC Procedure) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = Name;
  return RegisterClassW(&windowClass) != 0;
}

}  // namespace

int ShowControlPage(const std::wstring& Title, const std::wstring& Events,
                    const std::wstring& Record) {
  gRecord = Record;
  win32::KernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, (Events + L".ready").c_str()));
  win32::KernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, (Events + L".release").c_str()));
  if (!ready.Valid() || !release.Valid()) return 3;
  if (!Register(L"TollivoxTestControlFrame", FrameProc) ||
      !Register(L"TollivoxTestControlPage", PageProc) || !RegisterFrameworkClasses([](HWND Button) {
        Append(std::string("own press ") + NameOf(GetDlgCtrlID(Button)));
      })) {
    return 2;
  }
  // A superclass as frameworks make one: the system class's procedure under a name of its own.
  WNDCLASSW framework{};
  if (GetClassInfoW(nullptr, L"COMBOBOX", &framework) == FALSE) return 2;
  gComboProc = framework.lpfnWndProc;
  framework.lpfnWndProc = FrameworkComboProc;
  framework.hInstance = GetModuleHandleW(nullptr);
  framework.lpszClassName = L"TNewComboBox";
  if (RegisterClassW(&framework) == 0) return 2;
  // Rich edit boxes come from a library of their own; a system without it shows none.
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const bool rich = LoadLibraryW((std::wstring(system) + L"\\riched20.dll").c_str()) != nullptr;

  gFrame = CreateWindowExW(0, L"TollivoxTestControlFrame", Title.c_str(), WS_OVERLAPPEDWINDOW, 120,
                           120, 520, 420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (gFrame == nullptr) return 2;
  gPage = CreateWindowExW(WS_EX_CONTROLPARENT, L"TollivoxTestControlPage", L"", kShown, 0, 0, 500,
                          330, gFrame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageId)),
                          GetModuleHandleW(nullptr), nullptr);
  if (gPage == nullptr) return 2;
  int row = 0;
  for (const PageControl& control : kPageControls) {
    if (control.Id == kRichEditId && !rich) continue;
    if (Create(control, row++) == nullptr) return 2;
  }
  CheckDlgButton(gPage, kDeclineId, BST_CHECKED);
  for (int id = kFirstListId; id <= kKeeperId; ++id) {
    const bool combo = id != 402 && id != kKeeperId;
    for (const wchar_t* item : kItems) {
      SendDlgItemMessageW(gPage, id, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(item));
    }
    SendDlgItemMessageW(gPage, id, combo ? CB_SETCURSEL : LB_SETCURSEL, 0, 0);
  }
  CheckDlgButton(gPage, kOtherRadioId, BST_CHECKED);
  CheckDlgButton(gPage, 217, BST_CHECKED);
  CheckDlgButton(gPage, 218, BST_CHECKED);
  SendDlgItemMessageW(gPage, kLimitedEditId, EM_LIMITTEXT, kCutLength, 0);
  if (rich) SendDlgItemMessageW(gPage, kRichEditId, EM_SETEVENTMASK, 0, ENM_CHANGE);
  gEditProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(GetDlgItem(gPage, kCuttingEditId), GWLP_WNDPROC,
                                                  reinterpret_cast<LONG_PTR>(CuttingEditProc)));
  ShowWindow(gFrame, SW_SHOWNORMAL);
  SetEvent(ready.Get());

  const DWORD deadline = GetTickCount() + 60000;
  HANDLE waitFor = release.Get();
  for (;;) {
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(deadline - now) <= 0) break;
    if (MsgWaitForMultipleObjects(1, &waitFor, FALSE, deadline - now, QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      break;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DestroyWindow(gFrame);
  return 0;
}

}  // namespace tollivox::test
