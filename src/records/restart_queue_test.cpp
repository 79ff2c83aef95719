#include "records/restart_queue.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Added(const char* content, const char* target, const char* source) {
  String text(content);
  AddWininitRename(&text, String(target), String(source));
  return std::string(text.c_str(), static_cast<size_t>(text.length()));
}

TEST(WininitRename, NewFileGetsTheSection) {
  EXPECT_EQ(Added("", "C:\\App\\a.dll", "C:\\App\\~1.TMP"), "[rename]\r\nC:\\App\\a.dll=C:\\App\\~1.TMP");
}

TEST(WininitRename, SectionAppendedOnALineOfItsOwn) {
  EXPECT_EQ(Added("[other]\r\nx=1\r\n", "NUL", "C:\\t.tmp"), "[other]\r\nx=1\r\n[rename]\r\nNUL=C:\\t.tmp");
  EXPECT_EQ(Added("[other]\r\nx=1", "NUL", "C:\\t.tmp"), "[other]\r\nx=1\r\n[rename]\r\nNUL=C:\\t.tmp");
}

TEST(WininitRename, NewLineGoesRightAfterTheHeader) {
  EXPECT_EQ(Added("[x]\r\n[rename]\r\nNUL=C:\\old.tmp\r\n[y]\r\n", "C:\\b.dll", "C:\\b.tmp"),
            "[x]\r\n[rename]\r\nC:\\b.dll=C:\\b.tmp\r\nNUL=C:\\old.tmp\r\n[y]\r\n");
  // Section names are not case-sensitive.
  EXPECT_EQ(Added("[Rename]\r\n", "NUL", "C:\\c.tmp"), "[Rename]\r\nNUL=C:\\c.tmp\r\n");
}

TEST(WininitRename, PercentSignsInPathsStayAsTheyAre) {
  EXPECT_EQ(Added("", "C:\\100%s\\d.dll", "C:\\100%d.tmp"), "[rename]\r\nC:\\100%s\\d.dll=C:\\100%d.tmp");
}

}  // namespace

namespace {

std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

// REG_MULTI_SZ data from a text where '|' stands for a zero unit.
String Data(const char16_t* text) {
  String data;
  for (const char16_t* p = text; *p; ++p) data.AppendW(*p == u'|' ? u'\0' : *p);
  return data;
}

Vector<PendingRename> Parse(const char16_t* text) {
  Vector<PendingRename> pairs;
  ParsePendingRenames(Data(text), &pairs);
  return pairs;
}

TEST(PendingRenameList, EmptyStringsInsideAreDeletionTargets) {
  const Vector<PendingRename> pairs = Parse(u"\\??\\C:\\a.tmp||\\??\\C:\\b.tmp|!\\??\\C:\\b.dll||");
  ASSERT_EQ(pairs.Count(), 2);
  EXPECT_EQ(Wide(pairs[0].source), u"\\??\\C:\\a.tmp");
  EXPECT_TRUE(pairs[0].is_deletion());
  EXPECT_EQ(Wide(pairs[1].source), u"\\??\\C:\\b.tmp");
  EXPECT_EQ(Wide(pairs[1].target), u"!\\??\\C:\\b.dll");
}

TEST(PendingRenameList, OddCountEndsInADeletion) {
  const Vector<PendingRename> pairs = Parse(u"\\??\\C:\\x|\\??\\C:\\y|\\??\\C:\\z");
  ASSERT_EQ(pairs.Count(), 2);
  EXPECT_EQ(Wide(pairs[1].source), u"\\??\\C:\\z");
  EXPECT_TRUE(pairs[1].is_deletion());
  EXPECT_EQ(Parse(u"").Count(), 0);
  EXPECT_EQ(Parse(u"||").Count(), 0);
}

TEST(PendingRenameList, EncodeReadsBackTheSame) {
  const char16_t* text = u"\\??\\C:\\a||\\??\\C:\\b|!\\??\\C:\\c||";
  const Vector<PendingRename> pairs = Parse(text);
  EXPECT_EQ(Wide(EncodePendingRenames(pairs)), Wide(Data(text)));
  EXPECT_EQ(Wide(EncodePendingRenames(Vector<PendingRename>())), std::u16string(1, u'\0'));
}

TEST(PendingRenameList, PrefixesComeOffAndCaseFolds) {
  EXPECT_EQ(Wide(WithoutPendingPrefix(String(u"!\\??\\C:\\Dir\\A.dll"))), u"C:\\Dir\\A.dll");
  EXPECT_EQ(Wide(WithoutPendingPrefix(String(u"C:\\x"))), u"C:\\x");
  EXPECT_EQ(Wide(WithoutPendingPrefix(String(u"\\\\?!"))), u"");
  FileSet files;
  AddToFileSet(&files, String(u"C:\\Program Files\\App\\Main.EXE"));
  EXPECT_TRUE(FileSetHas(files, String(u"c:\\program files\\app\\main.exe")));
  EXPECT_FALSE(FileSetHas(files, String(u"c:\\program files\\app\\main.ex")));
}

TEST(PendingCleanup, DropsMovesOntoListedFilesAndKeepsOthers) {
  Vector<PendingRename> pairs = Parse(u"\\??\\C:\\App\\~A1.tmp|!\\??\\C:\\App\\Main.DLL|"
                                      u"\\??\\C:\\App\\~B2.tmp|!\\??\\C:\\App\\Other.dll||");
  FileSet files;
  AddToFileSet(&files, String(u"C:\\App\\main.dll"));
  const PendingCleanup cleanup = DropPendingOperations(&pairs, files);
  EXPECT_TRUE(cleanup.changed);
  ASSERT_EQ(pairs.Count(), 1);
  EXPECT_EQ(Wide(pairs[0].target), u"!\\??\\C:\\App\\Other.dll");
  ASSERT_EQ(cleanup.orphaned_sources.Count(), 1);
  EXPECT_EQ(Wide(cleanup.orphaned_sources[0]), u"C:\\App\\~A1.tmp");
  EXPECT_EQ(Wide(cleanup.log), u"File \"c:\\app\\main.dll\" was removed from the list of pending moves.\r\n");
}

TEST(PendingCleanup, DropsDeletionsOfListedFilesAndDeletionsOfNothing) {
  Vector<PendingRename> pairs = Parse(u"\\??\\C:\\App\\Gone.txt||||\\??\\C:\\Keep.txt||\\??\\C:\\GONE.TXT");
  FileSet files;
  AddToFileSet(&files, String(u"c:\\app\\gone.txt"));
  AddToFileSet(&files, String(u"c:\\gone.txt"));
  const PendingCleanup cleanup = DropPendingOperations(&pairs, files);
  ASSERT_EQ(pairs.Count(), 1);
  EXPECT_EQ(Wide(pairs[0].source), u"\\??\\C:\\Keep.txt");
  EXPECT_EQ(cleanup.orphaned_sources.Count(), 0);  // a deletion leaves no copy behind
  EXPECT_EQ(Wide(cleanup.log),
            u"File \"c:\\app\\gone.txt\" was removed from the list of pending deletions.\r\n"
            u"File \"c:\\gone.txt\" was removed from the list of pending deletions.\r\n");
}

TEST(PendingCleanup, NothingListedChangesNothing) {
  Vector<PendingRename> pairs = Parse(u"\\??\\C:\\a|!\\??\\C:\\b|\\??\\C:\\c||");
  const PendingCleanup cleanup = DropPendingOperations(&pairs, FileSet());
  EXPECT_FALSE(cleanup.changed);
  EXPECT_EQ(pairs.Count(), 2);
  EXPECT_TRUE(cleanup.log.empty());
}

}  // namespace
