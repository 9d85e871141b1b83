#include "platform/win32/text.h"

#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

std::wstring ToWide(UINT CodePage, std::string_view Text) {
  if (Text.empty()) return {};
  int length =
      MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), out.data(), length);
  return out;
}

std::string FromWide(UINT CodePage, std::wstring_view Text) {
  if (Text.empty()) return {};
  int length = WideCharToMultiByte(CodePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CodePage, 0, Text.data(), static_cast<int>(Text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view Utf8) { return ToWide(CP_UTF8, Utf8); }
std::string Narrow(std::wstring_view Utf16) { return FromWide(CP_UTF8, Utf16); }
std::string ToAnsi(std::string_view Utf8) { return FromWide(CP_ACP, Widen(Utf8)); }
std::string FromAnsi(std::string_view Ansi) { return Narrow(ToWide(CP_ACP, Ansi)); }

}  // namespace tollivox::win32
