#include "core/string_compare.h"

#include <gtest/gtest.h>

namespace {

TEST(StringCompare, OrderIsByteWiseThenLength) {
  EXPECT_EQ(Compare(String("abc"), String("abd")), -1);
  EXPECT_EQ(Compare(String("abc"), String("ab")), 1);
  EXPECT_EQ(Compare(String(""), String()), 0);
  EXPECT_EQ(Compare(String("\xE9"), String("z")), 1);  // bytes are unsigned
  EXPECT_EQ(CompareW(String(u"\u00E9"), String(u"z")), 1);
  EXPECT_EQ(CompareW(String(u"ab"), String(u"abc")), -1);
}

TEST(StringCompare, NoCaseFoldsAsciiInEightBitText) {
  EXPECT_EQ(CompareNoCase(String("HELLO"), String("hello")), 0);
  EXPECT_EQ(CompareNoCase(String("apple"), String("Banana")), -1);
  EXPECT_EQ(CompareNoCase(String("_"), String("a")), -1);  // '_' sorts as before lower-case letters
  EXPECT_NE(CompareNoCase(String("\xC9"), String("\xE9")), 0);
}

TEST(StringCompare, NoCaseWide) {
  EXPECT_EQ(CompareNoCaseW(String(u"Stra\u00DFE"), String(u"STRA\u00DFe")), 0);
  EXPECT_EQ(CompareNoCaseW(String(u"\u00C9t\u00E9"), String(u"\u00E9T\u00C9")), 0);
  EXPECT_EQ(CompareNoCaseW(String(u"abc"), String(u"ABD")), -1);
  EXPECT_EQ(CompareNoCaseW(String(u"abcd"), String(u"ABC")), 1);
  // Counted form: null sorts first; two nulls or an empty count are equal.
  EXPECT_EQ(CompareNoCaseW(nullptr, u"a", 1), -1);
  EXPECT_EQ(CompareNoCaseW(u"a", nullptr, 1), 1);
  EXPECT_EQ(CompareNoCaseW(nullptr, nullptr, 1), 0);
  EXPECT_EQ(CompareNoCaseW(u"a", u"b", 0), 0);
  EXPECT_EQ(CompareNoCaseW(u"abX", u"ABy", 2), 0);
}

TEST(StringCompare, EqualsComparesLengthFirst) {
  const String s("Setup");
  EXPECT_TRUE(s.Equals("Setup"));
  EXPECT_FALSE(s.Equals("Setu"));
  EXPECT_FALSE(s.Equals("Setupx"));
  EXPECT_TRUE(s.EqualsNoCase("SETUP"));
  EXPECT_TRUE(String().Equals(""));
  EXPECT_TRUE(String().Equals(nullptr));
  const String w(u"\u00C9crit");
  EXPECT_TRUE(w.EqualsW(u"\u00C9crit"));
  EXPECT_FALSE(w.EqualsW(u"\u00E9crit"));
  EXPECT_TRUE(w.EqualsNoCaseW(u"\u00E9CRIT"));
  EXPECT_FALSE(w.EqualsNoCaseW(u"\u00E9CRITS"));
}

TEST(StringCompare, StartsAndEnds) {
  const String s("Uninstall.DAT");
  EXPECT_TRUE(s.StartsWith("Unin"));
  EXPECT_FALSE(s.StartsWith("unin"));
  EXPECT_TRUE(s.StartsWith("unin", true));
  EXPECT_TRUE(s.EndsWith(".DAT"));
  EXPECT_TRUE(s.EndsWith(".dat", true));
  EXPECT_FALSE(s.EndsWith("x.Uninstall.DAT"));
  EXPECT_TRUE(s.StartsWith(""));
  const String w(u"C:\\Program Files\\");
  EXPECT_TRUE(w.StartsWithW(u"c:\\program", true));
  EXPECT_FALSE(w.StartsWithW(u"c:\\program"));
  EXPECT_TRUE(w.EndsWithW(u"\\"));
  EXPECT_TRUE(w.EndsWithW(u"FILES\\", true));
  EXPECT_FALSE(w.EndsWithW(u"X:\\C:\\Program Files\\", true));
}

TEST(StringCompare, QuestionMarkInThePatternMatchesAnything) {
  EXPECT_EQ(PatternCompare("abc", "a?c", 3), 0);
  EXPECT_EQ(PatternCompare("abc", "a?d", 3), -1);
  EXPECT_EQ(PatternCompare("a?c", "abc", 3), -1);  // only the pattern's '?' is a wildcard
  EXPECT_EQ(PatternCompare("abc", "ABC", 3), 1);
  EXPECT_EQ(PatternCompareNoCase("abc", "A?C", 3), 0);
  EXPECT_EQ(PatternCompareNoCase("abc", "A?D", 3), -1);
  EXPECT_EQ(PatternCompareW(u"x\u00E9y", u"x??", 3), 0);
  EXPECT_EQ(PatternCompareW(u"x\u00E9y", u"X??", 3), 1);
  EXPECT_EQ(PatternCompareNoCaseW(u"\u00E9t\u00E9", u"\u00C9?\u00C9", 3), 0);
  EXPECT_EQ(PatternCompareNoCaseW(u"\u00FF", u"\u0178", 1), 0);
}

}  // namespace
