// The one pair of conversions between the logic's UTF-8 and the Windows API's UTF-16, and the
// conversion to and from the system's ANSI code page for the log file.
#pragma once

#include <string>
#include <string_view>

namespace tollivox::win32 {

// Invalid UTF-8 becomes U+FFFD; an unpaired surrogate in UTF-16 becomes U+FFFD.
std::wstring Widen(std::string_view Utf8);
std::string Narrow(std::wstring_view Utf16);
// Widen into a buffer the caller keeps between calls, grown when too small and never shrunk; the
// result lies at the start of Buffer and stays valid until Buffer changes.
std::wstring_view WidenInto(std::string_view Utf8, std::wstring& Buffer);
// UTF-8 to the ANSI code page (CP_ACP) and back; characters outside it become the code page's
// default character.
std::string ToAnsi(std::string_view Utf8);
std::string FromAnsi(std::string_view Ansi);

}  // namespace tollivox::win32
