// Libraries planted beside a program under system libraries' names (planted/planted.cpp): a
// program started from a folder that holds such files (a Downloads folder, say) must run none of
// them. Windows looks in the program's folder first for every library it does not protect; so
// does Wine for the libraries WINEDLLOVERRIDES sets to "n,b".
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace tollivox::e2e {

// The CryptoAPI's libraries, which the compiler's stack protector loaded at start to make its
// guard (CryptAcquireContextA lives in cryptsp.dll, no KnownDLL).
inline const std::vector<std::wstring> kCryptoLibraries = {L"crypt32", L"cryptsp", L"cryptbase",
                                                           L"bcrypt"};

// Under Wine the search in the program's folder needs WINEDLLOVERRIDES to say "n,b" for the name
// (tests/CMakeLists.txt and scripts/test set it); without it a test could not fail there.
inline bool WineSearchesTheFolderFor(const std::wstring& Name) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return true;
  wchar_t overrides[1024] = {};
  const DWORD length = GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
  return length > 0 && length < 1024 && std::wstring(overrides).find(Name) != std::wstring::npos;
}

// Plants a copy of planted.dll as NAME.dll in Folder for each name, and shows that the mark works:
// a library loaded from there leaves NAME.dll.loaded beside it.
inline testing::AssertionResult PlantLibraries(const std::wstring& Folder,
                                               const std::vector<std::wstring>& Names) {
  const std::wstring planted = BinProgram(L"planted.dll");
  for (const std::wstring& name : Names) {
    if (!WineSearchesTheFolderFor(name)) {
      return testing::AssertionFailure() << "WINEDLLOVERRIDES lacks " << Narrow(name);
    }
    if (!CopyFileW(planted.c_str(), (Folder + L"\\" + name + L".dll").c_str(), FALSE)) {
      return testing::AssertionFailure()
             << "cannot plant " << Narrow(name) << " in " << Narrow(Folder);
    }
  }
  const std::wstring control = Folder + L"\\control.dll";
  if (!CopyFileW(planted.c_str(), control.c_str(), FALSE)) {
    return testing::AssertionFailure() << "cannot copy " << Narrow(planted);
  }
  FreeLibrary(LoadLibraryW(control.c_str()));
  if (!FileExists(control + L".loaded")) return testing::AssertionFailure() << "no mark";
  return testing::AssertionSuccess();
}

// The names of Names whose planted copy in Folder was loaded. Their marks go, so that the next
// program run there is judged on its own.
inline std::vector<std::string> LoadedLibraries(const std::wstring& Folder,
                                                const std::vector<std::wstring>& Names) {
  std::vector<std::string> loaded;
  for (const std::wstring& name : Names) {
    if (DeleteFileW((Folder + L"\\" + name + L".dll.loaded").c_str())) {
      loaded.push_back(Narrow(name));
    }
  }
  return loaded;
}

// Takes the planted copies, the control and the marks away again.
inline void RemovePlantedLibraries(const std::wstring& Folder,
                                   const std::vector<std::wstring>& Names) {
  std::vector<std::wstring> files = {L"control"};
  files.insert(files.end(), Names.begin(), Names.end());
  for (const std::wstring& name : files) {
    DeleteFileW((Folder + L"\\" + name + L".dll").c_str());
    DeleteFileW((Folder + L"\\" + name + L".dll.loaded").c_str());
  }
}

}  // namespace tollivox::e2e
