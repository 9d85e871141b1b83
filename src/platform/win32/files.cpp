#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "errors/errors.h"
#include "platform/win32/services.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

KernelHandle& KernelHandle::operator=(KernelHandle&& Other) noexcept {
  if (this != &Other) {
    Reset();
    handle_ = Other.Release();
  }
  return *this;
}

bool KernelHandle::Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

void* KernelHandle::Release() { return std::exchange(handle_, nullptr); }

bool KernelHandle::Reset() {
  bool closed = true;
  if (Valid()) closed = CloseHandle(handle_) != FALSE;
  handle_ = nullptr;
  return closed;
}

std::int32_t FileErrorNumber(std::uint32_t SystemError) {
  switch (SystemError) {
    case ERROR_FILE_NOT_FOUND:
      return kErrFileNotFound;
    case ERROR_PATH_NOT_FOUND:
      return kErrPathNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return kErrPermissionDenied;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return kErrBadFileNameOrNumber;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return 61;  // Disk full
    case ERROR_NOT_READY:
      return 71;  // Disk not ready
    default:
      return kErrPathFileAccess;
  }
}

namespace {

Status FileError(DWORD SystemError) {
  std::int32_t number = FileErrorNumber(SystemError);
  return {number, ErrorDescription(number)};
}

Status LastFileError() { return FileError(GetLastError()); }

KernelHandle OpenFile(const std::string& Path, DWORD Access, DWORD Share, DWORD Disposition) {
  return KernelHandle(CreateFileW(Widen(Path).c_str(), Access, Share, nullptr, Disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

class Win32AppendFile final : public IAppendFile {
 public:
  explicit Win32AppendFile(KernelHandle File) : file_(std::move(File)) {}

  Status Write(std::string_view Text) override {
    if (!file_.Valid()) return FileError(ERROR_INVALID_HANDLE);
    // The log is read by other programs as plain single-byte text.
    std::string bytes = ToAnsi(Text);
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD written = 0;
      if (WriteFile(file_.Get(), bytes.data() + done, chunk, &written, nullptr) == FALSE) {
        return LastFileError();
      }
      if (written == 0) return FileError(ERROR_WRITE_FAULT);
      done += written;
    }
    return Status::Success();
  }

  Status Close() override {
    if (!file_.Valid()) return Status::Success();
    if (!file_.Reset()) return LastFileError();
    return Status::Success();
  }

 private:
  KernelHandle file_;
};

}  // namespace

Win32Files::Win32Files(std::wstring_view InstanceMutexName) {
  std::wstring name(InstanceMutexName);
  SetLastError(ERROR_SUCCESS);
  instanceMutex_ = KernelHandle(CreateMutexW(nullptr, FALSE, name.c_str()));
  // A mutex we may not open (made by a copy running with other rights) exists all the same.
  DWORD code = GetLastError();
  previousInstance_ =
      code == ERROR_ALREADY_EXISTS || (!instanceMutex_.Valid() && code == ERROR_ACCESS_DENIED);
}

bool Win32Files::Exists(const std::string& Path) {
  DWORD attributes = GetFileAttributesW(Widen(Path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Status Win32Files::Delete(const std::string& Path) {
  if (DeleteFileW(Widen(Path).c_str()) == FALSE) return LastFileError();
  return Status::Success();
}

AppendOpenResult Win32Files::OpenAppend(const std::string& Path) {
  // Append-only access, so every write lands at the end whatever others did meanwhile; others
  // may read the log but not write it while we hold it.
  KernelHandle file = OpenFile(Path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
  if (!file.Valid()) {
    const DWORD code = GetLastError();
    return {FileError(code), nullptr,
            code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION};
  }
  return {Status::Success(), std::make_unique<Win32AppendFile>(std::move(file))};
}

std::int32_t Win32Files::TrialOpenReadLocked(const std::string& Path) {
  // Fails while anyone holds the file without sharing read access, or reads it without
  // sharing write access.
  KernelHandle file = OpenFile(Path, GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file.Valid()) return FileErrorNumber(GetLastError());
  return 0;
}

Status Win32Files::ReadLines(const std::string& Path,
                             const std::function<void(std::string_view Line)>& OnLine) {
  KernelHandle file =
      OpenFile(Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file.Valid()) return LastFileError();

  // Read in pieces: a log has no size limit. A line may span two pieces.
  std::string pending;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    DWORD got = 0;
    if (ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) ==
        FALSE) {
      return LastFileError();
    }
    if (got == 0) break;
    std::string_view piece(buffer.data(), got);
    std::size_t start = 0;
    for (std::size_t end = piece.find('\n'); end != std::string_view::npos;
         end = piece.find('\n', start)) {
      pending.append(piece.substr(start, end - start));
      // A line feed ends a line; a carriage return before it belongs to the line end.
      if (!pending.empty() && pending.back() == '\r') pending.pop_back();
      OnLine(FromAnsi(pending));
      pending.clear();
      start = end + 1;
    }
    pending.append(piece.substr(start));
  }
  if (!pending.empty()) OnLine(FromAnsi(pending));
  return Status::Success();
}

Status Win32Files::CreateEmpty(const std::string& Path) {
  KernelHandle file =
      OpenFile(Path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
  if (!file.Valid()) return LastFileError();
  if (!file.Reset()) return LastFileError();
  return Status::Success();
}

double Win32Files::AgeSeconds(const std::string& Path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(Widen(Path).c_str(), GetFileExInfoStandard, &data) == FALSE) {
    return -1.0;
  }
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& Time) {
    return (static_cast<std::int64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime;
  };
  // A write time ahead of the clock (clock set back, another machine's share) counts as fresh:
  // a negative age would read as a missing file.
  std::int64_t age = std::max<std::int64_t>(0, ticks(now) - ticks(data.ftLastWriteTime));
  return static_cast<double>(age) / 1e7;
}

bool Win32Files::PreviousInstanceRunning() { return previousInstance_; }

}  // namespace tollivox::win32
