// A library planted beside the program under a system library's name. Loaded, it leaves a file
// NAME.dll.loaded beside itself, and does nothing else.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID /*Reserved*/) {
  if (Reason != DLL_PROCESS_ATTACH) return TRUE;
  constexpr wchar_t kSuffix[] = L".loaded";
  wchar_t path[MAX_PATH + sizeof kSuffix / sizeof kSuffix[0]];
  const DWORD length = GetModuleFileNameW(Instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  for (DWORD i = 0; i < sizeof kSuffix / sizeof kSuffix[0]; ++i) path[length + i] = kSuffix[i];
  HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return TRUE;
}
