#include "records/shared_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

// One entry as TakeSharedFileEntry should hand it out, marks read off.
struct ExpectedEntry {
  const char* path;
  bool com_server, permanent, type_library;
};

void ExpectNextEntry(String* text, const ExpectedEntry& expected) {
  SCOPED_TRACE(expected.path);
  SharedFileEntry entry;
  ASSERT_TRUE(TakeSharedFileEntry(text, &entry));
  EXPECT_EQ(Text(entry.path), expected.path);
  EXPECT_EQ(entry.com_server, expected.com_server);
  EXPECT_EQ(entry.permanent, expected.permanent);
  EXPECT_EQ(entry.type_library, expected.type_library);
}

TEST(SharedFilesList, EntriesComeOffTheFrontWithTheirMarks) {
  String text("\"C:\\Win\\a.dll^\";\"C:\\Win\\b.dll \";\"C:\\Win\\c.tlb\xA9\";\"C:\\Win\\d.ocx\xA9^\";\"C:\\Shared\\e.dll\"");
  const ExpectedEntry entries[] = {{"C:\\Win\\a.dll", true, false, false},
                                   {"C:\\Win\\b.dll", false, true, false},
                                   {"C:\\Win\\c.tlb", false, false, true},
                                   {"C:\\Win\\d.ocx", true, false, true},
                                   {"C:\\Shared\\e.dll", false, false, false}};
  for (const ExpectedEntry& expected : entries) ExpectNextEntry(&text, expected);
  EXPECT_TRUE(text.empty());
  SharedFileEntry entry;
  EXPECT_FALSE(TakeSharedFileEntry(&text, &entry));
}

TEST(SharedFilesList, MarksComeOffInTheirOrderOnly) {
  // "^" before the blank is not at the end once "^" has been looked for.
  String text("\"C:\\x.dll^ \"");
  ExpectNextEntry(&text, {"C:\\x.dll^", false, true, false});
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
