#include "core/file_ops.h"

#include <gtest/gtest.h>

#include <string>


namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(FolderNames, ParentFolderDropsTheLastComponent) {
  EXPECT_EQ(Text(ParentFolder(String(u"C:\\a\\b\\c"))), u"C:\\a\\b");
  EXPECT_EQ(Text(ParentFolder(String(u"C:\\a\\b\\"))), u"C:\\a");
  EXPECT_EQ(Text(ParentFolder(String(u"C:\\a"))), u"C:\\");
  EXPECT_EQ(Text(ParentFolder(String(u"C:\\"))), u"");
  EXPECT_EQ(Text(ParentFolder(String(u"x/y//z"))), u"x/y");
  EXPECT_EQ(Text(ParentFolder(String(u"alone"))), u"");
  EXPECT_EQ(Text(ParentFolder(String(u"\\\\server\\share\\dir"))), u"\\\\server\\share");
}

TEST(FolderNames, DriveRootsAndTrailingSeparators) {
  EXPECT_TRUE(IsDriveRoot(String(u"C:\\")));
  EXPECT_TRUE(IsDriveRoot(String(u"d:")));
  EXPECT_FALSE(IsDriveRoot(String(u"C:\\a")));
  EXPECT_FALSE(IsDriveRoot(String(u"abc")));
  EXPECT_EQ(Text(WithoutTrailingSeparators(String(u"C:\\a\\\\/"))), u"C:\\a");
  EXPECT_TRUE(IsBlankText(u" \t\r\n"));
  EXPECT_TRUE(IsBlankText(nullptr));
  EXPECT_FALSE(IsBlankText(u" a "));
}

TEST(FolderNames, ShellFolderFilesInAnyCase) {
  EXPECT_TRUE(IsShellFolderFile(u"Thumbs.db"));
  EXPECT_TRUE(IsShellFolderFile(u"DESKTOP.INI"));
  EXPECT_FALSE(IsShellFolderFile(u"desktop.ini.bak"));
  EXPECT_FALSE(IsShellFolderFile(u"thumbs"));
}

}  // namespace
