#include <cstring>
#include <string>

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

bool FixedFileVersion(const void* Resource, std::size_t Size, VersionNumbers& Version) {
  // VS_VERSIONINFO: three WORDs, the key L"VS_VERSION_INFO", then the fixed part at the next
  // 32-bit boundary. Read by hand: the version library is not one Windows protects from a copy
  // planted beside the program.
  constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
  constexpr std::size_t kKeyOffset = 3 * sizeof(WORD);
  constexpr std::size_t kValueOffset = (kKeyOffset + sizeof kKey + 3) & ~std::size_t{3};
  const auto* bytes = static_cast<const unsigned char*>(Resource);
  if (bytes == nullptr || Size < kValueOffset + sizeof(VS_FIXEDFILEINFO)) return false;
  WORD valueLength = 0;
  std::memcpy(&valueLength, bytes + sizeof(WORD), sizeof valueLength);
  if (valueLength < sizeof(VS_FIXEDFILEINFO) ||
      std::memcmp(bytes + kKeyOffset, kKey, sizeof kKey) != 0) {
    return false;
  }
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, bytes + kValueOffset, sizeof fixed);
  if (fixed.dwSignature != VS_FFI_SIGNATURE) return false;
  Version.Major = HIWORD(fixed.dwFileVersionMS);
  Version.Minor = LOWORD(fixed.dwFileVersionMS);
  return true;
}

bool ReadModuleVersion(void* Handle, VersionNumbers& Version) {
  auto* const module = static_cast<HMODULE>(Handle);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  return data && FixedFileVersion(data, SizeofResource(module, found), Version);
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
  if (ReadModuleVersion(nullptr, version)) return version;
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
