#include "core/folder_walk.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(WalkSpecifications, FolderPatternAndSubfolderSwitch) {
  WalkSpecification parts = SplitWalkSpecification(u"C:\\data\\*.txt /s");
  EXPECT_EQ(Text(parts.folder), u"C:\\data\\");
  EXPECT_EQ(Text(parts.pattern), u"*.txt");
  EXPECT_TRUE(parts.subfolders);

  parts = SplitWalkSpecification(u"  C:\\data\\report?.doc  ");
  EXPECT_EQ(Text(parts.folder), u"C:\\data\\");
  EXPECT_EQ(Text(parts.pattern), u"report?.doc");
  EXPECT_FALSE(parts.subfolders);

  parts = SplitWalkSpecification(u"*.*");
  EXPECT_EQ(Text(parts.folder), u"");
  EXPECT_EQ(Text(parts.pattern), u"*.*");

  parts = SplitWalkSpecification(u"D:x.bin");
  EXPECT_EQ(Text(parts.folder), u"D:");
  EXPECT_EQ(Text(parts.pattern), u"x.bin");

  parts = SplitWalkSpecification(u"C:\\folder/s");  // no blank before the switch: part of the name
  EXPECT_FALSE(parts.subfolders);
  EXPECT_EQ(Text(parts.pattern), u"s");
}

TEST(WalkSpecifications, OptionsStayClearOfTheExpandersBits) {
  const uint32_t expander_bits = 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 | 0x400 | 0x8000 | 0x40000;
  EXPECT_EQ(kWalkOptionMask & expander_bits, 0u);
}

}  // namespace
