#include "core/wildcard.h"

#include <gtest/gtest.h>

#include <string>

#include "core/search.h"

namespace {

int32_t Find(const char* text, const char* pattern, uint32_t flags = 0, int32_t start = 0) {
  return Search(text, -1, pattern, String::kToEnd, start, flags | kSearchWildcard);
}

int32_t FindW(const char16_t* text, const char16_t* pattern, uint32_t flags = 0) {
  return SearchW(text, -1, pattern, String::kToEnd, 0, flags | kSearchWildcard);
}

std::string Portions(const char* pattern) {
  std::string out;
  for (const WildcardA_Portion& portion : SplitWildcard(pattern, TextLength(pattern))) {
    out += "[" + std::string(portion.text.c_str(), static_cast<size_t>(portion.text.length())) + "]";
  }
  return out;
}

TEST(Wildcard, SplitsAtSingleStarsAndKeepsDoubledStarsAsOne) {
  EXPECT_EQ(Portions("abc"), "[abc]");
  EXPECT_EQ(Portions("a*b"), "[a][b]");
  EXPECT_EQ(Portions("a**b"), "[a*b]");
  EXPECT_EQ(Portions("*a*"), "[][a][]");
  EXPECT_EQ(Portions("a***b"), "[a*][b]");
  EXPECT_EQ(Portions("****"), "[**]");
  const Vector<WildcardA_Portion> wide = SplitWildcardW(u"x**y*z", 6);
  ASSERT_EQ(wide.Count(), 2);
  EXPECT_TRUE(wide[0].text.EqualsW(u"x*y"));
  EXPECT_TRUE(wide[1].text.EqualsW(u"z"));
}

TEST(Wildcard, DoubledStarIsALiteralStar) {
  EXPECT_EQ(Find("xx ab a*b", "a**b"), 6);
  EXPECT_EQ(Find("xx ab", "a**b"), -1);
  EXPECT_EQ(FindW(u"a*b", u"a**b"), 0);
}

TEST(Wildcard, FindsPortionsInOrderAnywhereInTheText) {
  EXPECT_EQ(Find("say hello world", "hel*wor"), 4);
  EXPECT_EQ(Find("world hello", "hel*wor"), -1);
  EXPECT_EQ(Find("abc", "*b"), 1);  // not anchored: a leading star changes nothing
  EXPECT_EQ(Find("abc", "b*"), 1);
  EXPECT_EQ(Find("abc", "*"), 0);
  EXPECT_EQ(Find("abcabc", "c*a", 0, 3), -1);
  EXPECT_EQ(Find("abcabc", "b*c", 0, 2), 4);  // from the start position
  int32_t end = -1;
  EXPECT_EQ(WildcardSearch("--ab--cd--", 10, "ab*cd", 5, 0, 0, &end), 2);
  EXPECT_EQ(end, 8);
  EXPECT_EQ(Search("--ab--cd--", -1, "ab*cd", String::kToEnd, 0, kSearchWildcard | kSearchReturnEnd), 8);
}

TEST(Wildcard, StarsStopAtLineBreaksUnlessAllowed) {
  EXPECT_EQ(Find("a text b", "a*b"), 0);
  EXPECT_EQ(Find("a text\r\nb", "a*b"), -1);
  EXPECT_EQ(Find("a\nb", "a*b"), -1);
  EXPECT_EQ(Find("a text\r\nb", "a*b", kSearchStarSpansLines), 0);
  // A later first match on the next line still succeeds.
  EXPECT_EQ(Find("a\r\na b", "a*b"), 3);
  EXPECT_EQ(FindW(u"a\r\nb", u"a*b", kSearchStarSpansLines), 0);
}

TEST(Wildcard, QuestionMarkAndCaseFollowTheSearchFlags) {
  EXPECT_EQ(Find("file1.txt", "file?.*"), -1);
  EXPECT_EQ(Find("file1.txt", "file?.*", kSearchQuestionMark), 0);
  EXPECT_EQ(Find("FILE.TXT", "file*txt"), -1);
  EXPECT_EQ(Find("FILE.TXT", "file*txt", kSearchIgnoreCase), 0);
  EXPECT_EQ(FindW(u"\u00C9T\u00C9", u"\u00E9*\u00E9", kSearchIgnoreCase), 0);
}

TEST(Wildcard, LaterMatchOfAnEarlierPortionIsTried) {
  // The first "?b" match leaves a line break before "c"; the one that holds
  // the break itself does not.
  EXPECT_EQ(Find("a xb y\nb c", "a*?b*c", kSearchQuestionMark), 0);
  // The first "ab" is followed by "cd" only across a line break; the second is not.
  EXPECT_EQ(Find("ab\ncd ab cd", "ab*cd"), 6);
}

TEST(Wildcard, RecordsWhereEachPortionWasFound) {
  const char text[] = "xx key = value;";
  const Vector<WildcardA_Portion> portions = SplitWildcard("key*=*;", 7);
  Vector<WildcardA_Occurrence> found;
  EXPECT_EQ(FindWildcard(text, TextLength(text), portions, 0, 0, &found), 3);
  ASSERT_EQ(found.Count(), 3);
  EXPECT_EQ(found[0].position, 3);
  EXPECT_EQ(found[0].length, 3);
  EXPECT_EQ(found[1].position, 7);
  EXPECT_EQ(found[2].position, 14);
  EXPECT_EQ(FindWildcard(text, TextLength(text), SplitWildcard("key*!", 5), 0, 0, &found), -1);
}

TEST(Wildcard, NeverBackwards) {
  EXPECT_EQ(Search("abc", -1, "a*c", String::kToEnd, -1, kSearchWildcard | kSearchBackward), -1);
}

}  // namespace
