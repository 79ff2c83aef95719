#include "core/unique_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

struct Case {
  const char16_t* before;
  int32_t number;
  uint32_t options;
  const char16_t* after;
  int32_t result;
};

TEST(UniqueName, WorksTheNumberIntoTheBase) {
  const Case cases[] = {
      {u"report(3).txt", 9, kUniqueParenthesized, u"report(4).txt", 4},
      {u"report.txt", 2, kUniqueParenthesized, u"report(2).txt", 2},
      {u"report(9).txt", 2, kUniqueParenthesized, u"report(10).txt", 10},
      {u"report(x).txt", 2, kUniqueParenthesized, u"report(x)(2).txt", 2},
      {u"report7.txt", 2, kUniqueParenthesized, u"report7(2).txt", 2},
      {u"file09.txt", 5, 0, u"file10.txt", 10},
      {u"file.txt", 2, 0, u"file2.txt", 2},
      {u"file99.txt", 2, 0, u"file100.txt", 100},
      {u"file007", 2, 0, u"file008", 8},
      {u"file", 3, 0, u"file3", 3},
      {u".txt", 2, 0, u"2.txt", 2},
      {u"a.b.c", 2, 0, u"a.b2.c", 2},
  };
  for (const Case& c : cases) {
    String path(c.before);
    EXPECT_EQ(UniqueName(path, c.number, c.options), c.result) << std::string(c.before, c.before + 4);
    EXPECT_EQ(Text(path), std::u16string(c.after));
  }
}

TEST(UniqueName, WholeNameOptionNumbersTheExtensionToo) {
  String path(u"file.txt");
  EXPECT_EQ(UniqueName(path, 2, kUniqueWholeName), 2);
  EXPECT_EQ(Text(path), u"file.txt2");
  path = u"backup.009";
  EXPECT_EQ(UniqueName(path, 2, kUniqueWholeName), 10);
  EXPECT_EQ(Text(path), u"backup.010");
  path = u"log.txt";
  EXPECT_EQ(UniqueName(path, 3, kUniqueWholeName | kUniqueParenthesized), 3);
  EXPECT_EQ(Text(path), u"log.txt(3)");
}

TEST(UniqueName, ADotInAFolderIsNotAnExtension) {
  String path(u"C:\\my.folder\\readme");
  EXPECT_EQ(UniqueName(path, 2, 0), 2);
  EXPECT_EQ(Text(path), u"C:\\my.folder\\readme2");
  path = u"C:\\v1.2\\notes.txt";
  EXPECT_EQ(UniqueName(path, 2, kUniqueParenthesized), 2);
  EXPECT_EQ(Text(path), u"C:\\v1.2\\notes(2).txt");
}

TEST(UniqueName, RepeatingGivesASeriesOfNames) {
  String path(u"copy.dat");
  int32_t n = 2;
  for (int i = 0; i < 3; ++i) n = UniqueName(path, n, kUniqueParenthesized);
  EXPECT_EQ(Text(path), u"copy(4).dat");
  EXPECT_EQ(n, 4);
}

TEST(UniqueName, LongDigitRunsDoNotOverflowTheText) {
  String path(u"id99999999999.bin");
  EXPECT_EQ(UniqueName(path, 1, 0), 0x7FFFFFFF);  // the value is capped, the text is exact
  EXPECT_EQ(Text(path), u"id100000000000.bin");
}

}  // namespace
