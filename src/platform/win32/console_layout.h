// The console's layout table and the ids of its controls and menu items, shared by the files of
// the console window.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32::console {

inline constexpr wchar_t kClassName[] = L"TollivoxConsole";
inline constexpr UINT_PTR kTimerId = 1;
inline constexpr int kFirstControlId = 100;
inline constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The client area the layout was drawn for, in twips.
inline constexpr double kClientWidth = 7455;
inline constexpr double kClientHeight = 1365;

struct ControlLayout {
  Control Which;
  const wchar_t* ClassName;
  const wchar_t* Caption;
  double Left, Top, Width, Height;
  DWORD Style;
  DWORD ExStyle;
};

inline constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
inline constexpr DWORD kHeading = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTER;

// In tab order: creation order is the order Tab walks.
inline constexpr ControlLayout kLayout[] = {
    {Control::cmdExit, L"BUTTON", L"&Exit", 4440, 840, 1215, 375,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {Control::cmdStopStart, L"BUTTON", L"&Stop", 1800, 840, 1215, 375, kButton, 0},
    {Control::cmdViewLog, L"BUTTON", L"View &Log", 3120, 840, 1215, 375, kButton, 0},
    {Control::cmdRefresh, L"BUTTON", L"&Refresh", 2400, 4920, 1215, 375, kButton, 0},
    {Control::cmdClear, L"BUTTON", L"&Clear", 3840, 4920, 1215, 375, kButton, 0},
    // Window titles land here; an "&" in one must show as itself.
    {Control::lblMessage, L"STATIC", L"", 165, 120, 7245, 615,
     WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0},
    {Control::txtLog, L"EDIT", L"", 120, 1680, 7215, 3060,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
         ES_AUTOHSCROLL | ES_READONLY,
     WS_EX_CLIENTEDGE},
    {Control::lblDateTime, L"STATIC", L"Date && Time", 120, 1440, 1695, 255, kHeading, 0},
    {Control::lblEvent, L"STATIC", L"Event", 1800, 1440, 5535, 255, kHeading, 0},
};

struct MenuItem {
  Control Which;
  const wchar_t* Caption;
};

inline constexpr MenuItem kMenu[] = {
    {Control::mPopRestore, L"&Restore"},
    {Control::mStopStart, L"&Stop"},
    {Control::mPopExit, L"&Exit"},
};

inline std::size_t IndexOf(Control Which) { return static_cast<std::size_t>(Which); }
inline int IdOf(Control Which) { return kFirstControlId + static_cast<int>(Which); }

inline std::optional<Control> ControlOfId(int Id) {
  int index = Id - kFirstControlId;
  if (index < 0 || index > static_cast<int>(Control::mPopExit)) return std::nullopt;
  return static_cast<Control>(index);
}

inline bool IsMenuItem(Control Which) { return Which >= Control::mPopRestore; }

inline bool IsClickable(Control Which) { return Which <= Control::cmdClear || IsMenuItem(Which); }

}  // namespace tollivox::win32::console
