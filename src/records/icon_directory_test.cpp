#include "records/icon_directory.h"

#include <gtest/gtest.h>

#include <string>

#include "records/icon_test_util.h"
#include "records/records_test_util.h"

namespace {

// Two images: 16x16 at 32 bits (40 bytes), and 256x256 (0 in the
// directory) at 8 bits (24 bytes).
std::string TwoImageIcon() {
  return TestIconFile({{16, 16, 0, 32, std::string(40, 'a')}, {0, 0, 16, 8, std::string(24, 'b')}});
}

String Bytes(const std::string& s) { return String(s.data(), static_cast<int32_t>(s.size())); }

TEST(IconDirectory, ReadsEveryImageAndBuildsTheGroup) {
  Vector<IconEntryHeader> entries;
  ASSERT_TRUE(ReadIconDirectory(Bytes(TwoImageIcon()), &entries));
  ASSERT_EQ(entries.Count(), 2);
  EXPECT_EQ(entries[0].width, 16);
  EXPECT_EQ(entries[0].bit_count, 32);
  EXPECT_EQ(entries[0].bytes, 40u);
  EXPECT_EQ(entries[0].offset, 38u);
  EXPECT_EQ(entries[1].width, 0);
  EXPECT_EQ(entries[1].colour_count, 16);
  EXPECT_EQ(entries[1].offset, 78u);
  EXPECT_EQ(Text(IconGroupResource(entries, 1)), TestIconGroup(TwoImageIcon(), 1));
  EXPECT_EQ(Text(IconGroupResource(entries, 7)), TestIconGroup(TwoImageIcon(), 7));
}

TEST(IconDirectory, DamagedFilesAreRefused) {
  Vector<IconEntryHeader> entries;
  const std::string icon = TwoImageIcon();
  EXPECT_FALSE(ReadIconDirectory(Bytes(icon.substr(0, icon.size() - 1)), &entries));  // last image cut
  EXPECT_TRUE(entries.IsEmpty());
  EXPECT_FALSE(ReadIconDirectory(Bytes(icon.substr(0, 6 + 16)), &entries));  // directory cut
  EXPECT_FALSE(ReadIconDirectory(Bytes(icon.substr(0, 5)), &entries));
  std::string cursor = icon;
  cursor[2] = 2;  // a cursor file
  EXPECT_FALSE(ReadIconDirectory(Bytes(cursor), &entries));
  std::string none = icon;
  none[4] = 0;  // no images
  EXPECT_FALSE(ReadIconDirectory(Bytes(none), &entries));
  std::string far = icon;
  far[6 + 12 + 3] = '\x7F';  // an offset far beyond the end
  EXPECT_FALSE(ReadIconDirectory(Bytes(far), &entries));
}

}  // namespace
