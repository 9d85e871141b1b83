// Shutdown.exe: the companion program that the watch's built-in shutdown command starts with a
// type number. It asks for the shutdown privilege and ends the Windows session.
//
//   Shutdown.exe TYPE     0 log off, 1 shut down, 2 restart, 3 power off;
//                         4 to 7 do the same as 0 to 3 but force running programs to close
//                         without asking them to save their work.
//   Shutdown.exe /?       shows this usage.
// Exit codes: 0 the request was accepted, 1 the system refused it, 2 a bad command line.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After <windows.h>: the shell header needs its types.
#include <shellapi.h>

#include <cwchar>

#include "platform/win32/system_library.h"

namespace {

constexpr const wchar_t* kTitle = L"Tollivox Shutdown";
constexpr const wchar_t* kUsage =
    L"Usage: Shutdown.exe <Type>\n\n"
    L"0 = Log off\n1 = Shut down\n2 = Restart\n3 = Power off\n"
    L"4 to 7 = the same as 0 to 3, closing programs without asking them";

// The type as a whole number 0..7, or -1 for anything else.
int ParseType(const wchar_t* Text) {
  if (Text == nullptr || *Text == L'\0') return -1;
  wchar_t* end = nullptr;
  long value = std::wcstol(Text, &end, 10);
  if (*end != L'\0' || value < 0 || value > 7) return -1;
  return static_cast<int>(value);
}

UINT FlagsFor(int Type) {
  static const UINT kBase[] = {EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT, EWX_POWEROFF};
  return kBase[Type % 4] | (Type >= 4 ? EWX_FORCE : 0u);
}

// Logging off needs no privilege; the other types need SE_SHUTDOWN_NAME enabled in our token.
bool EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool ok = LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
            GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return ok;
}

// Plain buffers, not std::wstring: the string and exception support of the C++ runtime would
// more than double the size of this small program.
template <std::size_t Size>
void Append(wchar_t (&Buffer)[Size], const wchar_t* Text) {
  std::size_t used = std::wcslen(Buffer);
  while (*Text != L'\0' && used + 1 < Size) Buffer[used++] = *Text++;
  Buffer[used] = L'\0';
}

int Fail(const wchar_t* What) {
  DWORD error = GetLastError();
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  wchar_t number[12] = {};
  wchar_t* digit = number + 11;
  do {
    *--digit = static_cast<wchar_t>(L'0' + error % 10);
    error /= 10;
  } while (error != 0);
  wchar_t message[1024] = {};
  Append(message, What);
  Append(message, L"\n\nError ");
  Append(message, digit);
  if (text != nullptr) {
    Append(message, L": ");
    Append(message, text);
    LocalFree(text);
  }
  MessageBoxW(nullptr, message, kTitle, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
  return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tollivox::win32::RestrictLibrarySearch();
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const wchar_t* argument = argv != nullptr && argc >= 2 ? argv[1] : nullptr;
  bool askedForUsage = argument != nullptr && std::wcscmp(argument, L"/?") == 0;
  int type = argc == 2 ? ParseType(argument) : -1;
  if (argv != nullptr) LocalFree(argv);
  if (type < 0) {
    MessageBoxW(nullptr, kUsage, kTitle,
                MB_OK | (askedForUsage ? MB_ICONINFORMATION : MB_ICONSTOP) | MB_SETFOREGROUND);
    return askedForUsage ? 0 : 2;
  }
  if (type % 4 != 0 && !EnableShutdownPrivilege()) {
    return Fail(L"The shutdown privilege could not be obtained.");
  }
  if (!ExitWindowsEx(FlagsFor(type), SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER |
                                         SHTDN_REASON_FLAG_PLANNED)) {
    return Fail(L"Windows refused to end the session.");
  }
  return 0;
}
