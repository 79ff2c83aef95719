#include "uninstall/removal_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string U(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

struct Removals {
  Array<String> tried;
  int32_t refuse_at = -1;  // the attempt that fails, as a not-empty folder does
};

bool Remove(const String& folder, void* context) {
  auto* removals = static_cast<Removals*>(context);
  removals->tried.Add(folder);
  return removals->tried.Count() - 1 != removals->refuse_at;
}

TEST(RemovalRules, FolderChainClimbsToTheProductFolder) {
  struct Case {
    const char16_t* folder;
    int32_t refuse_at;
    int32_t limit;
    std::u16string tried;  // joined with '|'
    int32_t removed;
  } cases[] = {
      {u"C:\\P\\a\\b\\", -1, 50, u"C:\\P\\a\\b|C:\\P\\a", 2},
      {u"c:\\p\\A\\B", 0, 50, u"c:\\p\\A\\B", 0},
      {u"C:\\P\\a\\b", 1, 50, u"C:\\P\\a\\b|C:\\P\\a", 1},
      {u"C:\\P\\a\\b", -1, 1, u"C:\\P\\a\\b", 1},
      {u"C:\\P", -1, 50, u"", 0},
      // A folder outside the product folder climbs to the drive, never removing it.
      {u"D:\\x\\y", -1, 50, u"D:\\x\\y|D:\\x", 2},
  };
  for (const Case& c : cases) {
    Removals removals;
    removals.refuse_at = c.refuse_at;
    const int32_t removed = RemoveFolderChain(String(c.folder), String(u"C:\\P\\"), c.limit, Remove, &removals);
    std::u16string tried;
    for (const String& folder : removals.tried) tried += (tried.empty() ? u"" : u"|") + U(folder);
    EXPECT_EQ(tried, c.tried) << U(String(c.folder)).size();
    EXPECT_EQ(removed, c.removed);
  }
}

TEST(RemovalRules, LongestFoldersComeFirst) {
  Array<String> folders;
  for (const char16_t* f : {u"C:\\P\\a", u"C:\\P\\a\\bb", u"C:\\P\\c", u"C:\\P\\a\\b\\c"}) folders.Add(String(f));
  SortFoldersLongestFirst(&folders);
  std::u16string order;
  for (const String& f : folders) order += U(f) + u"|";
  EXPECT_EQ(order, u"C:\\P\\a\\b\\c|C:\\P\\a\\bb|C:\\P\\a|C:\\P\\c|");
}

TEST(RemovalRules, SelfRemovalBatchRemovesEachSubfolderLevel) {
  struct Case {
    const char16_t* subdir;
    const char16_t* rd_lines;
  } cases[] = {
      {u"a\\b", u"rd \"C:\\P\\a\\b\"\r\nrd \"C:\\P\\a\"\r\nrd \"C:\\P\"\r\n"},
      {u"a\\b\\", u"rd \"C:\\P\\a\\b\"\r\nrd \"C:\\P\\a\"\r\nrd \"C:\\P\"\r\n"},
      {u"", u"rd \"C:\\P\"\r\n"},
  };
  for (const Case& c : cases) {
    const String text = SelfRemovalBatchText(String(u"C:\\P\\a\\b\\setup.exe"), String(u"C:\\P"),
                                             String(c.subdir), String(u"C:\\T\\x.bat"));
    std::u16string expected =
        u":Repeat\r\ndel \"C:\\P\\a\\b\\setup.exe\"\r\nif exist \"C:\\P\\a\\b\\setup.exe\" goto Repeat\r\n"
        u"CHOICE /T 3 /D Y\r\n";
    expected += c.rd_lines;
    expected += u"del \"C:\\T\\x.bat\"\r\n";
    EXPECT_EQ(U(text), expected);
  }
}

}  // namespace
