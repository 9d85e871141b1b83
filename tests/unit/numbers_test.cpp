#include "app/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "errors/errors.h"

namespace tollivox {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ReadNumber, ReadsTheLeadingNumberOfAText) {
  struct Case {
    std::string Text;
    double Expected;
  };
  const Case cases[] = {
      {"", 0},
      {"abc", 0},
      {"7x", 7},
      {"12abc34", 12},
      {"1,5", 1},
      {"2.5", 2.5},
      {" 1 2 ", 12},
      {"\t-3\n", -3},
      {"- 4", -4},
      {"+4", 4},
      {".5", 0.5},
      {"-.5", -0.5},
      {"5.", 5},
      {".", 0},
      {"-", 0},
      {"1e3", 1000},
      {"1D2", 100},
      {"1d-1", 0.1},
      {"2E+2x", 200},
      {"1e", 1},
      {"1e+", 1},
      {"1.5.5", 1.5},
      {"1e400", kInf},
      {"-1e400", -kInf},
      {"1e-400", 0},
      {"0.0001e999999999999999", kInf},
      {"123456789e-999999999999", 0},
      {"&HFF", 255},
      {"&hff", 255},
      {"&H7FFF", 32767},
      {"&H8000", -32768},
      {"&HFFFF", -1},
      {"&H0FFFF", 65535},
      {"&H10000", 65536},
      {"&HFFFFFFFF", -1},
      {"&H7FFFFFFF", 2147483647},
      {"&H0000000000001", 1},
      {"&H1G", 1},
      {"&HG", 0},
      {"&O17", 15},
      {"&o17", 15},
      {"&O177777", -1},
      {"&O200000", 65536},
      {"&O0177777", 65535},
      {"&O8", 0},
      {"&", 0},
      {"&X1", 0},
      {"-&H1", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadNumber(c.Text), c.Expected) << "text \"" << c.Text << '"';
  }
}

TEST(ReadNumber, HexadecimalBeyond32BitsIsOverflow) {
  for (const char* text : {"&H100000000", "&O40000000000", "&HFFFFFFFFFFFFFFFFFFFF"}) {
    try {
      ReadNumber(text);
      ADD_FAILURE() << text << " was read";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.Number(), kErrOverflow) << text;
    }
  }
}

TEST(NumberConversion, RoundsHalfToEvenAndRefusesValuesOutOfRange) {
  struct Case {
    double Value;
    bool IntegerFits;
    std::int16_t Integer;
    bool LongFits;
    std::int32_t Long;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {2.5, true, 2, true, 2},
      {3.5, true, 4, true, 4},
      {0.5, true, 0, true, 0},
      {-0.5, true, 0, true, 0},
      {-2.5, true, -2, true, -2},
      {-3.5, true, -4, true, -4},
      {2.4999, true, 2, true, 2},
      {2.5001, true, 3, true, 3},
      {-7.6, true, -8, true, -8},
      {32767.4, true, 32767, true, 32767},
      {32767.5, false, 0, true, 32768},
      {-32768.5, true, -32768, true, -32768},
      {-32768.6, false, 0, true, -32769},
      {65535.5, false, 0, true, 65536},
      {2147483647.4, false, 0, true, 2147483647},
      {2147483647.5, false, 0, false, 0},
      {-2147483648.5, false, 0, true, -2147483647 - 1},
      {-2147483649.0, false, 0, false, 0},
      {kInf, false, 0, false, 0},
      {-kInf, false, 0, false, 0},
      {nan, false, 0, false, 0},
  };
  auto errorOf = [](auto Convert) {
    try {
      Convert();
      return 0;
    } catch (const RuntimeError& error) {
      return error.Number();
    }
  };
  for (const Case& c : cases) {
    if (c.IntegerFits) {
      EXPECT_EQ(ToInteger(c.Value), c.Integer) << c.Value;
    } else {
      EXPECT_EQ(errorOf([&] { ToInteger(c.Value); }), kErrOverflow) << c.Value;
    }
    if (c.LongFits) {
      EXPECT_EQ(ToLong(c.Value), c.Long) << c.Value;
    } else {
      EXPECT_EQ(errorOf([&] { ToLong(c.Value); }), kErrOverflow) << c.Value;
    }
  }
}

}  // namespace
}  // namespace tollivox
