#include "core/final_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(FinalPath, PrefixesGoAndPathsCompareAsTheSystemNamesThem) {
  EXPECT_EQ(W(PlainFinalPath(String(u"\\\\?\\C:\\App\\a.txt"))), u"C:\\App\\a.txt");
  EXPECT_EQ(W(PlainFinalPath(String(u"\\\\?\\UNC\\srv\\share\\a"))), u"\\\\srv\\share\\a");
  EXPECT_EQ(W(PlainFinalPath(String(u"C:\\x"))), u"C:\\x");

  EXPECT_TRUE(SameFullPath(String(u"C:\\App\\A.TXT"), String(u"c:\\app\\a.txt")));
  EXPECT_TRUE(SameFullPath(String(u"C:\\App\\"), String(u"C:\\App")));
  EXPECT_FALSE(SameFullPath(String(u"C:\\App\\a.txt"), String(u"C:\\Other\\a.txt")));
  EXPECT_FALSE(SameFullPath(String(u"C:\\App\\a.txt"), String(u"C:\\App\\a.txt2")));

  EXPECT_EQ(W(WithDriveRoot(String(u"X:\\App\\a"), String(u"\\\\srv\\share\\"))), u"\\\\srv\\share\\App\\a");
  EXPECT_EQ(W(WithDriveRoot(String(u"X:\\App"), String(u"C:\\"))), u"C:\\App");
  EXPECT_EQ(W(WithDriveRoot(String(u"\\\\srv\\s\\a"), String(u"C:\\"))), u"\\\\srv\\s\\a");
}

}  // namespace
