#include "app/float_format.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>

namespace tamsel {
namespace {

struct FormatCase {
  long double value;
  const char* text;
};

// Shows the case by its expected text in messages (the default would dump
// the object's bytes).
void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

// Names the case by its value and its expected text, with "p" for the point
// and "m" for a minus ("0p333333_Shows_0p333"): stable from run to run, and
// unique where two values show the same text.
std::string CaseName(const ::testing::TestParamInfo<FormatCase>& info) {
  char value[64];
  std::snprintf(value, sizeof value, "%.6Lg", info.param.value);
  std::string name = std::string(value) + "_Shows_" + info.param.text;
  std::string out;
  for (char c : name) {
    if (c == '.') {
      out += 'p';
    } else if (c == '-') {
      out += 'm';
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      out += c;
    }
  }
  return out;
}

class GeneralFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GeneralFormat, ThreeDigitsThreeExponentDigits) {
  EXPECT_EQ(FloatToStrGeneral(GetParam().value, 3, 3), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    HitRates, GeneralFormat,
    ::testing::Values(
        // The hit rates the window shows.
        FormatCase{2.0L / 5.0L, "0.4"}, FormatCase{5.0L / 120.0L, "0.0417"},
        FormatCase{1.0L / 3.0L, "0.333"}, FormatCase{2.0L / 3.0L, "0.667"}, FormatCase{0.0L, "0"},
        FormatCase{1.0L, "1"}, FormatCase{4.0L / 25000.0L, "0.00016"},
        // Trailing zeros and a bare point go; digits before the point stay.
        FormatCase{0.5L, "0.5"}, FormatCase{10.0L, "10"}, FormatCase{120.0L, "120"},
        FormatCase{12.345L, "12.3"}, FormatCase{-0.4L, "-0.4"},
        // Rounding half away from zero, with the carry moving the point.
        FormatCase{0.0625L, "0.0625"}, FormatCase{0.00625L, "0.00625"}, FormatCase{0.99951L, "1"},
        FormatCase{9.9951L, "10"},
        // Fixed down to 0.00001, scientific below.
        FormatCase{1.0L / 10000.0L, "0.0001"}, FormatCase{1.0L / 100000.0L, "0.00001"},
        FormatCase{1.0L / 200000.0L, "5E-006"}, FormatCase{1.0L / 300000.0L, "3.33E-006"},
        // More than three digits before the point (after rounding): scientific.
        FormatCase{999.0L, "999"}, FormatCase{999.5L, "1E003"}, FormatCase{1234.0L, "1.23E003"},
        FormatCase{5000.0L, "5E003"}, FormatCase{-1.0e20L, "-1E020"},
        FormatCase{1.0e-300L, "1E-300"}, FormatCase{1.5e1000L, "1.5E1000"}),
    CaseName);

TEST(GeneralFormatEdges, DigitsSetTheMinimumExponentWidth) {
  EXPECT_EQ(FloatToStrGeneral(1234.0L, 3, 0), "1.23E3");
  EXPECT_EQ(FloatToStrGeneral(1.0e-6L, 3, 1), "1E-6");
  EXPECT_EQ(FloatToStrGeneral(1.0e-6L, 3, 4), "1E-0006");
  // Out-of-range arguments are clamped: at most 4 exponent digits.
  EXPECT_EQ(FloatToStrGeneral(1.0e-6L, 3, 9), "1E-0006");
}

TEST(GeneralFormatEdges, PrecisionDecidesDigitsAndNotation) {
  EXPECT_EQ(FloatToStrGeneral(1.0L / 3.0L, 1, 3), "0.3");
  EXPECT_EQ(FloatToStrGeneral(1.0L / 3.0L, 15, 0), "0.333333333333333");
  EXPECT_EQ(FloatToStrGeneral(1234.0L, 4, 3), "1234");
  EXPECT_EQ(FloatToStrGeneral(12345.0L, 4, 3), "1.235E004");
}

TEST(GeneralFormatEdges, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(FloatToStrGeneral(0.4L, 3, 3, ','), "0,4");
  EXPECT_EQ(FloatToStrGeneral(1234.0L, 3, 3, ','), "1,23E003");
}

TEST(GeneralFormatEdges, NotANumberAndInfinities) {
  EXPECT_EQ(FloatToStrGeneral(std::numeric_limits<long double>::quiet_NaN(), 3, 3), "NAN");
  EXPECT_EQ(FloatToStrGeneral(std::numeric_limits<long double>::infinity(), 3, 3), "INF");
  EXPECT_EQ(FloatToStrGeneral(-std::numeric_limits<long double>::infinity(), 3, 3), "-INF");
}

}  // namespace
}  // namespace tamsel
