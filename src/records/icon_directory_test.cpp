#include "records/icon_directory.h"

#include <gtest/gtest.h>

#include <string>

#include "records/records_test_util.h"

namespace {

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v));
  Put16(s, static_cast<uint16_t>(v >> 16));
}

// An icon file of two images: 16x16 at 32 bits (40 bytes) and 256x256 (0 in
// the directory) at 8 bits (24 bytes).
std::string TwoImageIcon() {
  std::string s;
  Put16(s, 0);
  Put16(s, 1);
  Put16(s, 2);
  s += std::string("\x10\x10\x00\x00", 4);
  Put16(s, 1);
  Put16(s, 32);
  Put32(s, 40);
  Put32(s, 6 + 2 * 16);
  s += std::string("\x00\x00\x10\x00", 4);
  Put16(s, 1);
  Put16(s, 8);
  Put32(s, 24);
  Put32(s, 6 + 2 * 16 + 40);
  s += std::string(40, 'a');
  s += std::string(24, 'b');
  return s;
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

  std::string expected;
  Put16(expected, 0);
  Put16(expected, 1);
  Put16(expected, 2);
  expected += TwoImageIcon().substr(6, 12);
  Put16(expected, 1);
  expected += TwoImageIcon().substr(6 + 16, 12);
  Put16(expected, 2);
  EXPECT_EQ(Text(IconGroupResource(entries, 1)), expected);
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
