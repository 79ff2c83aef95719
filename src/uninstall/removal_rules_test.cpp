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

FileSet Made(std::initializer_list<const char16_t*> folders) {
  FileSet made;
  for (const char16_t* folder : folders) AddToFileSet(&made, String(folder));
  return made;
}

// The product folder and the folders above it go only when the installation
// made them; the uninstall sub-folders are the uninstaller's own.
TEST(RemovalRules, SelfRemovalBatchRemovesTheSubfoldersAndWhatTheInstallMade) {
  struct Case {
    const char16_t* product;
    const char16_t* subdir;
    FileSet made;
    const char16_t* rd_lines;
  } cases[] = {
      {u"C:\\P", u"a\\b", Made({u"c:\\p"}), u"rd \"C:\\P\\a\\b\"\r\nrd \"C:\\P\\a\"\r\nrd \"C:\\P\"\r\n"},
      {u"C:\\P", u"a\\b\\", Made({u"C:\\P"}), u"rd \"C:\\P\\a\\b\"\r\nrd \"C:\\P\\a\"\r\nrd \"C:\\P\"\r\n"},
      {u"C:\\P", u"", Made({u"C:\\P"}), u"rd \"C:\\P\"\r\n"},
      // A folder that was there before stays, and so does everything above it.
      {u"C:\\P", u"a", Made({}), u"rd \"C:\\P\\a\"\r\n"},
      {u"C:\\Acme\\P\\", u"", Made({u"C:\\Acme\\P", u"C:\\Acme"}), u"rd \"C:\\Acme\\P\"\r\nrd \"C:\\Acme\"\r\n"},
      {u"C:\\Pf\\Acme\\P", u"", Made({u"C:\\Pf\\Acme\\P", u"C:\\Pf"}), u"rd \"C:\\Pf\\Acme\\P\"\r\n"},
  };
  for (const Case& c : cases) {
    const Array<String> folders = LastFolders(String(c.product), String(c.subdir), c.made);
    const String text = SelfRemovalBatchText(String(u"C:\\P\\a\\b\\setup.exe"), folders, String(u"C:\\T\\x.bat"));
    std::u16string expected =
        u":Repeat\r\ndel \"C:\\P\\a\\b\\setup.exe\"\r\nif exist \"C:\\P\\a\\b\\setup.exe\" goto Repeat\r\n"
        u"CHOICE /T 3 /D Y\r\n";
    expected += c.rd_lines;
    expected += u"del \"C:\\T\\x.bat\"\r\n";
    EXPECT_EQ(U(text), expected) << U(String(c.product)).size();
  }
}

// The climb from a product's key never reaches Software itself, in any hive.
TEST(RemovalRules, TheRegistryClimbStaysBelowItsFloor) {
  struct Case {
    const char16_t* path;
    const char16_t* floor;
    bool may_go;
  } cases[] = {
      {u"Software\\Vendor\\Product", u"Software", true},
      {u"Software\\Vendor", u"Software", true},
      {u"Software", u"Software", false},
      {u"software\\", u"Software", false},
      {u"S-1-5-21-1\\Software\\Vendor", u"S-1-5-21-1\\Software", true},
      {u"S-1-5-21-1\\Software", u"S-1-5-21-1\\Software", false},
      {u"S-1-5-21-1", u"S-1-5-21-1\\Software", false},
      {u"Softwarex\\Vendor", u"Software", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyBelowFloor(String(c.path), String(c.floor)), c.may_go) << U(String(c.path)).size();
  }
}

}  // namespace
