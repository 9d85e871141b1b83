#include <string>
#include <vector>

#include "platform/win32/services.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

bool IsBlank(wchar_t Character) { return Character == L' ' || Character == L'\t'; }

std::wstring ModulePath() {
  // Paths may be longer than MAX_PATH; grow until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::wstring_view ArgumentText(std::wstring_view FullCommandLine) {
  std::size_t position = 0;
  std::size_t size = FullCommandLine.size();
  while (position < size && IsBlank(FullCommandLine[position])) ++position;
  if (position < size && FullCommandLine[position] == L'"') {
    // A quoted name runs to the next double quote; without one it takes the rest.
    std::size_t closing = FullCommandLine.find(L'"', position + 1);
    position = closing == std::wstring_view::npos ? size : closing + 1;
  } else {
    while (position < size && !IsBlank(FullCommandLine[position])) ++position;
  }
  while (position < size && IsBlank(FullCommandLine[position])) ++position;
  return FullCommandLine.substr(position);
}

bool ReadFileVersion(const std::wstring& Path, VersionNumbers& Version) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(Path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> data(size);
  if (GetFileVersionInfoW(Path.c_str(), 0, size, data.data()) == FALSE) return false;
  void* block = nullptr;
  UINT blockSize = 0;
  if (VerQueryValueW(data.data(), L"\\", &block, &blockSize) == FALSE ||
      blockSize < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  Version.Major = HIWORD(fixed->dwFileVersionMS);
  Version.Minor = LOWORD(fixed->dwFileVersionMS);
  return true;
}

std::string Win32System::CommandLine() { return Narrow(ArgumentText(GetCommandLineW())); }

std::string Win32System::ProgramFolder() {
  std::wstring path = ModulePath();
  std::size_t slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? std::wstring_view()
                                            : std::wstring_view(path).substr(0, slash));
}

VersionNumbers Win32System::Version() {
  VersionNumbers version;
  if (ReadFileVersion(ModulePath(), version)) return version;
#if defined(TOLLIVOX_VERSION_MAJOR) && defined(TOLLIVOX_VERSION_MINOR)
  // A build without the resource script still knows which release it is.
  version.Major = TOLLIVOX_VERSION_MAJOR;
  version.Minor = TOLLIVOX_VERSION_MINOR;
#endif
  return version;
}

namespace {

// Plain ASCII upper case, for the unlikely case that the locale mapping fails.
std::string AsciiUpper(std::string_view Text) {
  std::string upper(Text);
  for (char& character : upper) {
    if (character >= 'a' && character <= 'z') character = static_cast<char>(character - 'a' + 'A');
  }
  return upper;
}

}  // namespace

std::string Win32System::ToUpper(std::string_view Text) {
  // Every title of every watch tick comes through here: the UTF-16 form lives in a buffer kept
  // between calls, and the mapping is done in place in one call, as LCMAP_UPPERCASE allows and
  // as its simple case mapping keeps the length.
  thread_local std::wstring buffer;
  const std::wstring_view wide = WidenInto(Text, buffer);
  if (wide.empty()) return {};
  const int inputLength = static_cast<int>(wide.size());
  if (LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, wide.data(), inputLength,
                    buffer.data(), inputLength, nullptr, nullptr, 0) == inputLength) {
    return Narrow(wide);
  }
  // Should a locale ever map to another length, the in-place call fails and may have written
  // part of the buffer: start again from the text, with the size asked first.
  const std::wstring source = Widen(Text);
  int length = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, source.c_str(), inputLength,
                             nullptr, 0, nullptr, nullptr, 0);
  if (length <= 0) return AsciiUpper(Text);
  std::wstring upper(static_cast<std::size_t>(length), L'\0');
  length = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, source.c_str(), inputLength,
                         upper.data(), length, nullptr, nullptr, 0);
  if (length <= 0) return AsciiUpper(Text);
  upper.resize(static_cast<std::size_t>(length));
  return Narrow(upper);
}

void Win32System::EndProgram(int ExitCode) { ExitProcess(static_cast<UINT>(ExitCode)); }

}  // namespace tollivox::win32
