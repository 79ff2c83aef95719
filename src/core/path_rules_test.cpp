#include "core/path_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(PathRules, IllegalSetsByWildcardBits) {
  EXPECT_STREQ(IllegalPathCharacters(0), "/\"<>|*?;");
  EXPECT_STREQ(IllegalPathCharacters(kPathAllowStar), "/\"<>|?:;");
  EXPECT_STREQ(IllegalPathCharacters(kPathAllowQuestion), "/\"<>|*:;");
  EXPECT_STREQ(IllegalPathCharacters(kPathAllowStar | kPathAllowQuestion | kPathTrim), "/\"<>|:;");
}

TEST(PathRules, DrivePathsAndBackslashes) {
  EXPECT_TRUE(IsValidPath("C:\\Program Files\\Tool", 0));
  EXPECT_TRUE(IsValidPath("relative\\name.txt", 0));
  EXPECT_FALSE(IsValidPath("C:\\Program Files\\Tool\\", 0));
  EXPECT_TRUE(IsValidPath("C:\\Program Files\\Tool\\", kPathAllowTrailingBackslash));
  EXPECT_FALSE(IsValidPath("C:\\dir:stream", 0));  // a second colon
  EXPECT_FALSE(IsValidPath("1:\\dir", 0));           // no letter before the colon
  EXPECT_TRUE(IsValidPath("\\\\server\\share\\file", 0));
  EXPECT_FALSE(IsValidPath("C:\\dir\\\\file", 0));
  EXPECT_FALSE(IsValidPath("\\\\\\server", 0));
  EXPECT_FALSE(IsValidPath("C:\\a;b", 0));
  EXPECT_FALSE(IsValidPath("C:\\a<b", 0));
  EXPECT_FALSE(IsValidPath("C:\\a\tb", 0));  // control characters never name a file
  EXPECT_FALSE(IsValidPath("", 0));
  EXPECT_FALSE(IsValidPath(nullptr, 0));
}

TEST(PathRules, WildcardsNeedTheirBits) {
  EXPECT_FALSE(IsValidPath("C:\\data\\*.txt", 0));
  EXPECT_TRUE(IsValidPath("C:\\data\\*.txt", kPathAllowStar));
  EXPECT_FALSE(IsValidPath("C:\\data\\file?.txt", kPathAllowStar));
  EXPECT_TRUE(IsValidPath("C:\\data\\file?.txt", kPathAllowQuestion));
  EXPECT_TRUE(IsValidPathW(u"C:\\data\\*?.txt", kPathAllowStar | kPathAllowQuestion));
  // The sets that allow a wildcard still forbid the colon.
  EXPECT_FALSE(IsValidPath("C:\\data\\a:*.txt", kPathAllowStar));
}

TEST(PathRules, BlanksQuotesSlashesAndAbsolute) {
  EXPECT_FALSE(IsValidPath(" C:\\dir", 0));
  EXPECT_FALSE(IsValidPath("C:\\dir\r\n", 0));
  EXPECT_TRUE(IsValidPath(" C:\\dir\r\n", kPathTrim));
  EXPECT_FALSE(IsValidPath(" \t ", kPathTrim));
  EXPECT_TRUE(IsValidPath("\"C:\\Program Files\\Tool\"", 0));
  EXPECT_FALSE(IsValidPath("\"C:\\Tool", 0));
  EXPECT_FALSE(IsValidPath("\"\"", 0));
  EXPECT_FALSE(IsValidPath("C:/Tool/bin", 0));
  EXPECT_TRUE(IsValidPath("C:/Tool/bin", kPathForwardSlashes));
  EXPECT_TRUE(IsValidPathW(u"C:/Tool/bin", kPathForwardSlashes));
  EXPECT_FALSE(IsValidPath("C:/Tool/", kPathForwardSlashes));
  EXPECT_FALSE(IsValidPath("Tool\\bin", kPathMustBeAbsolute));
  EXPECT_TRUE(IsValidPath("C:\\Tool\\bin", kPathMustBeAbsolute));
  EXPECT_TRUE(IsValidPath("\"C:\\Tool\"", kPathMustBeAbsolute));
  EXPECT_TRUE(IsValidPathW(u"\\\\server\\share", kPathMustBeAbsolute));
  EXPECT_TRUE(IsValidPathW(u"C:\\Programme\\\u00DCbersicht", kPathMustBeAbsolute));
}

TEST(PathRules, AbsolutePaths) {
  EXPECT_TRUE(IsAbsolutePath("C:\\"));
  EXPECT_TRUE(IsAbsolutePath("  d:\\x"));
  EXPECT_TRUE(IsAbsolutePath("|C:\\caf\xC3\xA9"));  // the UTF-8 mark is skipped
  EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
  EXPECT_FALSE(IsAbsolutePath("C:"));
  EXPECT_FALSE(IsAbsolutePath("C:dir"));
  EXPECT_FALSE(IsAbsolutePath("\\dir"));
  EXPECT_FALSE(IsAbsolutePath("dir\\file"));
  EXPECT_FALSE(IsAbsolutePath("1:\\dir"));
  EXPECT_FALSE(IsAbsolutePath(""));
  EXPECT_TRUE(IsAbsolutePathW(u"Z:\\tmp"));
  EXPECT_FALSE(IsAbsolutePathW(u"Z:/tmp"));
}

TEST(PathRules, BareFileNames) {
  EXPECT_TRUE(IsValidFileName("readme.txt"));
  EXPECT_TRUE(IsValidFileName("..hidden"));
  EXPECT_TRUE(IsValidFileNameW(u"\u00FCber.txt"));
  EXPECT_FALSE(IsValidFileName(""));
  EXPECT_FALSE(IsValidFileName("."));
  EXPECT_FALSE(IsValidFileName(".."));
  EXPECT_FALSE(IsValidFileName("a*b"));
  EXPECT_FALSE(IsValidFileName("a;b"));
  // A name never leads out of its folder.
  EXPECT_FALSE(IsValidFileName("..\\evil.dll"));
  EXPECT_FALSE(IsValidFileNameW(u"C:evil"));
  EXPECT_FALSE(IsValidFileNameW(u"a\nb"));
}

TEST(PathRules, JoinsAndComponents) {
  EXPECT_TRUE(JoinPath(String(u"C:\\"), u"Fonts").EqualsW(u"C:\\Fonts"));
  EXPECT_TRUE(JoinPath(String(u"C:\\Windows"), u"\\Fonts").EqualsW(u"C:\\Windows\\Fonts"));
  EXPECT_TRUE(JoinPath(String(), u"Fonts").empty());
  EXPECT_TRUE(WithoutLastComponents(String(u"C:\\a\\b\\c\\"), 2).EqualsW(u"C:\\a"));
  EXPECT_TRUE(WithoutLastComponents(String(u"C:\\Web"), 1).EqualsW(u"C:\\"));
  EXPECT_TRUE(WithoutLastComponents(String(u"name"), 1).empty());
}

}  // namespace
