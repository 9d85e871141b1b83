#include "framework_controls.h"

#include <utility>

namespace tollivox::test {

namespace {

WNDPROC gButtonProc = nullptr;
std::function<void(HWND)> gOwnPress;
bool gPressed = false;

// As WinForms does: the click is the button's own press and release inside it; the base class
// still tells the parent, which such a program ignores.
LRESULT CALLBACK OwnPressProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_LBUTTONDOWN) gPressed = true;
  if (Message == WM_LBUTTONUP && gPressed) {
    gPressed = false;
    RECT client{};
    GetClientRect(Window, &client);
    const POINT point{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))};
    if (PtInRect(&client, point) != FALSE && gOwnPress) gOwnPress(Window);
  }
  return CallWindowProcW(gButtonProc, Window, Message, WParam, LParam);
}

// A class built on Base under a name of its own, as Delphi's and ATL's superclasses are.
bool Superclass(const wchar_t* Base, const wchar_t* Name, WNDPROC Procedure, WNDPROC* BaseProc) {
  WNDCLASSEXW description{};
  description.cbSize = sizeof description;
  if (GetClassInfoExW(nullptr, Base, &description) == FALSE) return false;
  if (BaseProc != nullptr) *BaseProc = description.lpfnWndProc;
  if (Procedure != nullptr) description.lpfnWndProc = Procedure;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = Name;
  return RegisterClassExW(&description) != 0;
}

}  // namespace

bool RegisterFrameworkClasses(std::function<void(HWND Button)> OwnPress) {
  gOwnPress = std::move(OwnPress);
  return Superclass(L"BUTTON", L"TNewButton", nullptr, nullptr) &&
         Superclass(L"BUTTON", L"TNewCheckBox", nullptr, nullptr) &&
         Superclass(L"BUTTON", L"TNewRadioButton", nullptr, nullptr) &&
         Superclass(L"EDIT", L"TNewEdit", nullptr, nullptr) &&
         Superclass(L"BUTTON", kAskedClass, nullptr, nullptr) &&
         Superclass(L"BUTTON", kOwnPressClass, OwnPressProc, &gButtonProc);
}

}  // namespace tollivox::test
