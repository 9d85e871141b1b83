#include <string>

#include "errors/errors.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

// The system's own wording for an error code, without the line end it comes with.
std::string SystemMessage(DWORD Code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, Code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

}  // namespace

Status Win32Launcher::Start(const std::string& CommandLine, int ShowMode) {
  // CreateProcessW may write into the command line, so it gets a private copy.
  std::wstring commandLine = Widen(CommandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(ShowMode);
  PROCESS_INFORMATION process{};
  // No application name: the program is found the way CreateProcess searches for the first
  // token (our own folder, the current folder, the system folders, then PATH).
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process) == FALSE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
        code == ERROR_INVALID_NAME) {
      return {kErrFileNotFound, ErrorDescription(kErrFileNotFound)};
    }
    // A program whose manifest asks for administrator rights, started from a process without
    // them: CreateProcess does not prompt for consent (ERROR_ELEVATION_REQUIRED, 740).
    if (code == static_cast<DWORD>(kErrElevationRequired))
      return {kErrElevationRequired, SystemMessage(code)};
    std::string description = SystemMessage(code);
    if (description.empty()) description = ErrorDescription(kErrInvalidProcedureCall);
    return {kErrInvalidProcedureCall, description};
  }
  // The program runs on its own; we keep no hold on it.
  KernelHandle thread(process.hThread);
  KernelHandle started(process.hProcess);
  return Status::Success();
}

}  // namespace tollivox::win32
