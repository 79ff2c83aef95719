#include "core/number_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(NumberText, Integers) {
  EXPECT_EQ(Text(IntToText(-42)), "-42");
  EXPECT_EQ(Text(IntToText(LLONG_MIN)), "-9223372036854775808");
  EXPECT_EQ(Text(UIntToText(ULLONG_MAX)), "18446744073709551615");
  EXPECT_EQ(Wide(IntToTextW(7)), u"7");
  EXPECT_EQ(Wide(UIntToTextW(4000000000u)), u"4000000000");
}

TEST(NumberText, RealsWithAndWithoutPrecision) {
  EXPECT_EQ(Text(RealToText(2.5, -1)), "2.5");
  EXPECT_EQ(Text(RealToText(3.0, -1)), "3");
  EXPECT_EQ(Text(RealToText(100.0, -1)), "100");  // zeros before the point stay
  EXPECT_EQ(Text(RealToText(0.1234567, -1)), "0.123457");
  EXPECT_EQ(Text(RealToText(2.345, 2)), "2.35");
  EXPECT_EQ(Text(RealToText(7.0, 0)), "7");
  EXPECT_EQ(Text(RealToText(-0.0, 2)), "0.00");
  EXPECT_EQ(Text(RealToText(-0.0, -1)), "0");
  EXPECT_EQ(Text(RealToText(-0.001, 2)), "0.00");  // rounds to a negative zero
  EXPECT_EQ(Text(RealToText(-1.5, -1)), "-1.5");
  EXPECT_EQ(Wide(RealToTextW(2.50, -1)), u"2.5");
}

TEST(NumberText, ByteCounts) {
  EXPECT_EQ(Text(ByteSizeToText(0)), "0 bytes");
  EXPECT_EQ(Text(ByteSizeToText(1023)), "1023 bytes");
  EXPECT_EQ(Text(ByteSizeToText(-5)), "-5 bytes");
  EXPECT_EQ(Text(ByteSizeToText(-5000000)), "-5000000 bytes");
  EXPECT_EQ(Text(ByteSizeToText(1024)), "1.00 KB");
  EXPECT_EQ(Text(ByteSizeToText(1536)), "1.50 KB");
  EXPECT_EQ(Text(ByteSizeToText(1048575)), "1024.00 KB");
  EXPECT_EQ(Text(ByteSizeToText(1048576)), "1.00 MB");
  EXPECT_EQ(Text(ByteSizeToText(int64_t{5} << 30)), "5.00 GB");
  EXPECT_EQ(Text(ByteSizeToText(int64_t{3} << 40)), "3.00 TB");
  EXPECT_EQ(Text(ByteSizeToText(int64_t{2048} << 40)), "2048.00 TB");
  EXPECT_EQ(Wide(ByteSizeToTextW(1048576)), u"1.00 MB");
}

TEST(NumberText, OrdinalSuffixes) {
  const struct {
    int64_t n;
    const char* text;
  } cases[] = {{1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},     {11, "11th"},   {12, "12th"},
               {13, "13th"}, {20, "20th"}, {21, "21st"}, {22, "22nd"},   {23, "23rd"},   {31, "31st"},
               {0, "0th"},   {100, "100th"}, {101, "101st"}, {111, "111th"}, {112, "112th"}, {-1, "-1st"}};
  for (const auto& c : cases) EXPECT_EQ(Text(OrdinalText(c.n)), c.text) << c.n;
}

TEST(NumberText, EnglishWords) {
  EXPECT_EQ(Text(NumberInWords(0)), "zero");
  EXPECT_EQ(Text(NumberInWords(13)), "thirteen");
  EXPECT_EQ(Text(NumberInWords(40)), "forty");
  EXPECT_EQ(Text(NumberInWords(99)), "ninety-nine");
  EXPECT_EQ(Text(NumberInWords(100)), "one hundred");
  EXPECT_EQ(Text(NumberInWords(2024)), "two thousand twenty-four");
  EXPECT_EQ(Text(NumberInWords(1999)), "one thousand nine hundred ninety-nine");
  EXPECT_EQ(Text(NumberInWords(1000000)), "one million");
  EXPECT_EQ(Text(NumberInWords(-7)), "minus seven");
  EXPECT_EQ(Text(NumberInWords(LLONG_MIN)).substr(0, 14), "minus nine qui");
}

TEST(NumberText, OrdinalWords) {
  const struct {
    int64_t n;
    const char* text;
  } cases[] = {{1, "first"},        {2, "second"},        {3, "third"},        {5, "fifth"},
               {8, "eighth"},       {9, "ninth"},         {12, "twelfth"},     {19, "nineteenth"},
               {20, "twentieth"},   {21, "twenty-first"}, {30, "thirtieth"},   {31, "thirty-first"},
               {100, "one hundredth"}, {102, "one hundred second"}, {4, "fourth"}, {0, "zeroth"}};
  for (const auto& c : cases) EXPECT_EQ(Text(OrdinalInWords(c.n)), c.text) << c.n;
}

}  // namespace
