// Shared pieces of the Windows layer tests: copies of the test binary as helper processes,
// named events to step them, scratch folders.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win32/services.h"

namespace tollivox::test {

// The helper modes a copy of the test binary runs instead of the tests (main.cpp).
int RunHelperMode(int Argc, wchar_t** Argv);

std::wstring SelfPath();
// A name no other test (or test run) uses at the same time.
std::wstring UniqueName(std::wstring_view Tag);

// A folder of its own under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // A file name inside the folder, as the UTF-8 text the platform interfaces take.
  std::string File(std::wstring_view Name) const;

 private:
  std::filesystem::path path_;
};

// A manual-reset named event, created by the test and opened by a helper process.
class NamedEvent {
 public:
  explicit NamedEvent(const std::wstring& Name);
  void Set();
  HANDLE Get() const { return static_cast<HANDLE>(event_.Get()); }

 private:
  win32::KernelHandle event_;
};

// A copy of the test binary started with Arguments; ended by force if it is still running when
// the test lets go of it.
class HelperProcess {
 public:
  explicit HelperProcess(const std::wstring& Arguments);
  ~HelperProcess();
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;
  bool Started() const { return process_.Valid(); }
  HANDLE Get() const { return static_cast<HANDLE>(process_.Get()); }
  // The exit code, or -1 when it did not end within Milliseconds.
  long WaitForExit(DWORD Milliseconds);

 private:
  win32::KernelHandle process_;
};

// Waits until Ready is set; false when the helper ended (or timed out) first.
bool WaitUntilReady(const NamedEvent& Ready, const HelperProcess& Helper,
                    DWORD Milliseconds = 30000);

// Runs every message waiting for this thread's windows.
inline void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Runs Check with pumping in between until it holds or five seconds passed.
template <class Condition>
bool Eventually(Condition&& Check) {
  for (int i = 0; i < 250; ++i) {
    Pump();
    if (Check()) return true;
    Sleep(20);
  }
  return false;
}

// Puts Argument in double quotes when it holds a blank.
std::wstring Quoted(const std::wstring& Argument);

}  // namespace tollivox::test
