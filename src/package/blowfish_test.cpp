#include "package/blowfish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/string.h"
#include "package/blowfish_pi.h"
#include "package/byte_order.h"

namespace {

// Fixed-point big number: limb 0 is the integer part, limb i the i-th 32 bits
// after the point.
using Fixed = std::vector<uint32_t>;

void DivideSmall(Fixed* x, uint32_t divisor) {
  uint64_t remainder = 0;
  for (auto& limb : *x) {
    uint64_t value = remainder << 32 | limb;
    limb = static_cast<uint32_t>(value / divisor);
    remainder = value % divisor;
  }
}

void AddScaled(Fixed* sum, const Fixed& x, int64_t factor) {
  int64_t carry = 0;
  for (size_t i = x.size(); i-- > 0;) {
    int64_t value = static_cast<int64_t>((*sum)[i]) + factor * static_cast<int64_t>(x[i]) + carry;
    (*sum)[i] = static_cast<uint32_t>(value);
    carry = (value - static_cast<int64_t>(static_cast<uint32_t>(value))) / (int64_t{1} << 32);
  }
}

bool IsZero(const Fixed& x) {
  for (uint32_t limb : x) {
    if (limb) return false;
  }
  return true;
}

// factor * arctan(1/x) added to *sum, by its Taylor series.
void AddArctanInverse(Fixed* sum, uint32_t x, int64_t factor) {
  Fixed power(sum->size(), 0);
  power[0] = 1;
  DivideSmall(&power, x);  // 1/x
  for (uint32_t k = 0; !IsZero(power); ++k) {
    Fixed term = power;
    DivideSmall(&term, 2 * k + 1);
    AddScaled(sum, term, k % 2 ? -factor : factor);
    DivideSmall(&power, x);
    DivideSmall(&power, x);
  }
}

TEST(Blowfish, InitialTablesAreTheHexDigitsOfPi) {
  // pi = 16 arctan(1/5) - 4 arctan(1/239) (Machin), with two guard limbs.
  Fixed pi(1 + kPiDigitWords + 2, 0);
  AddArctanInverse(&pi, 5, 16);
  AddArctanInverse(&pi, 239, -4);
  ASSERT_EQ(pi[0], 3u);
  for (size_t i = 0; i < kPiDigitWords; ++i) ASSERT_EQ(kPiDigits[i], pi[i + 1]) << "word " << i;
}

struct Vector {
  const char* key;  // as published: big-endian key words
  uint64_t plain;
  uint64_t cipher;
};

std::vector<uint8_t> Hex(const char* text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; text[i] && text[i + 1]; i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(std::string(text + i, 2), nullptr, 16)));
  }
  return bytes;
}

// The package reads key bytes as little-endian words, so a published key is
// given to it with each 4-byte group reversed.
std::vector<uint8_t> PackageKey(const std::vector<uint8_t>& published) {
  std::vector<uint8_t> key = published;
  for (size_t i = 0; i + 4 <= key.size(); i += 4)
    std::reverse(key.begin() + i, key.begin() + i + 4);
  return key;
}

void ExpectVector(const std::vector<uint8_t>& key, uint64_t plain, uint64_t expected) {
  Blowfish cipher;
  ASSERT_TRUE(cipher.SetKey(key.data(), key.size()));
  uint32_t left = static_cast<uint32_t>(plain >> 32);
  uint32_t right = static_cast<uint32_t>(plain);
  cipher.EncryptBlock(&left, &right);
  EXPECT_EQ((uint64_t{left} << 32) | right, expected);
  cipher.DecryptBlock(&left, &right);
  EXPECT_EQ((uint64_t{left} << 32) | right, plain);

  // The byte form: block halves are big-endian.
  uint8_t block[8];
  StoreBe32(block, static_cast<uint32_t>(plain >> 32));
  StoreBe32(block + 4, static_cast<uint32_t>(plain));
  cipher.Encrypt(block, sizeof block);
  EXPECT_EQ(LoadBe32(block), static_cast<uint32_t>(expected >> 32));
  EXPECT_EQ(LoadBe32(block + 4), static_cast<uint32_t>(expected));
}

TEST(Blowfish, PublishedVectorsWithLittleEndianKeyWords) {
  const Vector vectors[] = {
      {"0000000000000000", 0x0000000000000000, 0x4EF997456198DD78},
      {"FFFFFFFFFFFFFFFF", 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
      {"3000000000000000", 0x1000000000000001, 0x7D856F9A613063F2},
      {"1111111111111111", 0x1111111111111111, 0x2466DD878B963C9D},
      {"0123456789ABCDEF", 0x1111111111111111, 0x61F9C3802281B096},
      {"FEDCBA9876543210", 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
  };
  for (const auto& v : vectors) {
    SCOPED_TRACE(v.key);
    ExpectVector(PackageKey(Hex(v.key)), v.plain, v.cipher);
  }
  // The byte order matters: the published key bytes as they stand give
  // another cipher.
  Blowfish unreversed;
  auto key = Hex("0123456789ABCDEF");
  ASSERT_TRUE(unreversed.SetKey(key.data(), key.size()));
  uint32_t left = 0x11111111, right = 0x11111111;
  unreversed.EncryptBlock(&left, &right);
  EXPECT_NE((uint64_t{left} << 32) | right, 0x61F9C3802281B096u);
}

TEST(Blowfish, KeyLengthsAndPadding) {
  // Values from a reference Blowfish with the equivalent big-endian key.
  const std::vector<uint8_t> five = {1, 2, 3, 4, 5};  // padded to 8 bytes
  ExpectVector(five, 0x0123456789ABCDEF, 0x5C214A9C66C2CB3F);
  std::vector<uint8_t> twelve(12);
  for (size_t i = 0; i < twelve.size(); ++i) twelve[i] = static_cast<uint8_t>(i);
  ExpectVector(twelve, 0x0123456789ABCDEF, 0xD197DE4C707017C3);
  std::vector<uint8_t> longest(56);
  for (size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<uint8_t>(i * 7 + 3);
  ExpectVector(longest, 0x0123456789ABCDEF, 0xC5EEA6065D160D23);

  Blowfish cipher;
  std::vector<uint8_t> too_long(57, 1);
  EXPECT_FALSE(cipher.SetKey(too_long.data(), too_long.size()));
  EXPECT_FALSE(cipher.SetKey(too_long.data(), 0));
  EXPECT_FALSE(cipher.SetKey(nullptr, 8));
  // A refused key leaves the cipher as it was (here: the zero key).
  ExpectVector(std::vector<uint8_t>(8, 0), 0, 0x4EF997456198DD78);
}

TEST(BlowfishBuffer, RoundTripsEveryLength) {
  Blowfish cipher;
  const uint8_t key[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  ASSERT_TRUE(cipher.SetKey(key, sizeof key));
  for (size_t length = 0; length <= 40; ++length) {
    std::vector<uint8_t> plain(length);
    for (size_t i = 0; i < length; ++i) plain[i] = static_cast<uint8_t>(i * 31 + 1);
    String stored;
    ASSERT_TRUE(EncipherCopy(cipher, plain.data(), plain.size(), &stored));
    EXPECT_EQ(static_cast<size_t>(stored.length()), (length + 4 + 7) / 8 * 8);
    String back;
    ASSERT_TRUE(DecipherCopy(cipher, stored.bytes(), stored.length(), &back)) << length;
    ASSERT_EQ(static_cast<size_t>(back.length()), length);
    EXPECT_TRUE(length == 0 || std::memcmp(back.bytes(), plain.data(), length) == 0);
  }
}

// An 8- or 16-byte buffer whose deciphered trailer says `trailer`.
std::vector<uint8_t> WithTrailer(const Blowfish& cipher, size_t length, int32_t trailer) {
  std::vector<uint8_t> buffer(length, 0x5A);
  StoreLe32(buffer.data() + length - 4, static_cast<uint32_t>(trailer));
  cipher.Encrypt(buffer.data(), buffer.size());
  return buffer;
}

TEST(BlowfishBuffer, PlainLengthTrailerRules) {
  Blowfish cipher;
  size_t plain = 99;
  // Not a positive multiple of 8.
  std::vector<uint8_t> twelve(12, 0);
  EXPECT_FALSE(DecipherInPlace(cipher, twelve.data(), twelve.size(), &plain));
  EXPECT_EQ(plain, 0u);
  EXPECT_FALSE(DecipherInPlace(cipher, twelve.data(), 0, &plain));

  auto buffer = WithTrailer(cipher, 8, 5);  // more than 8 - 4
  EXPECT_FALSE(DecipherInPlace(cipher, buffer.data(), buffer.size(), &plain));
  buffer = WithTrailer(cipher, 8, 4);
  EXPECT_TRUE(DecipherInPlace(cipher, buffer.data(), buffer.size(), &plain));
  EXPECT_EQ(plain, 4u);
  buffer = WithTrailer(cipher, 8, 0);
  EXPECT_TRUE(DecipherInPlace(cipher, buffer.data(), buffer.size(), &plain));
  EXPECT_EQ(plain, 0u);
  // length - 12 is the lower bound.
  buffer = WithTrailer(cipher, 16, 4);
  EXPECT_TRUE(DecipherInPlace(cipher, buffer.data(), buffer.size(), &plain));
  EXPECT_EQ(plain, 4u);
  buffer = WithTrailer(cipher, 16, 3);
  EXPECT_FALSE(DecipherInPlace(cipher, buffer.data(), buffer.size(), &plain));
  // A negative trailer is inside length - 12 .. length - 4 for an 8-byte
  // buffer but can be no plain length.
  buffer = WithTrailer(cipher, 8, -1);
  EXPECT_FALSE(DecipherInPlace(cipher, buffer.data(), buffer.size(), &plain));

  String out("left over");
  buffer = WithTrailer(cipher, 8, 5);
  EXPECT_FALSE(DecipherCopy(cipher, buffer.data(), buffer.size(), &out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
