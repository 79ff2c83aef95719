#include "records/shared_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(SharedFilesList, EntriesComeOffTheFrontWithTheirMarks) {
  String text("\"C:\\Win\\a.dll^\";\"C:\\Win\\b.dll \";\"C:\\Win\\c.tlb\xA9\";\"C:\\Win\\d.ocx\xA9^\";\"C:\\Shared\\e.dll\"");
  SharedFileEntry entry;
  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\Win\\a.dll");
  EXPECT_TRUE(entry.com_server);
  EXPECT_FALSE(entry.permanent);
  EXPECT_FALSE(entry.type_library);

  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\Win\\b.dll");
  EXPECT_TRUE(entry.permanent);
  EXPECT_FALSE(entry.com_server);

  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\Win\\c.tlb");
  EXPECT_TRUE(entry.type_library);
  EXPECT_FALSE(entry.com_server);

  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\Win\\d.ocx");
  EXPECT_TRUE(entry.type_library);
  EXPECT_TRUE(entry.com_server);

  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\Shared\\e.dll");
  EXPECT_FALSE(entry.com_server || entry.permanent || entry.type_library);
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(TakeSharedFileEntry(&text, &entry));
}

TEST(SharedFilesList, MarksComeOffInTheirOrderOnly) {
  // "^" before the blank is not at the end once "^" has been looked for.
  String text("\"C:\\x.dll^ \"");
  SharedFileEntry entry;
  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\x.dll^");
  EXPECT_TRUE(entry.permanent);
  EXPECT_FALSE(entry.com_server);
}

TEST(SharedFilesList, DoubledQuotesAndDamagedLists) {
  String text("\"C:\\say \"\"hi\"\".dll\";rest");
  SharedFileEntry entry;
  ASSERT_TRUE(TakeSharedFileEntry(&text, &entry));
  EXPECT_EQ(Text(entry.path), "C:\\say \"hi\".dll");
  EXPECT_EQ(Text(text), "rest");
  EXPECT_FALSE(TakeSharedFileEntry(&text, &entry));  // no quote: the list ends
  EXPECT_EQ(Text(text), "rest");

  String empty("\"\";\"C:\\a.dll\"");
  EXPECT_FALSE(TakeSharedFileEntry(&empty, &entry));
  String open("\"C:\\a.dll;\"C:\\b");
  ASSERT_TRUE(TakeSharedFileEntry(&open, &entry));  // the quote after ';' closes it
  EXPECT_EQ(Text(entry.path), "C:\\a.dll;");
  EXPECT_FALSE(TakeSharedFileEntry(&open, &entry));  // "C:\b" is never closed
  EXPECT_EQ(Text(open), "C:\\b");
}

TEST(SharedFilesCount, LoweredByOneEndingAtZero) {
  EXPECT_EQ(LoweredSharedCount(2), 1u);
  EXPECT_EQ(LoweredSharedCount(1), 0u);
  EXPECT_EQ(LoweredSharedCount(0), 0u);
  EXPECT_EQ(LoweredSharedCount(0xFFFFFFFFu), 0u);  // -1
  EXPECT_EQ(LoweredSharedCount(0x7FFFFFFFu), 0x7FFFFFFEu);
}

}  // namespace

TEST(SharedFiles, ListTextIsKeptOncePerEntry) {
  String list;
  EXPECT_TRUE(AddSharedFilesEntry(&list, SharedListing{String("C:\\S\\a.dll"), '^'}));
  EXPECT_TRUE(AddSharedFilesEntry(&list, SharedListing{String("C:\\S\\b.dll"), 0}));
  EXPECT_TRUE(AddSharedFilesEntry(&list, SharedListing{String("|C:\\S\\\xC3\xA9.tlb"), '\xA9'}));
  // The same path with another mark is another entry.
  EXPECT_TRUE(AddSharedFilesEntry(&list, SharedListing{String("C:\\S\\b.dll"), ' '}));
  EXPECT_FALSE(AddSharedFilesEntry(&list, SharedListing{String("C:\\S\\a.dll"), '^'}));
  EXPECT_EQ(Text(list), "\"C:\\S\\a.dll^\";\"C:\\S\\b.dll\";\"|C:\\S\\\xC3\xA9.tlb\xA9\";\"C:\\S\\b.dll \"");
}

TEST(SharedFiles, CountFailureLine) {
  EXPECT_EQ(W(SharedCountFailedLine(String(u"C:\\S\\a.dll"), String(u"Access is denied."))),
            u"Failed to increment reference count of shared file \"C:\\S\\a.dll\" : Access is denied.\r\n");
}
