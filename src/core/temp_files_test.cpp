#include "core/temp_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(TemporaryFolderAnswer, TrailingBackslashAndFallBack) {
  EXPECT_EQ(Text(TemporaryFolderFromAnswer(u"C:\\Temp", 7)), u"C:\\Temp\\");
  EXPECT_EQ(Text(TemporaryFolderFromAnswer(u"C:\\Temp\\", 8)), u"C:\\Temp\\");
  EXPECT_EQ(Text(TemporaryFolderFromAnswer(u"", 0)), u"c:\\temp\\");
  EXPECT_EQ(Text(TemporaryFolderFromAnswer(nullptr, 0)), u"c:\\temp\\");
}

TEST(TemporaryName, PrefixSixteenDigitsAndTheEnding) {
  EXPECT_EQ(Text(RandomTemporaryName(String(u"C:\\T"), u"QKT", 0x0123456789ABCDEFull)),
            u"C:\\T\\QKT0123456789ABCDEF.tmp");
  EXPECT_EQ(Text(RandomTemporaryName(String(u"C:\\T\\"), u"", 0xF)), u"C:\\T\\000000000000000F.tmp");
}

}  // namespace
