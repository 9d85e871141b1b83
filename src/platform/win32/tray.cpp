#include "platform/win32/tray.h"

#include "platform/win32/raii.h"
// After <windows.h> (raii.h): the shell header needs its types.
#include <shellapi.h>

#include <cstring>
#include <string_view>

#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace tollivox::win32 {

namespace {

// The tip stands in the record up to its NUL; the spaces after it are only padding.
std::string_view TipText(const TrayIconRecord& Record) {
  const void* end = std::memchr(Record.szTip, '\0', sizeof Record.szTip);
  std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - Record.szTip)
                           : sizeof Record.szTip;
  return {Record.szTip, length};
}

}  // namespace

bool Win32Tray::Notify(std::uint32_t Message, const TrayIconRecord& Record) {
  NOTIFYICONDATAW data{};
  // The version 2 layout: every shell since Windows 2000 takes it, and nothing later is used.
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = FromHandle32<HWND>(Record.hWnd);
  data.uID = Record.uID;
  data.uFlags = Record.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = Record.uCallbackMessage;
  data.hIcon = FromHandle32<HICON>(Record.hIcon);
  std::wstring tip = Widen(TipText(Record));
  constexpr std::size_t kTipRoom = sizeof data.szTip / sizeof data.szTip[0] - 1;
  if (tip.size() > kTipRoom) tip.resize(kTipRoom);
  tip.copy(data.szTip, tip.size());
  lastAccepted_ = Shell_NotifyIconW(Message, &data) != FALSE;
  return lastAccepted_;
}

bool Win32Tray::Add(const TrayIconRecord& Record) {
  // The shell refuses to add an icon it holds already (TaskbarCreated is a broadcast anyone may
  // send): then the icon is there, and brought up to date.
  return Notify(NIM_ADD, Record) || Notify(NIM_MODIFY, Record);
}

void Win32Tray::Remove(const TrayIconRecord& Record) { Notify(NIM_DELETE, Record); }

VersionNumbers RunningWindowsVersion() {
  using GetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  auto call = LoadedFunction<GetVersionCall>(L"ntdll.dll", "RtlGetVersion");
  if (call == nullptr || call(&info) != 0) return {};
  return {static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion)};
}

std::uint32_t TaskBarStateOn(VersionNumbers Windows, std::uint32_t ShellState) {
  // Since Windows 7 the task bar is always on top and the query no longer says so.
  const bool alwaysOnTop = Windows.Major > 6 || (Windows.Major == 6 && Windows.Minor >= 1);
  return alwaysOnTop ? ShellState | ABS_ALWAYSONTOP : ShellState;
}

std::uint32_t Win32Tray::TaskBarState() {
  APPBARDATA data{};
  data.cbSize = sizeof data;
  return TaskBarStateOn(windows_, static_cast<std::uint32_t>(SHAppBarMessage(ABM_GETSTATE, &data)));
}

}  // namespace tollivox::win32
