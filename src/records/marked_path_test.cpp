#include "records/marked_path.h"

#include <gtest/gtest.h>

#include "records/records_test_util.h"

namespace {

TEST(MarkedPath, AsciiStaysAsItIsAndAnythingElseIsMarkedUtf8) {
  EXPECT_EQ(Text(MarkPath(u"C:\\Program Files\\App\\app.exe")), "C:\\Program Files\\App\\app.exe");
  // Even a character the ANSI code page could hold is marked, so the file
  // never depends on the code page of the machine that wrote it.
  EXPECT_EQ(Text(MarkPath(u"C:\\Caf\u00E9")), "|C:\\Caf\xC3\xA9");
  EXPECT_EQ(Text(MarkPath(u"C:\\\u65E5\u672C\\\u0414.txt")), "|C:\\\xE6\x97\xA5\xE6\x9C\xAC\\\xD0\x94.txt");
  EXPECT_EQ(Text(MarkPath(u"")), "");
  EXPECT_EQ(Text(MarkPath(static_cast<const char16_t*>(nullptr))), "");
}

TEST(MarkedPath, ReadingReversesTheMarkAndTakesTheRestAsAnsi) {
  const std::u16string paths[] = {u"C:\\Caf\u00E9\\a.txt", u"D:\\\u65E5\u672C\\\u0414", u"C:\\plain\\b.dll",
                                  u"C:\\\U0001F600\\emoji"};
  for (const std::u16string& path : paths) {
    EXPECT_EQ(Wide(UnmarkPath(MarkPath(path.c_str()))), path);
  }
  // Unmarked texts are ANSI (Windows-1252 on the host): how older files read.
  EXPECT_EQ(Wide(UnmarkPath("C:\\Caf\xE9")), u"C:\\Caf\u00E9");
  EXPECT_EQ(Wide(UnmarkPath("|")), u"");
  EXPECT_EQ(Wide(UnmarkPath(String("|C:\\\xC3\xA9"))), u"C:\\\u00E9");
}

TEST(MarkedPath, PureAscii) {
  EXPECT_TRUE(IsPureAscii("abc\x7F", 4));
  EXPECT_FALSE(IsPureAscii("ab\x80", 3));
  EXPECT_TRUE(IsPureAscii("", 0));
}

}  // namespace
