// Character-wise text operations on UTF-8 strings: positions and lengths count characters (code
// points), counted from 1, as the command line's rules and ReplaceString's positions do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tollivox {

// The byte just past the character that starts at byte Pos. A malformed sequence counts one byte
// as one character, so every byte belongs to exactly one character.
inline std::size_t NextCharacter(std::string_view Text, std::size_t Pos) {
  auto lead = static_cast<unsigned char>(Text[Pos]);
  if (lead < 0x80) return Pos + 1;
  std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (lead >= 0xF8) length = 1;
  std::size_t end = Pos + 1;
  while (end < Text.size() && end < Pos + length &&
         (static_cast<unsigned char>(Text[end]) & 0xC0) == 0x80) {
    ++end;
  }
  return end;
}

inline long CharacterCount(std::string_view Text) {
  long count = 0;
  for (std::size_t pos = 0; pos < Text.size(); pos = NextCharacter(Text, pos)) ++count;
  return count;
}

// The byte offset of character Position (1-based); the text's size when it lies past the end.
inline std::size_t ByteOffset(std::string_view Text, long Position) {
  std::size_t pos = 0;
  for (long i = 1; i < Position && pos < Text.size(); ++i) pos = NextCharacter(Text, pos);
  return pos;
}

// Text without the space characters at both ends (tabs stay).
inline std::string_view TrimSpaces(std::string_view Text) {
  std::size_t first = Text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return Text.substr(first, Text.find_last_not_of(' ') - first + 1);
}

// Captions as they are drawn: "&" marks the access key of the character after it and is not
// shown; "&&" shows one "&". One before the line feed that ends a caption goes alone.
inline std::string WithoutAccessKeys(std::string_view Captions) {
  std::string shown;
  for (std::size_t i = 0; i < Captions.size(); ++i) {
    if (Captions[i] == '&' && ++i == Captions.size()) break;
    shown += Captions[i];
  }
  return shown;
}

inline std::string_view TrimLeadingSpaces(std::string_view Text) {
  std::size_t first = Text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : Text.substr(first);
}

}  // namespace tollivox
