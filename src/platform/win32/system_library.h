// Libraries from the system folder only. A program that is started from a Downloads folder must
// never run a file that happens to lie beside it under a system library's name.
#pragma once

#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

// Takes the program's folder and the current folder out of the search of every later library
// load, the system's own loads on the program's behalf included. Called first thing at start.
void RestrictLibrarySearch();

// The named library (a bare file name) from the system folder only; null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* Name);

// A function of a library loaded from the system folder, or null. The library stays loaded.
template <typename Function>
Function SystemFunction(const wchar_t* Library, const char* Name) {
  HMODULE module = LoadSystemLibrary(Library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, Name)))
                : nullptr;
}

// A function of a library the program already has loaded (kernel32, user32, ntdll) that only
// later systems have, or null: looked up, so that the program still starts on the earlier ones.
template <typename Function>
Function LoadedFunction(const wchar_t* Library, const char* Name) {
  HMODULE module = GetModuleHandleW(Library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, Name)))
                : nullptr;
}

}  // namespace tollivox::win32
