#include "app/numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "errors/errors.h"

namespace tollivox {
namespace {

constexpr std::uint64_t kMaxRadixValue = 0xFFFFFFFFull;
// Far beyond any double, small enough that adding a text's length cannot overflow.
constexpr long long kExponentCap = 1'000'000'000;

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

int DigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

double ReadRadix(std::string_view Digits, int Base, std::size_t ShortDigits) {
  std::uint64_t value = 0;
  std::size_t count = 0;
  for (char c : Digits) {
    int digit = DigitValue(c);
    if (digit < 0 || digit >= Base) break;
    value = value * static_cast<std::uint64_t>(Base) + static_cast<std::uint64_t>(digit);
    if (value > kMaxRadixValue) Raise(kErrOverflow);
    ++count;
  }
  if (count <= ShortDigits && value <= 0xFFFF) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string_view TakeDigits(std::string_view Text, std::size_t& Pos) {
  std::size_t start = Pos;
  while (Pos < Text.size() && IsDigit(Text[Pos])) ++Pos;
  return Text.substr(start, Pos - start);
}

double ReadDecimal(std::string_view Text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < Text.size() && (Text[pos] == '+' || Text[pos] == '-')) {
    negative = Text[pos] == '-';
    ++pos;
  }
  std::string_view whole = TakeDigits(Text, pos);
  std::string_view fraction;
  if (pos < Text.size() && Text[pos] == '.') {
    ++pos;
    fraction = TakeDigits(Text, pos);
  }
  if (whole.empty() && fraction.empty()) return 0;

  bool hasExponent = false;
  long long exponent = 0;
  if (pos < Text.size() && std::string_view("EeDd").find(Text[pos]) != std::string_view::npos) {
    std::size_t at = pos + 1;
    bool negativeExponent = false;
    if (at < Text.size() && (Text[at] == '+' || Text[at] == '-')) {
      negativeExponent = Text[at] == '-';
      ++at;
    }
    // An "E" without digits after it is where the number ends.
    for (char c : TakeDigits(Text, at)) {
      hasExponent = true;
      if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }

  std::string canonical(whole.empty() ? std::string_view("0") : whole);
  if (!fraction.empty()) canonical.append(".").append(fraction);
  if (hasExponent) canonical.append("e").append(std::to_string(exponent));

  // strtod, not from_chars: both round correctly, and the canonical text reads the same in the C
  // locale the program keeps, but the Windows runtime's from_chars is an eighth of the program.
  errno = 0;
  double value = std::strtod(canonical.c_str(), nullptr);
  if (errno == ERANGE && (value == 0 || std::isinf(value))) {
    // Too large or too small for a double: decide which from the decimal magnitude.
    long long magnitude = exponent;
    std::size_t firstWhole = whole.find_first_not_of('0');
    if (firstWhole != std::string_view::npos) {
      magnitude += static_cast<long long>(whole.size() - firstWhole) - 1;
    } else {
      magnitude -= static_cast<long long>(fraction.find_first_not_of('0')) + 1;
    }
    value = magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

double RoundHalfEven(double Value) {
  double below = std::floor(Value);
  double rest = Value - below;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0)) return below + 1;
  return below;
}

template <class Int>
Int ToRange(double Value) {
  double rounded = RoundHalfEven(Value);
  // Written so that NaN fails as well.
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max())) {
    Raise(kErrOverflow);
  }
  return static_cast<Int>(rounded);
}

}  // namespace

double ReadNumber(std::string_view Text) {
  std::string text;
  text.reserve(Text.size());
  for (char c : Text) {
    if (c != ' ' && c != '\t' && c != '\n') text.push_back(c);
  }
  if (!text.empty() && text[0] == '&') {
    if (text.size() >= 2 && (text[1] == 'H' || text[1] == 'h')) {
      return ReadRadix(std::string_view(text).substr(2), 16, 4);
    }
    if (text.size() >= 2 && (text[1] == 'O' || text[1] == 'o')) {
      return ReadRadix(std::string_view(text).substr(2), 8, 6);
    }
    return 0;
  }
  return ReadDecimal(text);
}

std::int16_t ToInteger(double Value) { return ToRange<std::int16_t>(Value); }

std::int32_t ToLong(double Value) { return ToRange<std::int32_t>(Value); }

}  // namespace tollivox
