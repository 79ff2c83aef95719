// The text layer against the real Win32 calls: user32 character classes,
// CompareStringW collation, MultiByteToWideChar / WideCharToMultiByte and the
// time-zone rules.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/char_class.h"
#include "core/codepage.h"
#include "core/datetime.h"
#include "core/format.h"
#include "core/string_compare.h"

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(TextOnWindows, User32DecidesCharacterClasses) {
  // Beyond the Latin-1 fall-back table: Greek and Cyrillic letters.
  EXPECT_TRUE(IsLetterChar(0x3B1));
  EXPECT_TRUE(IsLowerChar(0x3B1));
  EXPECT_TRUE(IsUpperChar(0x416));
  EXPECT_EQ(ToUpperChar(0x3B1), 0x391u);
  EXPECT_EQ(ToLowerChar(0x416), 0x436u);
  EXPECT_TRUE(IsLetterChar(0xE9));
  EXPECT_EQ(ToUpperChar('q'), uint32_t('Q'));
  // Beyond the basic plane the fall-backs still answer.
  EXPECT_EQ(ToUpperChar(0x1F600), 0x1F600u);
}

TEST(TextOnWindows, NoCaseCompareUsesInvariantCollation) {
  EXPECT_EQ(CompareNoCaseW(String(u"\u00E9cole"), String(u"\u00C9COLE")), 0);
  EXPECT_EQ(CompareNoCaseW(String(u"\u0436\u0443\u043A"), String(u"\u0416\u0423\u041A")), 0);
  EXPECT_EQ(CompareNoCaseW(String(u"apple"), String(u"Banana")), -1);
  // Collation, not code units: punctuation sorts before letters.
  EXPECT_EQ(CompareNoCaseW(String(u"{"), String(u"a")), -1);
  EXPECT_EQ(CompareNoCaseW(u"abc", u"ABD", 2), 0);
  EXPECT_EQ(CompareNoCaseW(nullptr, u"a", 1), -1);
  EXPECT_TRUE(String(u"Program Files").EqualsNoCaseW(u"PROGRAM FILES"));
}

TEST(TextOnWindows, CodePagesThatRefuseFlagsAreRetriedWithout) {
  // UTF-7 takes no flags (UTF-8 neither on Windows, though Wine lets it pass).
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF7, MB_PRECOMPOSED, "A+AOk-", 6, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
  String out;
  ASSERT_TRUE(ToUtf16("A+AOk-", String::kToEnd, out, kCodePageUtf7));
  EXPECT_EQ(Wide(out), u"A\u00E9");
  ASSERT_TRUE(FromUtf16(u"A\u00E9", 2, out, kCodePageUtf7));
  EXPECT_EQ(Text(out), "A+AOk-");
}

TEST(TextOnWindows, Utf8RoundTrip) {
  const char* utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  const String wide = Utf8ToUtf16(utf8);
  EXPECT_EQ(Wide(wide), u"a\u00E9\u20AC\U0001F600");
  EXPECT_EQ(wide.capacity(), wide.length() + 2);
  EXPECT_EQ(Text(Utf16ToUtf8(wide)), utf8);
  EXPECT_EQ(Wide(Utf8ToUtf16("x\xFFy")), u"x\uFFFDy");
}

TEST(TextOnWindows, AnsiConversionsMatchTheSystem) {
  const char bytes[] = "caf\xE9 \x80";
  wchar_t expected[16] = {};
  const int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes, 6, expected, 16);
  ASSERT_GT(n, 0);
  EXPECT_EQ(Wide(AnsiToUtf16(bytes)), std::u16string(reinterpret_cast<const char16_t*>(expected), n));
  EXPECT_EQ(Text(Utf16ToAnsi(AnsiToUtf16(bytes))), bytes);
  // A character the code page cannot hold becomes the default character.
  String out;
  ASSERT_TRUE(FromUtf16(u"\u4E2D\u0100", 2, out, kCodePageWestern, "?", kConvertNoBestFit));
  EXPECT_EQ(Text(out), "??");
  ASSERT_TRUE(ToUtf16("\x80", 1, out, kCodePageUsAscii));  // converted as 1252
  EXPECT_EQ(Wide(out), u"\u20AC");
  EXPECT_FALSE(ToUtf16("abc", 3, out, 12345));
  EXPECT_TRUE(out.empty());
}

TEST(TextOnWindows, FloatsFormatAsOnEveryPlatform) {
  EXPECT_EQ(Text(Format("%e|%.2E|%g|%G", 12345.678, 0.000123, 0.0001, 1e20)), "1.234568e+04|1.23E-04|0.0001|1E+20");
  EXPECT_EQ(Text(Format("%Lf|%08.2f|%#.0f", 1.25L, -1.5, 3.0)), "1.250000|-0001.50|3.");
  EXPECT_EQ(Text(Format("%zu|%I64d|%lld", size_t{4000000000u}, -1234567890123LL, 5LL)), "4000000000|-1234567890123|5");
  EXPECT_EQ(Text(Format("%p", reinterpret_cast<void*>(0x12AB))), "000012AB");
  EXPECT_EQ(Wide(FormatW(u"%s|%hs|%S", u"\u4E2D", "a", "b")), u"\u4E2D|a|b");
}

TEST(TextOnWindows, LocalTimeAndZoneOffset) {
  SYSTEMTIME system;
  GetLocalTime(&system);
  const DateTime now = LocalNow();
  EXPECT_FALSE(now.IsEmpty());
  EXPECT_EQ(now.year, system.wYear);
  EXPECT_EQ(now.day_of_week, DayOfWeek(now.year, now.month, now.day));
  TIME_ZONE_INFORMATION zone;
  GetTimeZoneInformation(&zone);
  for (int month : {1, 7}) {
    const int32_t offset = UtcOffsetMinutes(MakeDateTime(2024, month, 15, 12, 0, 0));
    const int32_t standard = -static_cast<int32_t>(zone.Bias + zone.StandardBias);
    const int32_t daylight = -static_cast<int32_t>(zone.Bias + zone.DaylightBias);
    EXPECT_TRUE(offset == standard || (zone.DaylightDate.wMonth != 0 && offset == daylight)) << offset;
    const int32_t magnitude = offset < 0 ? -offset : offset;
    EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, month, 15, 12, 0, 0), "b")),
              Text(Format("%c%02d%02d", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60)));
  }
}

}  // namespace
