// Numeric reading of option values: the leading number of a text, and its conversion to the
// 16-bit Integer and 32-bit Long of the watch list and settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace tollivox {

// The number a text starts with. Spaces, tabs and line feeds are skipped wherever they stand
// ("1 2" reads as 12). Then either
//   - a decimal number: optional sign, digits, optional "." and digits, optional exponent (E or
//     D in either case, optional sign, digits); or
//   - "&H" with hexadecimal digits or "&O" with octal digits (either case, no sign). Up to 4
//     hexadecimal or 6 octal digits whose value fits in 16 bits are a signed 16-bit value
//     (&HFFFF is -1, &O177777 is -1); anything longer or larger is a signed 32-bit value
//     (&HFFFFFFFF is -1, &H10000 is 65536); a value beyond 32 bits is Overflow (6).
// Reading stops at the first character that does not fit; a text that does not start with a
// number reads as 0. A decimal number too large for a double reads as an infinity, which the
// conversions below refuse.
double ReadNumber(std::string_view Text);

// The nearest integer, halfway values going to the even one (2.5 -> 2, 3.5 -> 4); Overflow (6)
// when it lies outside the type's range.
std::int16_t ToInteger(double Value);
std::int32_t ToLong(double Value);

}  // namespace tollivox
