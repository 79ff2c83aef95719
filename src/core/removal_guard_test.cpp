#include "core/removal_guard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string U(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

Array<String> Folders(std::initializer_list<const char16_t*> paths) {
  Array<String> folders;
  for (const char16_t* path : paths) folders.Add(String(path));
  return folders;
}

std::u16string Joined(const Array<String>& folders) {
  std::u16string text;
  for (const String& folder : folders) text += (text.empty() ? u"" : u"|") + U(folder);
  return text;
}

// Only the folders from the file up to the highest product folder holding it
// are asked whether they are links; a link above them (a moved Program Files)
// never stops a removal.
TEST(RemovalGuard, OnlyFoldersInsideTheProductsOwnAreGuarding) {
  const Array<String> product = Folders({u"C:\\Program Files\\Acme\\Notes", u"C:\\Program Files\\Acme\\",
                                         u"C:\\Program Files\\Acme\\Notes\\Uninstall"});
  struct Case {
    const char16_t* path;
    const char16_t* guarding;
  } cases[] = {
      {u"C:\\Program Files\\Acme\\Notes\\bin\\tool.exe",
       u"C:\\Program Files\\Acme\\Notes\\bin|C:\\Program Files\\Acme\\Notes|C:\\Program Files\\Acme"},
      {u"c:\\program files\\acme\\readme.txt", u"c:\\program files\\acme"},
      {u"C:\\Program Files\\Acme", u""},
      {u"C:\\Program Files\\Acmeware\\x.txt", u""},
      {u"C:\\Windows\\System32\\shared.dll", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Joined(FoldersGuarding(product, String(c.path))), c.guarding) << U(String(c.path)).size();
  }
}

// A folder that is a system or shell folder, or holds one, is never emptied.
TEST(RemovalGuard, SystemFoldersAndTheirParentsAreNeverEmptied) {
  const Array<String> system = Folders({u"C:\\Program Files", u"C:\\users\\ann\\Documents", u"C:\\windows"});
  struct Case {
    const char16_t* folder;
    bool holds;
  } cases[] = {
      {u"C:\\Program Files", true},   {u"c:\\program files\\", true}, {u"C:\\users", true},
      {u"C:\\users\\ann", true},      {u"C:\\", true},                {u"C:\\Program Files\\Acme", false},
      {u"C:\\users\\ann\\Tools", false}, {u"C:\\Tools", false},       {u"C:\\window", false},
  };
  for (const Case& c : cases) EXPECT_EQ(HoldsSystemFolder(system, String(c.folder)), c.holds) << U(String(c.folder)).size();
}

TEST(RemovalGuard, OnlySymbolicLinksAndJunctionsAreLinks) {
  EXPECT_TRUE(IsLinkTag(0xA000000Cu));   // symbolic link
  EXPECT_TRUE(IsLinkTag(0xA0000003u));   // junction
  EXPECT_FALSE(IsLinkTag(0x9000001Au));  // cloud-file placeholder
  EXPECT_FALSE(IsLinkTag(0x80000013u));  // deduplicated file
  EXPECT_FALSE(IsLinkTag(0));
}

}  // namespace
