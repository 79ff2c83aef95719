#include "core/search.h"

#include <gtest/gtest.h>

#include "core/string.h"

namespace {

int32_t Find(const char* text, const char* pattern, uint32_t flags, int32_t start = -1) {
  return Search(text, -1, pattern, String::kToEnd, start, flags);
}

int32_t FindW(const char16_t* text, const char16_t* pattern, uint32_t flags, int32_t start = -1) {
  return SearchW(text, -1, pattern, String::kToEnd, start, flags);
}

TEST(Search, PlainForwardFromTheStartPosition) {
  EXPECT_EQ(Find("abcabc", "bc", 0), 1);
  EXPECT_EQ(Find("abcabc", "bc", 0, 2), 4);
  EXPECT_EQ(Find("abcabc", "bc", 0, 5), -1);
  EXPECT_EQ(Find("abcabc", "abcabcd", 0), -1);
  EXPECT_EQ(Find("abc", "c", 0, -3), 2);  // a negative start is the beginning
  EXPECT_EQ(Search("abcabc", 4, "bc", 2, 2, 0), -1);  // the given length bounds the text
}

TEST(Search, EmptyTextOrPatternFindsNothing) {
  EXPECT_EQ(Find("", "a", 0), -1);
  EXPECT_EQ(Find("abc", "", 0), -1);
  EXPECT_EQ(Search(nullptr, 3, "a", 1, 0, 0), -1);
  EXPECT_EQ(Find("", "", kSearchBackward), -1);
}

TEST(Search, CaseInsensitive) {
  EXPECT_EQ(Find("Hello World", "WORLD", 0), -1);
  EXPECT_EQ(Find("Hello World", "WORLD", kSearchIgnoreCase), 6);
  // 8-bit text folds ASCII only; UTF-16 folds with the character mapping.
  EXPECT_EQ(Find("caf\xC9", "caf\xE9", kSearchIgnoreCase), -1);
  EXPECT_EQ(FindW(u"CAF\u00C9", u"caf\u00E9", kSearchIgnoreCase), 0);
}

TEST(Search, WholeWords) {
  EXPECT_EQ(Find("cat concat cat_x cat", "cat", kSearchWholeWord), 0);
  EXPECT_EQ(Find("cat concat cat_x cat", "cat", kSearchWholeWord, 1), 17);
  EXPECT_EQ(Find("x1cat cat1 (cat)", "cat", kSearchWholeWord), 12);
  // Bytes and units above 127 are word characters only with 0x100000.
  EXPECT_EQ(Find("\xE9" "cat", "cat", kSearchWholeWord), 1);
  EXPECT_EQ(Find("\xE9" "cat", "cat", kSearchWholeWord | kSearchHighIsWord), -1);
  EXPECT_EQ(FindW(u"cat\u2014", u"cat", kSearchWholeWord), 0);  // a dash is no letter
  EXPECT_EQ(FindW(u"cat\u2014", u"cat", kSearchWholeWord | kSearchHighIsWord), -1);
  EXPECT_EQ(FindW(u"\u4E2D cat", u"cat", kSearchWholeWord | kSearchHighIsWord), 2);
}

TEST(Search, QuestionMarkMatchesOneCharacter) {
  EXPECT_EQ(Find("file1.txt", "file?.txt", 0), -1);
  EXPECT_EQ(Find("a file1.txt", "file?.txt", kSearchQuestionMark), 2);
  EXPECT_EQ(Find("a file.txt", "file?.txt", kSearchQuestionMark), -1);
  EXPECT_EQ(Find("what?", "t?", 0), 3);  // without the flag '?' is itself
  EXPECT_EQ(FindW(u"AxB", u"a?b", kSearchQuestionMark | kSearchIgnoreCase), 0);
}

TEST(Search, SkipsQuotedText) {
  const char* text = "x \"key = 1\" key = 2";
  EXPECT_EQ(Find(text, "key", 0), 3);
  EXPECT_EQ(Find(text, "key", kSearchSkipQuoted), 12);
  // Starting inside quotes still knows they are open.
  EXPECT_EQ(Find(text, "=", kSearchSkipQuoted, 5), 16);
  // A match may begin at an opening quote.
  EXPECT_EQ(Find(text, "\"key", kSearchSkipQuoted), 2);
  EXPECT_EQ(Find(text, "key", kSearchSkipQuoted | kSearchBackward), 12);
  EXPECT_EQ(Find(text, "key", kSearchSkipQuoted | kSearchBackward, 11), -1);
}

TEST(Search, Backwards) {
  EXPECT_EQ(Find("abcabc", "bc", kSearchBackward, -1), 4);
  EXPECT_EQ(Find("abcabc", "bc", kSearchBackward, 3), 1);
  EXPECT_EQ(Find("abcabc", "bc", kSearchBackward, 0), -1);
  EXPECT_EQ(Find("abcabc", "bc", kSearchBackward, 1000), 4);  // past the end: from the end
  EXPECT_EQ(Find("abcabc", "abc", kSearchBackward | kSearchReturnEnd), 6);
  EXPECT_EQ(Find("a cat concat", "cat", kSearchBackward | kSearchWholeWord), 2);
}

TEST(Search, PositionAfterTheMatch) {
  EXPECT_EQ(Find("key=value", "=", kSearchReturnEnd), 4);
  EXPECT_EQ(Find("key=value", "KEY", kSearchReturnEnd | kSearchIgnoreCase), 3);
  EXPECT_EQ(Find("key", "x", kSearchReturnEnd), -1);
}

TEST(Search, CharacterSets) {
  EXPECT_EQ(Find("name;value,x", ",;", kSearchCharSet), 4);
  EXPECT_EQ(Find("name;value,x", ",;", kSearchCharSet, 5), 10);
  EXPECT_EQ(Find("name;value,x", ",;", kSearchCharSet | kSearchBackward), 10);
  EXPECT_EQ(Find("name;value,x", ",;", kSearchCharSet | kSearchReturnEnd), 5);
  EXPECT_EQ(Find("abcXYZ", "zy", kSearchCharSet | kSearchIgnoreCase), 4);
  EXPECT_EQ(Find("\"a;b\";c", ";", kSearchCharSet | kSearchSkipQuoted), 5);
  EXPECT_EQ(FindW(u"C:\\dir/file", u"\\/", kSearchCharSet | kSearchBackward), 6);
}

TEST(Search, WildcardPatternsNeverSearchBackwards) {
  EXPECT_EQ(Find("abc", "a*c", kSearchWildcard | kSearchBackward), -1);
}

TEST(Search, StringMembersUseTheRoutine) {
  const String s("a.b.c");
  EXPECT_EQ(s.Find('.'), 1);
  EXPECT_EQ(s.Find('.', 2), 3);
  EXPECT_EQ(s.FindLast('.'), 3);
  EXPECT_EQ(s.FindLast('.', 2), 1);
  EXPECT_EQ(s.Find("B.C", 0, kSearchIgnoreCase), 2);
  EXPECT_EQ(s.FindLast("."), 3);
  EXPECT_EQ(s.FindAnyOf("cb"), 2);
  EXPECT_EQ(String().Find('x'), -1);
  const String w(u"x;y;z");
  EXPECT_EQ(w.FindW(u';'), 1);
  EXPECT_EQ(w.FindLastW(u';'), 3);
  EXPECT_EQ(w.FindW(u"y;z"), 2);
  EXPECT_EQ(w.FindLastW(u"x"), 0);
  EXPECT_EQ(w.FindAnyOfW(u"zy", 3), 4);
}

}  // namespace
