// Stands in for Shutdown.exe in the end-to-end tests' program folders: instead of ending the
// session it writes its arguments, one a line, to Shutdown.args beside itself. Copied under
// another name it stands in for that program too, and writes NAME.args.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After <windows.h>: the shell header needs its types.
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH * 2] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  if (length == 0 || length >= MAX_PATH * 2) return 3;
  std::wstring record(path, length);
  record = record.substr(0, record.find_last_of(L'.')) + L".args";

  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr) return 3;
  std::wstring text;
  for (int i = 1; i < count; ++i) text += std::wstring(args[i]) + L"\n";
  LocalFree(args);

  std::string bytes;
  if (!text.empty()) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
  }
  // Written under another name and renamed, so a test never reads half a record.
  std::wstring temporary = record + L".tmp";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) return 3;
  return MoveFileExW(temporary.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
