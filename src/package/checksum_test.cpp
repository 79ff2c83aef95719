#include "package/checksum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "package/scramble.h"

namespace {

uint32_t Sum(std::vector<uint8_t> bytes) { return PackageChecksum(bytes.data(), bytes.size()); }

TEST(PackageChecksum, KnownValues) {
  EXPECT_EQ(PackageChecksum(nullptr, 0), 0x79E2BC9Du);
  EXPECT_EQ(PackageChecksum(nullptr, 12), 0x79E2BC9Du);
  EXPECT_EQ(Sum({}), 0x79E2BC9Du);
  EXPECT_EQ(Sum({'a', 'b', 'c'}), 0x79E2BDC6u);
  EXPECT_EQ(Sum({0, 0, 0, 0}), 0x79E2BCA1u);
  // One word, little-endian, plus the length.
  EXPECT_EQ(Sum({0x01, 0x02, 0x03, 0x04}), 0x79E2BC9Du + 0x04030201u + 4);
}

TEST(PackageChecksum, TailBytesAreSignExtended) {
  EXPECT_EQ(Sum({0xFF}), 0x79E2BC9Du);  // -1 + length 1
  EXPECT_EQ(Sum({0x80}), 0x79E2BC9Du - 128 + 1);
  EXPECT_EQ(Sum({0x80, 0x7F}), 0x79E2BC9Du - 128 + 127 + 2);
  EXPECT_EQ(Sum({1, 2, 3, 4, 0xFE, 0xFD, 0xFC}), 0x79E2BC9Du + 0x04030201u - 2 - 3 - 4 + 7);
}

TEST(PackageChecksum, WordSumsWrap) {
  // Two words of 0xFFFFFFFF add -2 modulo 2^32.
  EXPECT_EQ(Sum(std::vector<uint8_t>(8, 0xFF)), 0x79E2BC9Du - 2 + 8);
  // A sum that passes 2^32 from the seed.
  EXPECT_EQ(Sum({0x00, 0x00, 0x00, 0x90}), static_cast<uint32_t>(0x79E2BC9Du + 0x90000000u + 4));
}

TEST(ChecksumBuilder, MatchesOneShotForAnySplit) {
  std::mt19937 random(7);
  std::vector<uint8_t> data(1000);
  for (auto& b : data) b = static_cast<uint8_t>(random());
  for (size_t length : {0, 1, 3, 4, 5, 999, 1000}) {
    const uint32_t expected = PackageChecksum(data.data(), length);
    for (int trial = 0; trial < 20; ++trial) {
      ChecksumBuilder builder;
      size_t at = 0;
      while (at < length) {
        size_t piece = std::min<size_t>(length - at, random() % 9);
        builder.Add(data.data() + at, piece);
        at += piece;
      }
      EXPECT_EQ(builder.Finish(), expected) << "length " << length;
    }
  }
}

TEST(ScrambleSettings, XorsWordsThenTailBytesInOrder) {
  std::vector<uint8_t> data(7, 0);
  ScrambleSettings(data.data(), data.size(), 0x11223344);
  EXPECT_EQ(data, (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22}));
  ScrambleSettings(data.data(), data.size(), 0x11223344);
  EXPECT_EQ(data, std::vector<uint8_t>(7, 0));
}

TEST(ScrambleSettings, IsItsOwnInverse) {
  std::mt19937 random(3);
  for (size_t length : {0, 1, 2, 3, 4, 9, 4096, 4099}) {
    std::vector<uint8_t> data(length);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    const auto original = data;
    ScrambleSettings(data.data(), data.size(), 0xA5C3E1F7);
    if (length >= 4) {
      EXPECT_NE(data, original);
    }
    ScrambleSettings(data.data(), data.size(), 0xA5C3E1F7);
    EXPECT_EQ(data, original);
  }
}

}  // namespace
