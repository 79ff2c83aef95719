#include "core/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <string>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(FormatEngine, Integers) {
  EXPECT_EQ(Text(Format("%d|%i|%u", -42, 7, 4000000000u)), "-42|7|4000000000");
  EXPECT_EQ(Text(Format("%d %d", INT_MIN, INT_MAX)), "-2147483648 2147483647");
  EXPECT_EQ(Text(Format("%x %X %o", 255u, 0xABCDu, 8u)), "ff ABCD 10");
  EXPECT_EQ(Text(Format("%#x %#X %#o %#x %#o", 255u, 255u, 8u, 0u, 0u)), "0xff 0XFF 010 0 0");
  EXPECT_EQ(Text(Format("%+d %+d % d % d %+u", 5, -5, 5, -5, 5u)), "+5 -5  5 -5 5");
}

TEST(FormatEngine, WidthPrecisionAndFlags) {
  EXPECT_EQ(Text(Format("[%5d][%-5d][%05d][%-05d]", 42, 42, 42, 42)), "[   42][42   ][00042][42   ]");
  EXPECT_EQ(Text(Format("[%05d][%+05d][% 05d]", -42, 42, 42)), "[-0042][+0042][ 0042]");
  EXPECT_EQ(Text(Format("[%.3d][%6.3d][%06.3d][%.0d][%5.0d]", 7, -7, 7, 0, 0)), "[007][  -007][   007][][     ]");
  EXPECT_EQ(Text(Format("[%#08x][%#.4x]", 0x1Fu, 0x1Fu)), "[0x00001f][0x001f]");
  EXPECT_EQ(Text(Format("[%*d][%-*d][%*d]", 4, 1, 4, 2, -4, 3)), "[   1][2   ][3   ]");
  EXPECT_EQ(Text(Format("[%.*d][%.*d]", 3, 5, -1, 5)), "[005][5]");
}

TEST(FormatEngine, LengthModifiers) {
  const long long big = -1234567890123LL;
  EXPECT_EQ(Text(Format("%lld %I64d %I64u", big, big, 18446744073709551615ULL)),
            "-1234567890123 -1234567890123 18446744073709551615");
  EXPECT_EQ(Text(Format("%I64x %llX", 0x123456789ABCULL, 0xFULL)), "123456789abc F");
  const size_t size = 3000000000u;
  const ptrdiff_t diff = -3;
  EXPECT_EQ(Text(Format("%zu %Iu %td %jd", size, size, diff, static_cast<intmax_t>(-9))), "3000000000 3000000000 -3 -9");
  EXPECT_EQ(Text(Format("%I32d %I32u", -1, 0xFFFFFFFFu)), "-1 4294967295");
  EXPECT_EQ(Text(Format("%hd %hu %hhd %hhu %hx", 70000, 70000, 300, 300, 0x12345)), "4464 4464 44 44 2345");
  EXPECT_EQ(Text(Format("%ld %lu", -5L, 5UL)), "-5 5");
  // Arguments after a 64-bit one stay in step.
  EXPECT_EQ(Text(Format("%I64d,%d,%s", 1LL << 40, 9, "x")), "1099511627776,9,x");
}

TEST(FormatEngine, TextsInTheEightBitForm) {
  EXPECT_EQ(Text(Format("[%s][%hs]", "abc", "def")), "[abc][def]");
  EXPECT_EQ(Text(Format("[%6s][%-6s][%.2s][%6.2s]", "abc", "abc", "abc", "abc")), "[   abc][abc   ][ab][    ab]");
  EXPECT_EQ(Text(Format("[%ls][%S]", u"w\u00E9", u"\u4E2D")), "[w\xE9][?]");  // ANSI, "?" default
  EXPECT_EQ(Text(Format("[%.1ls][%4S]", u"xyz", u"ab")), "[x][  ab]");
  EXPECT_EQ(Text(Format("[%s]", static_cast<const char*>(nullptr))), "[(null)]");
  EXPECT_EQ(Text(Format("[%c][%3c][%-3c][%lc][%C]", 'a', 'b', 'c', u'\u00E9', u'\u20AC')), "[a][  b][c  ][\xE9][\x80]");
  // Precision bounds the reading: an unterminated buffer is fine.
  const char raw[3] = {'x', 'y', 'z'};
  EXPECT_EQ(Text(Format("%.3s", raw)), "xyz");
}

TEST(FormatEngine, TextsInTheWideForm) {
  EXPECT_EQ(Wide(FormatW(u"[%s][%ls]", u"\u4E2D\u6587", u"w")), u"[\u4E2D\u6587][w]");
  EXPECT_EQ(Wide(FormatW(u"[%hs][%S]", "caf\xE9", "\x80")), u"[caf\u00E9][\u20AC]");
  EXPECT_EQ(Wide(FormatW(u"[%5s][%-4hs][%.1S]", u"ab", "cd", "ef")), u"[   ab][cd  ][e]");
  EXPECT_EQ(Wide(FormatW(u"[%c][%hc][%C]", u'\u4E2D', 'a', '\xE9')), u"[\u4E2D][a][\u00E9]");
  EXPECT_EQ(Wide(FormatW(u"[%s][%hs]", static_cast<const char16_t*>(nullptr), static_cast<const char*>(nullptr))),
            u"[(null)][(null)]");
  EXPECT_EQ(Wide(FormatW(u"%d%%|%05.1f|%I64u|%zu", -3, 2.25, 5ULL, size_t{7})), u"-3%|002.2|5|7");
}

TEST(FormatEngine, Floats) {
  EXPECT_EQ(Text(Format("%f %.2f %.0f %F", 1.5, 2.345, 2.5, 0.125)), "1.500000 2.35 2 0.125000");
  EXPECT_EQ(Text(Format("%e %.2E %g %G %g", 12345.678, 0.000123, 0.0001, 1e20, 100000.0)),
            "1.234568e+04 1.23E-04 0.0001 1E+20 100000");
  EXPECT_EQ(Text(Format("[%8.3f][%-8.1f][%+.1f][%08.2f][%#.0f]", 3.14159, 2.0, 1.0, -1.5, 3.0)),
            "[   3.142][2.0     ][+1.0][-0001.50][3.]");
  EXPECT_EQ(Text(Format("%*.*f", 7, 2, 1.0)), "   1.00");
  EXPECT_EQ(Text(Format("%Lf", 1.25L)), "1.250000");
  EXPECT_EQ(Text(Format("%.1f", 1e300)).size(), 303u);  // longer than any small buffer
  EXPECT_EQ(Text(Format("%a", 1.0)), "0x1p+0");
}

TEST(FormatEngine, PointersPercentAndRefusedConversions) {
  const std::string p = Text(Format("%p", reinterpret_cast<void*>(0xAB)));
  EXPECT_EQ(p, std::string(2 * sizeof(void*) - 2, '0') + "AB");
  EXPECT_EQ(Text(Format("100%% %5%")), "100% %");
  int written = 1234;
  EXPECT_EQ(Text(Format("a%nb%d", &written, 5)), "ab5");  // %n skips its argument
  EXPECT_EQ(written, 1234);
  EXPECT_EQ(Text(Format("%y|%d", 3)), "%y|3");  // not a conversion: stays as written
  EXPECT_EQ(Text(Format("end%")), "end%");
  EXPECT_EQ(Text(Format("end%-5")), "end%-5");
}

TEST(FormatString, ReplaceAndAppend) {
  String s("old text");
  EXPECT_EQ(FormatString(s, "%d-%s", 5, "x"), 3);
  EXPECT_EQ(Text(s), "5-x");
  EXPECT_EQ(AppendFormat(s, "/%03d", 7), 4);
  EXPECT_EQ(Text(s), "5-x/007");
  EXPECT_EQ(FormatString(s, "%s", ""), 0);
  EXPECT_TRUE(s.empty());
  String w(u"a");
  AppendFormatW(w, u"%s=%d", u"b", 2);
  EXPECT_EQ(Wide(w), u"ab=2");
  FormatStringW(w, u"%hs", "z");
  EXPECT_EQ(Wide(w), u"z");
}

TEST(FormatString, ArgumentsMayPointIntoTheTarget) {
  String s("abc");
  AppendFormat(s, "%s%s", s.c_str(), s.c_str());
  EXPECT_EQ(Text(s), "abcabcabc");
  FormatString(s, "<%s>", s.c_str());
  EXPECT_EQ(Text(s), "<abcabcabc>");
  String big(std::string(20000, 'q').c_str());
  FormatString(big, "%s!", big.c_str());  // the long path, with an aliased argument
  EXPECT_EQ(Text(big), std::string(20000, 'q') + "!");
}

TEST(FormatString, ResultsLongerThanTheFirstBuffer) {
  const std::string long_text(16384, 'x');
  String s("keep:");
  EXPECT_EQ(AppendFormat(s, "%s|%d", long_text.c_str(), 42), 16384 + 3);
  EXPECT_EQ(Text(s), "keep:" + long_text + "|42");
  EXPECT_EQ(s.c_str()[s.length()], '\0');
  EXPECT_EQ(FormatString(s, "%20000d", 1), 20000);
  EXPECT_EQ(Text(s), std::string(19999, ' ') + "1");
  String w;
  EXPECT_EQ(FormatStringW(w, u"%*hs", 17000, "end"), 17000);
  EXPECT_EQ(w.wlength(), 17000);
  EXPECT_EQ(std::u16string(w.w_str() + 16997), u"end");
  EXPECT_EQ(Text(Format("%s%s", std::string(16383, 'a').c_str(), "b")).size(), 16384u);  // the boundary
}

}  // namespace
