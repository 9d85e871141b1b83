#include "platform/win32/system_library.h"

namespace tollivox::win32 {

void RestrictLibrarySearch() {
  // Windows 7 has SetDefaultDllDirectories only with update KB2533623: looked up, not imported,
  // so that the program still starts without it.
  using SetDirectoriesCall = BOOL(WINAPI*)(DWORD);
  auto setDirectories =
      LoadedFunction<SetDirectoriesCall>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (setDirectories && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) return;
  // Without it, at least the current folder leaves the search.
  SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* Name) {
  if (HMODULE module = LoadLibraryExW(Name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  // A system without the flag refuses it as a bad parameter; the full path says the same there.
  if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  // A fixed buffer, not std::wstring: the companion program links this without the strings.
  wchar_t path[MAX_PATH];
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  path[length++] = L'\\';
  for (const wchar_t* character = Name; *character != L'\0'; ++character) {
    if (length + 1 >= MAX_PATH) return nullptr;
    path[length++] = *character;
  }
  path[length] = L'\0';
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace tollivox::win32
