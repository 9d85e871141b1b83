#include "list_page.h"

#include <string>

#include "helpers.h"

namespace tollivox::test {

namespace {

constexpr int kKeeperId = 405;

struct PageList {
  const wchar_t* Class;
  DWORD Style;
  int Id;
  const char* Name;
};

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE | WS_VSCROLL;
const PageList kLists[] = {
    {L"COMBOBOX", kShown | CBS_DROPDOWNLIST, 401, "Language"},
    {L"LISTBOX", kShown | LBS_NOTIFY, 402, "Types"},
    // Inno Setup's language box: a superclass of the system's combo box.
    {L"TNewComboBox", kShown | CBS_DROPDOWNLIST, 403, "Framework"},
    {L"COMBOBOX", kShown | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 404, "Drawn"},
    {L"LISTBOX", kShown | LBS_NOTIFY, kKeeperId, "Keeper"},
};
const wchar_t* const kItems[] = {L"English", L"Deutsch", L"Fran\u00E7ais"};

std::wstring gRecord;
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

LRESULT CALLBACK FrameworkComboProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  return CallWindowProcW(gComboProc, Window, Message, WParam, LParam);
}

LRESULT CALLBACK PageProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  // LBN_SELCHANGE has the same code as CBN_SELCHANGE; the list's class tells them apart.
  if (Message != WM_COMMAND || HIWORD(WParam) != CBN_SELCHANGE) {
    return DefWindowProcW(Window, Message, WParam, LParam);
  }
  HWND control = reinterpret_cast<HWND>(LParam);
  for (const PageList& entry : kLists) {
    if (entry.Id != LOWORD(WParam)) continue;
    const bool combo = std::wstring(entry.Class) != L"LISTBOX";
    const LRESULT chosen = SendMessageW(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    Append(std::string("changed ") + entry.Name + " " + std::to_string(chosen));
    // A page that allows no other choice than its first.
    if (entry.Id == kKeeperId) SendMessageW(control, LB_SETCURSEL, 0, 0);
  }
  return 0;
}

}  // namespace

int ShowListPage(const std::wstring& Title, const std::wstring& Events,
                 const std::wstring& Record) {
  gRecord = Record;
  win32::KernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, (Events + L".ready").c_str()));
  win32::KernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, (Events + L".release").c_str()));
  if (!ready.Valid() || !release.Valid()) return 3;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW page{};
  page.lpfnWndProc = PageProc;
  page.hInstance = instance;
  page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  page.lpszClassName = L"TollivoxTestListPage";
  // A superclass as frameworks make one: the system class's procedure under a name of its own.
  WNDCLASSW framework{};
  if (RegisterClassW(&page) == 0 || GetClassInfoW(nullptr, L"COMBOBOX", &framework) == FALSE) {
    return 2;
  }
  gComboProc = framework.lpfnWndProc;
  framework.lpfnWndProc = FrameworkComboProc;
  framework.hInstance = instance;
  framework.lpszClassName = L"TNewComboBox";
  if (RegisterClassW(&framework) == 0) return 2;

  HWND frame = CreateWindowExW(0, L"TollivoxTestListPage", Title.c_str(), WS_OVERLAPPEDWINDOW, 120,
                               120, 520, 420, nullptr, nullptr, instance, nullptr);
  if (frame == nullptr) return 2;
  int row = 0;
  for (const PageList& entry : kLists) {
    HWND list =
        CreateWindowExW(0, entry.Class, L"", entry.Style, 10, 10 + 70 * row++, 200, 100, frame,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.Id)), instance, nullptr);
    if (list == nullptr) return 2;
    const bool combo = std::wstring(entry.Class) != L"LISTBOX";
    for (const wchar_t* item : kItems) {
      SendMessageW(list, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    SendMessageW(list, combo ? CB_SETCURSEL : LB_SETCURSEL, 0, 0);
  }
  ShowWindow(frame, SW_SHOWNORMAL);
  SetEvent(ready.Get());

  const DWORD deadline = GetTickCount() + 60000;
  HANDLE waitFor = release.Get();
  while (static_cast<LONG>(deadline - GetTickCount()) > 0 &&
         MsgWaitForMultipleObjects(1, &waitFor, FALSE, deadline - GetTickCount(), QS_ALLINPUT) !=
             WAIT_OBJECT_0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DestroyWindow(frame);
  return 0;
}

}  // namespace tollivox::test
