#include "package/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 3 x 2 bitmap of 24 bits per pixel as a .bmp file: rows of 12 bytes.
std::vector<uint8_t> SmallBmp() {
  std::vector<uint8_t> b(14 + 40 + 24, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, 3);
  Put32(b, 22, 2);
  b[26] = 1;
  b[28] = 24;
  return b;
}

TEST(Dib, AcceptsAWholeBitmapAndRefusesDamagedOnes) {
  std::vector<uint8_t> good = SmallBmp();
  DibView view;
  ASSERT_TRUE(ParseDib(good.data(), static_cast<int32_t>(good.size()), view));
  EXPECT_EQ(view.width, 3);
  EXPECT_EQ(view.height, 2);
  EXPECT_EQ(view.bits_offset, 54);
  EXPECT_EQ(view.header_offset, 14);

  // The same without the file header: the rows follow the header.
  std::vector<uint8_t> bare(good.begin() + 14, good.end());
  ASSERT_TRUE(ParseDib(bare.data(), static_cast<int32_t>(bare.size()), view));
  EXPECT_EQ(view.bits_offset, 40);

  const struct {
    size_t at;
    uint32_t value;
  } damages[] = {
      {10, 0x7FFFFFF0},  // rows past the end
      {10, 20},          // rows inside the header
      {14, 0x10000},     // header longer than the data
      {18, 0},           // no width
      {22, 100},         // more rows than there are bytes
      {28, 7},           // bits per pixel
      {30, 1},           // compressed
  };
  for (const auto& damage : damages) {
    std::vector<uint8_t> bad = good;
    if (damage.at == 28) {
      bad[28] = static_cast<uint8_t>(damage.value);
    } else {
      Put32(bad, damage.at, damage.value);
    }
    EXPECT_FALSE(ParseDib(bad.data(), static_cast<int32_t>(bad.size()), view)) << damage.at;
  }
  EXPECT_FALSE(ParseDib(good.data(), 30, view));
  EXPECT_FALSE(ParseDib(nullptr, 0, view));
}

}  // namespace
