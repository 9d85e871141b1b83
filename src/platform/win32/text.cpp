#include "platform/win32/text.h"

#include <climits>

#include "platform/win32/windows_api.h"

namespace tollivox::win32 {

namespace {

// Bounds of the UTF-8 conversions, so that each is one call into a buffer of the bound's size
// rather than a size query and a second call: a UTF-8 byte never gives more than one UTF-16
// unit, and a UTF-16 unit never more than three UTF-8 bytes (a surrogate pair gives four for
// two, an unpaired surrogate the three of U+FFFD).
constexpr std::size_t kUtf8BytesPerUnit = 3;
constexpr std::size_t kLargestBound = INT_MAX;

// Sized by a size query: for code pages without a useful bound (a double-byte or GB 18030 code
// page may take four bytes for one unit) and for text whose bound does not fit in an int.
std::wstring ToWideMeasured(UINT CodePage, std::string_view Text) {
  if (Text.empty()) return {};
  const int length =
      MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CodePage, 0, Text.data(), static_cast<int>(Text.size()), out.data(),
                        length);
  }
  return out;
}

std::string FromWideMeasured(UINT CodePage, std::wstring_view Text) {
  if (Text.empty()) return {};
  const int length = WideCharToMultiByte(CodePage, 0, Text.data(), static_cast<int>(Text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CodePage, 0, Text.data(), static_cast<int>(Text.size()), out.data(), length,
                        nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::wstring_view WidenInto(std::string_view Utf8, std::wstring& Buffer) {
  if (Utf8.empty()) return {};
  if (Buffer.size() < Utf8.size()) Buffer.resize(Utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()),
                                         Buffer.data(), static_cast<int>(Buffer.size()));
  return std::wstring_view(Buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring Widen(std::string_view Utf8) {
  std::wstring out;
  out.resize(WidenInto(Utf8, out).size());
  return out;
}

std::string Narrow(std::wstring_view Utf16) {
  if (Utf16.empty()) return {};
  if (Utf16.size() > kLargestBound / kUtf8BytesPerUnit) return FromWideMeasured(CP_UTF8, Utf16);
  std::string out(Utf16.size() * kUtf8BytesPerUnit, '\0');
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, Utf16.data(), static_cast<int>(Utf16.size()), out.data(),
                          static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return out;
}

std::string ToAnsi(std::string_view Utf8) { return FromWideMeasured(CP_ACP, Widen(Utf8)); }
std::string FromAnsi(std::string_view Ansi) { return Narrow(ToWideMeasured(CP_ACP, Ansi)); }

}  // namespace tollivox::win32
