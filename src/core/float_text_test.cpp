#include "core/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "core/format.h"

namespace {

// The host's C library prints floats exactly, ties to even: the runtime's
// own conversions must give the same text for every conversion and flag.
std::string Expected(const char* format, double value) {
  char text[2048];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Ours(const char* format, double value) { return Format(format, value).c_str(); }

const char* const kFormats[] = {"%f",   "%.0f",  "%.3f",  "%.25f", "%#.0f", "%+012.4f", "%e",   "%.0e",  "%#.0e",
                                "%.14E", "% e",  "%g",    "%G",    "%.0g",  "%.1g",     "%.17g", "%#g",   "%#.3g",
                                "%-14g", "%014g", "%12.4e", "%a",   "%A",    "%.3a",     "%.0a",  "%#.0a", "%+020.2a"};

bool IsSubnormal(double v) { return v != 0 && std::fabs(v) < std::numeric_limits<double>::min(); }

void ExpectSame(double value) {
  for (const char* format : kFormats) {
    // A subnormal's hexadecimal form is normalised here (0x1p-1074), the
    // C library keeps the format's leading 0: both are valid C.
    if (std::strchr(format, 'a') || std::strchr(format, 'A')) {
      if (IsSubnormal(value)) continue;
    }
    ASSERT_EQ(Ours(format, value), Expected(format, value)) << format << " of " << value;
  }
}

TEST(FloatText, EdgeValuesPrintAsTheCLibraryPrintsThem) {
  const double kInf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0,    -0.0,   0.5,     1.5,     2.5,     -2.5,     0.125,    0.375,    9.5,
                           99.5,   0.05,   0.15,    9.9999995, 1e-5,  1e-4,     123456.5, 999999.4, 1e21,
                           1e22,   0.1,    2.345,   1e-300,  5e-324, 2.2250738585072014e-308,
                           1.7976931348623157e308, kInf, -kInf, std::nan(""), -std::nan("")};
  for (double v : values) ExpectSame(v);
  // Rounding up to the next power of ten under '#': the zeros stay (the
  // host's library loses them, "1.e+06").
  EXPECT_EQ(Ours("%#g", 999999.5), "1.00000e+06");
  EXPECT_STREQ(Format("%g|%.3g", 999999.5, 0.00099996).c_str(), "1e+06|0.001");
}

TEST(FloatText, RandomValuesPrintAsTheCLibraryPrintsThem) {
  std::mt19937_64 random(20260912);
  for (int i = 0; i < 3000; ++i) {
    uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    ExpectSame(v);
    ExpectSame(static_cast<double>(static_cast<float>(v)));  // short decimal forms: more ties
  }
}

TEST(FloatText, LongDoublesKeepTheirExtraDigits) {
  const long double values[] = {1.25L, 1.0L / 3.0L, -2.5e-4000L, 1.1e4000L, std::numeric_limits<long double>::max()};
  for (long double v : values) {
    for (const char* format : {"%Lf", "%.30Le", "%.25Lg", "%.40Lf"}) {
      char expected[8192];
      std::snprintf(expected, sizeof expected, format, v);
      ASSERT_STREQ(Format(format, v).c_str(), expected) << format;
    }
  }
}

// Decimal texts of every length and exponent read as the host's correct
// strtod reads them: shortest forms, halfway cases, subnormals, overflow.
TEST(FloatText, DecimalTextsReadAsStrtodReadsThem) {
  const char* const edges[] = {"0", "-0", "+0.000e5", "1", "-2.5", ".5", "5.", "0.1", "1e23", "8.98846567431158e307",
                               "1.7976931348623157e308", "1.7976931348623158e308", "1.8e308", "1e400", "4.9e-324",
                               "2.4703282292062327e-324", "2.4703282292062328e-324", "1e-400", "9007199254740993",
                               "9007199254740995", "2.2250738585072011e-308", "123456789012345678901234567890e-10"};
  for (const char* text : edges) {
    const double ours = ReadDecimalReal(text);
    const double expected = std::strtod(text, nullptr);
    ASSERT_EQ(std::memcmp(&ours, &expected, sizeof ours), 0) << text;
  }
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = random() & ~(uint64_t{1} << 63);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", static_cast<int>(random() % 20), v);
    const double ours = ReadDecimalReal(text);
    const double expected = std::strtod(text, nullptr);
    ASSERT_EQ(std::memcmp(&ours, &expected, sizeof ours), 0) << text;
  }
}

}  // namespace
