#include "core/text_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// The word sum written the plain way, one word and one tail byte at a time.
std::uint32_t PlainWordSum(std::uint32_t sum, const unsigned char* bytes, std::size_t length) {
  std::size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    sum += bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | static_cast<std::uint32_t>(bytes[i + 3]) << 24;
  }
  for (; i < length; ++i) sum += static_cast<std::uint32_t>(static_cast<signed char>(bytes[i]));
  return sum + static_cast<std::uint32_t>(length);
}

TEST(WordSum, WideAndPlainSumsAgreeAtEveryLengthAndAlignment) {
  std::mt19937 random(5);
  std::vector<unsigned char> bytes(5000);
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random());
  for (std::size_t offset = 0; offset < 4; ++offset) {
    for (std::size_t length : {0u, 3u, 63u, 64u, 65u, 67u, 95u, 96u, 100u, 1023u, 4096u, 4995u}) {
      EXPECT_EQ(WordSum(0x1234u, bytes.data() + offset, length),
                PlainWordSum(0x1234u, bytes.data() + offset, length))
          << offset << " " << length;
    }
  }
  // Sums wrap modulo 2^32.
  std::vector<unsigned char> ones(4096, 0xFF);
  EXPECT_EQ(WordSum(0, ones.data(), ones.size()), PlainWordSum(0, ones.data(), ones.size()));
}

}  // namespace
