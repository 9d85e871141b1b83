#include "helpers.h"

#include <atomic>
#include <system_error>

#include "platform/win32/text.h"

namespace tollivox::test {

std::wstring SelfPath() {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

std::wstring UniqueName(std::wstring_view Tag) {
  static std::atomic<unsigned> counter{0};
  return L"tollivox-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter) + L"-" +
         std::wstring(Tag);
}

ScratchFolder::ScratchFolder()
    : path_(std::filesystem::temp_directory_path() / UniqueName(L"files")) {
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::File(std::wstring_view Name) const {
  return win32::Narrow((path_ / std::wstring(Name)).wstring());
}

NamedEvent::NamedEvent(const std::wstring& Name)
    : event_(CreateEventW(nullptr, TRUE, FALSE, Name.c_str())) {}

void NamedEvent::Set() { SetEvent(Get()); }

std::wstring Quoted(const std::wstring& Argument) {
  if (Argument.find_first_of(L" \t") == std::wstring::npos) return Argument;
  return L"\"" + Argument + L"\"";
}

HelperProcess::HelperProcess(const std::wstring& Arguments) {
  std::wstring commandLine = Quoted(SelfPath()) + L" " + Arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process) != FALSE) {
    CloseHandle(process.hThread);
    process_ = win32::KernelHandle(process.hProcess);
  }
}

HelperProcess::~HelperProcess() {
  if (process_.Valid() && WaitForSingleObject(Get(), 10000) == WAIT_TIMEOUT) {
    TerminateProcess(Get(), 99);
    WaitForSingleObject(Get(), 5000);
  }
}

long HelperProcess::WaitForExit(DWORD Milliseconds) {
  if (!process_.Valid() || WaitForSingleObject(Get(), Milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(Get(), &code);
  return static_cast<long>(code);
}

bool WaitUntilReady(const NamedEvent& Ready, const HelperProcess& Helper, DWORD Milliseconds) {
  if (!Helper.Started()) return false;
  HANDLE handles[] = {Ready.Get(), Helper.Get()};
  return WaitForMultipleObjects(2, handles, FALSE, Milliseconds) == WAIT_OBJECT_0;
}

}  // namespace tollivox::test
