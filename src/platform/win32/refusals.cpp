// The questions behind what Windows may refuse us: the foreground, input into a process of
// higher integrity, input on a desktop that is not receiving it, boxes in a window station or
// session nobody sees, and windows that DWM keeps out of view.
#include <cstdint>

#include "platform/win32/keyboard.h"
#include "platform/win32/services.h"
#include "platform/win32/system_library.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

// Newer than the headers' Windows 7 target: UOI_IO.
constexpr int kUoiIo = 6;

namespace {

// Newer than the headers' Windows 7 target.
constexpr DWORD kDwmwaCloaked = 14;    // DWMWA_CLOAKED
constexpr long kUnreadableLevel = -1;  // below every real level when we are the one asked

HWND ToHwnd(WindowHandle Window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(Window)));
}

using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// dwmapi.dll is not one of the libraries Windows protects: it comes from the system folder only,
// never from the program's, and only when first wanted. Absent (before Vista, or under a
// system without DWM) nothing is cloaked.
DwmGetWindowAttributeFn DwmAttributeReader() {
  static const DwmGetWindowAttributeFn reader =
      SystemFunction<DwmGetWindowAttributeFn>(L"dwmapi.dll", "DwmGetWindowAttribute");
  return reader;
}

}  // namespace

long IntegrityLevel(void* Process) {
  HANDLE token = nullptr;
  if (OpenProcessToken(Process != nullptr ? static_cast<HANDLE>(Process) : GetCurrentProcess(),
                       TOKEN_QUERY, &token) == FALSE) {
    return kUnreadableLevel;
  }
  KernelHandle held(token);
  // A mandatory label is a SID with one sub-authority; room for a few more, as the size varies.
  alignas(TOKEN_MANDATORY_LABEL) unsigned char
      buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size) == FALSE) {
    return kUnreadableLevel;
  }
  PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return kUnreadableLevel;
  return static_cast<long>(*GetSidSubAuthority(sid, count - 1u));
}

bool IsCloaked(WindowHandle Window) {
  const DwmGetWindowAttributeFn read = DwmAttributeReader();
  DWORD cloaked = 0;
  return read != nullptr &&
         SUCCEEDED(read(ToHwnd(Window), kDwmwaCloaked, &cloaked, sizeof cloaked)) && cloaked != 0;
}

bool Win32Windows::OwnsForeground(WindowHandle Window) {
  // The window, or a box or dialog it owns at any depth, takes its keys, whichever thread made
  // it; another window of the same thread or program is somewhere else the user may be typing.
  const HWND found = ToHwnd(Window);
  if (found == nullptr) return false;
  // Ownership cannot form a loop; the bound only guards against a chain changing as we walk it.
  constexpr int kMostOwners = 64;
  HWND front = GetForegroundWindow();
  for (int depth = 0; front != nullptr && depth < kMostOwners; ++depth) {
    if (front == found) return true;
    front = GetWindow(front, GW_OWNER);
  }
  return false;
}

bool Win32Windows::IsOurs(WindowHandle Window) {
  DWORD processId = 0;
  return GetWindowThreadProcessId(ToHwnd(Window), &processId) != 0 &&
         processId == GetCurrentProcessId();
}

Elevation Win32Windows::ElevationOf(WindowHandle Window) {
  DWORD processId = 0;
  if (GetWindowThreadProcessId(ToHwnd(Window), &processId) == 0) return Elevation::Unreadable;
  // Ours cannot change while we run.
  static const long own = IntegrityLevel(nullptr);
  // A system without integrity levels refuses nobody on their account.
  if (own == kUnreadableLevel) return Elevation::NotHigher;
  if (processId == GetCurrentProcessId()) return Elevation::NotHigher;
  KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  // Another user's program, or a protected one, does not let us look.
  const long level = process.Valid() ? IntegrityLevel(process.Get()) : kUnreadableLevel;
  if (level == kUnreadableLevel) return Elevation::Unreadable;
  return level > own ? Elevation::Higher : Elevation::NotHigher;
}

bool Win32System::StationVisible() {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  HWINSTA station = GetProcessWindowStation();
  // Unknown counts as visible: a box is what we always showed.
  if (station == nullptr ||
      GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed) == FALSE) {
    return true;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool Win32System::InServicesSession() {
  // Since Windows Vista only services run in session 0, and no user sees its desktop.
  DWORD session = 0;
  return ProcessIdToSessionId(GetCurrentProcessId(), &session) != FALSE && session == 0;
}

}  // namespace tollivox::win32

namespace tollivox {

bool Win32Keyboard::DesktopReceivesInput() {
  // The thread's desktop handle needs no closing.
  HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
  BOOL receives = FALSE;
  DWORD needed = 0;
  // Where the question cannot be asked (before Windows 8), input is taken as arriving.
  if (desktop == nullptr || GetUserObjectInformationW(desktop, win32::kUoiIo, &receives,
                                                      sizeof receives, &needed) == FALSE) {
    return true;
  }
  return receives != FALSE;
}

}  // namespace tollivox
