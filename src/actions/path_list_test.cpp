#include "actions/path_list.h"

#include <gtest/gtest.h>

namespace {

String W(const char16_t* text) { return String(text); }

std::u16string Text(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

TEST(PathList, AddsOnlyWhenNoWholeEntryMatches) {
  struct Case {
    const char16_t* before;
    const char16_t* folder;
    const char16_t* after;
    bool changed;
  } cases[] = {
      {u"C:\\Windows;C:\\Tools", u"C:\\App", u"C:\\Windows;C:\\Tools;C:\\App", true},
      {u"C:\\Windows;", u"C:\\App", u"C:\\Windows;C:\\App", true},
      {u"C:\\Windows;c:\\app", u"C:\\App", u"C:\\Windows;c:\\app", false},  // already last, no ';'
      {u"C:\\APP\\;C:\\Windows", u"C:\\App", u"C:\\APP\\;C:\\Windows", false},
      {u"C:\\App2;C:\\Windows", u"C:\\App", u"C:\\App2;C:\\Windows;C:\\App", true},
      {u"D:\\x\\C:\\App", u"C:\\App", u"D:\\x\\C:\\App;C:\\App", true},
      {u"", u"C:\\App", u"C:\\App", true},
  };
  for (const Case& c : cases) {
    String path = W(c.before);
    EXPECT_EQ(AddPathEntry(path, c.folder), c.changed) << Text(W(c.before)).size();
    EXPECT_EQ(Text(path), std::u16string(c.after));
  }
}

TEST(PathList, RemovesWholeEntriesWithOneSeparator) {
  struct Case {
    const char16_t* before;
    const char16_t* after;
  } cases[] = {
      {u"C:\\Windows;C:\\App;C:\\Tools", u"C:\\Windows;C:\\Tools"},
      {u"C:\\Windows;c:\\app", u"C:\\Windows"},
      {u"C:\\App;C:\\Windows", u"C:\\Windows"},
      {u"C:\\App", u""},
      {u"C:\\App2;C:\\Windows", u"C:\\App2;C:\\Windows"},
      {u"C:\\App;C:\\x;C:\\App\\", u"C:\\x"},
  };
  for (const Case& c : cases) {
    String path = W(c.before);
    EXPECT_EQ(RemovePathEntry(path, u"C:\\App"), Text(W(c.before)) != std::u16string(c.after));
    EXPECT_EQ(Text(path), std::u16string(c.after));
  }
}

// A long PATH (well past the 1,024 and 2,048 limits other installers cut at)
// keeps every entry, before and after, through an add and a remove.
TEST(PathList, LongPathKeepsEveryEntry) {
  String path;
  for (int i = 0; i < 300; ++i) {
    if (i) path.AppendW(u';');
    path.AppendW(u"C:\\Program Files\\Vendor");
    path.AppendW(static_cast<char16_t>(u'A' + i % 26));
  }
  const std::u16string original = Text(path);
  ASSERT_GT(original.size(), 4096u);
  ASSERT_TRUE(AddPathEntry(path, u"C:\\App"));
  EXPECT_EQ(Text(path), original + u";C:\\App");
  ASSERT_TRUE(RemovePathEntry(path, u"C:\\App"));
  EXPECT_EQ(Text(path), original);
}

TEST(PathList, AdditionFolder) {
  EXPECT_EQ(Text(PathAdditionFolder(W(u"C:\\App"), W(u""))), u"C:\\App");
  EXPECT_EQ(Text(PathAdditionFolder(W(u"C:\\App"), W(u"bin\\"))), u"C:\\App\\bin");
  EXPECT_EQ(Text(PathAdditionFolder(W(u"C:\\App"), W(u"D:\\Tools"))), u"D:\\Tools");
  EXPECT_EQ(Text(PathAdditionFolder(W(u"C:\\"), W(u""))), u"C:\\");
}

}  // namespace
