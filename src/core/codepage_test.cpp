#include "core/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }
std::string Bytes(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

TEST(CodePage, EmptySourceIsAnEmptySuccess) {
  String out("old");
  EXPECT_TRUE(ToUtf16("", String::kToEnd, out, kCodePageUtf8));
  EXPECT_TRUE(out.empty());
  out = "old";
  EXPECT_TRUE(ToUtf16(nullptr, 5, out, kCodePageAnsi));
  EXPECT_TRUE(out.empty());
  out = "old";
  EXPECT_TRUE(FromUtf16(u"", String::kToEnd, out, kCodePageUtf8));
  EXPECT_TRUE(out.empty());
}

TEST(CodePage, Utf16CodePagesCopyOrSwapBytes) {
  String out;
  ASSERT_TRUE(ToUtf16("A\0B\0", 4, out, kCodePageUtf16));
  EXPECT_EQ(Wide(out), u"AB");
  ASSERT_TRUE(ToUtf16("\0A\0B\x20\xAC", 6, out, kCodePageUtf16Be));
  EXPECT_EQ(Wide(out), u"AB\u20AC");
  // Measured up to the zero unit, not the first zero byte.
  ASSERT_TRUE(ToUtf16("\0A\0B\0\0", String::kToEnd, out, kCodePageUtf16Be));
  EXPECT_EQ(Wide(out), u"AB");
  ASSERT_TRUE(FromUtf16(u"A\u20AC", 2, out, kCodePageUtf16Be));
  EXPECT_EQ(Bytes(out), std::string("\0A\x20\xAC", 4));
  ASSERT_TRUE(FromUtf16(u"A\u20AC", 2, out, kCodePageUtf16));
  EXPECT_EQ(Bytes(out), std::string("A\0\xAC\x20", 4));
}

TEST(CodePage, Utf8RoundTripsEveryPlane) {
  const char* utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a, e-acute, euro, emoji, z
  const String wide = Utf8ToUtf16(utf8);
  EXPECT_EQ(Wide(wide), u"a\u00E9\u20AC\U0001F600z");
  EXPECT_EQ(wide.capacity(), wide.length() + 2);  // received at exactly its size
  EXPECT_EQ(Bytes(Utf16ToUtf8(wide)), utf8);
}

TEST(CodePage, AnsiIsWesternOnTheHostWithQuestionMarkDefault) {
  EXPECT_EQ(Wide(AnsiToUtf16("caf\xE9 \x80")), u"caf\u00E9 \u20AC");
  EXPECT_EQ(Bytes(Utf16ToAnsi(u"caf\u00E9 \u20AC \u4E2D")), "caf\xE9 \x80 ?");
  String out;
  ASSERT_TRUE(FromUtf16(u"\u4E2D", 1, out, kCodePageWestern, "#"));
  EXPECT_EQ(Bytes(out), "#");
  // US-ASCII is converted as 1252, so the upper half is not lost.
  ASSERT_TRUE(ToUtf16("\x80", 1, out, kCodePageUsAscii));
  EXPECT_EQ(Wide(out), u"\u20AC");
}

TEST(CodePage, FailureEmptiesTheOutput) {
  String out("left over");
  EXPECT_FALSE(ToUtf16("abc", 3, out, 12345));
  EXPECT_TRUE(out.empty());
  out = "left over";
  EXPECT_FALSE(FromUtf16(u"abc", 3, out, 12345));
  EXPECT_TRUE(out.empty());
}

TEST(CodePage, SourceMayLieInsideTheOutput) {
  String s("\xC3\xA9t\xC3\xA9");
  ASSERT_TRUE(ToUtf16(s.c_str(), s.length(), s, kCodePageUtf8));
  EXPECT_EQ(Wide(s), u"\u00E9t\u00E9");
  ASSERT_TRUE(FromUtf16(s.w_str(), s.wlength(), s, kCodePageUtf8));
  EXPECT_EQ(Bytes(s), "\xC3\xA9t\xC3\xA9");
}

TEST(CodePage, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Wide(Utf8ToUtf16("a\xFF" "b\xC3")), u"a\uFFFDb\uFFFD");
  const String overlong = Utf8ToUtf16("\xE0\x80\x80");  // how many U+FFFD varies by system
  ASSERT_GT(overlong.wlength(), 0);
  for (int32_t i = 0; i < overlong.wlength(); ++i) EXPECT_EQ(overlong.w_str()[i], u'\uFFFD');
  EXPECT_EQ(Bytes(Utf16ToUtf8(u"x\xD800y")), "x\xEF\xBF\xBDy");  // lone surrogate
}

}  // namespace
