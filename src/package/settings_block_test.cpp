#include "package/settings_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/deflate.h"
#include "package/scramble.h"

namespace {

String Plain(size_t length) {
  String text;
  for (size_t i = 0; i < length; ++i) text.Append(static_cast<char>("Bastionix settings "[i % 19]));
  return text;
}

Blowfish KeyedCipher() {
  Blowfish cipher;
  const uint8_t key[8] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
  cipher.SetKey(key, sizeof key);
  return cipher;
}

TEST(SettingsBlock, RoundTripsScrambledAndEnciphered) {
  const Blowfish cipher = KeyedCipher();
  for (const Blowfish* coding : {static_cast<const Blowfish*>(nullptr), &cipher}) {
    for (size_t length : {size_t{0}, size_t{3}, size_t{100000}}) {
      const String plain = Plain(length);
      String stored;
      uint32_t checksum = 0;
      ASSERT_TRUE(EncodeSettingsBlock(plain.bytes(), length, coding, &stored, &checksum));
      EXPECT_EQ(checksum, PackageChecksum(plain.bytes(), length));
      String decoded;
      ASSERT_EQ(DecodeSettingsBlock(stored.bytes(), stored.length(), checksum, coding, &decoded),
                kCorruptNone);
      EXPECT_TRUE(decoded == plain);
    }
  }
}

TEST(SettingsBlock, StoredFormIsScrambledDeflate) {
  // Unscrambling the stored block by hand must give a plain zlib stream.
  const String plain = Plain(500);
  String stored;
  uint32_t checksum = 0;
  ASSERT_TRUE(EncodeSettingsBlock(plain.bytes(), plain.length(), nullptr, &stored, &checksum));
  String compressed;
  ASSERT_TRUE(DeflateBuffer(plain.bytes(), plain.length(), &compressed));
  ScrambleSettings(stored.data(), stored.length(), checksum);
  EXPECT_TRUE(stored == compressed);
}

TEST(SettingsBlock, ChecksumMismatchIsError25) {
  // A sound stream scrambled with a word that is not its checksum: it
  // inflates, but the checksum differs.
  const String plain = Plain(2000);
  const uint32_t wrong = PackageChecksum(plain.bytes(), plain.length()) + 1;
  String stored;
  ASSERT_TRUE(DeflateBuffer(plain.bytes(), plain.length(), &stored));
  ScrambleSettings(stored.data(), stored.length(), wrong);
  String decoded("stale");
  EXPECT_EQ(DecodeSettingsBlock(stored.bytes(), stored.length(), wrong, nullptr, &decoded),
            kCorruptSettingsChecksum);
  EXPECT_TRUE(decoded.empty());

  // Enciphered: the header checksum does not take part in decoding.
  const Blowfish cipher = KeyedCipher();
  uint32_t checksum = 0;
  ASSERT_TRUE(EncodeSettingsBlock(plain.bytes(), plain.length(), &cipher, &stored, &checksum));
  EXPECT_EQ(DecodeSettingsBlock(stored.bytes(), stored.length(), checksum ^ 1, &cipher, &decoded),
            kCorruptSettingsChecksum);
}

TEST(SettingsBlock, UndecodableBlocksAreError47) {
  const String plain = Plain(5000);
  const Blowfish cipher = KeyedCipher();
  String decoded;
  for (const Blowfish* coding : {static_cast<const Blowfish*>(nullptr), &cipher}) {
    String stored;
    uint32_t checksum = 0;
    ASSERT_TRUE(EncodeSettingsBlock(plain.bytes(), plain.length(), coding, &stored, &checksum));
    // Truncated: a stream cut short, or a cipher buffer not of whole blocks.
    EXPECT_EQ(DecodeSettingsBlock(stored.bytes(), stored.length() - 1, checksum, coding, &decoded),
              kCorruptSettingsInflate);
    // Scrambled with another word: the zlib header no longer reads.
    if (!coding) {
      EXPECT_EQ(DecodeSettingsBlock(stored.bytes(), stored.length(), checksum ^ 0x00000001, nullptr,
                                    &decoded),
                kCorruptSettingsInflate);
    }
    EXPECT_EQ(DecodeSettingsBlock(stored.bytes(), 0, checksum, coding, &decoded),
              kCorruptSettingsInflate);
    EXPECT_EQ(DecodeSettingsBlock(nullptr, 10, checksum, coding, &decoded),
              kCorruptSettingsInflate);
  }
  // Another key.
  String stored;
  uint32_t checksum = 0;
  ASSERT_TRUE(EncodeSettingsBlock(plain.bytes(), plain.length(), &cipher, &stored, &checksum));
  Blowfish other;
  EXPECT_EQ(DecodeSettingsBlock(stored.bytes(), stored.length(), checksum, &other, &decoded),
            kCorruptSettingsInflate);
  EXPECT_TRUE(decoded.empty());
}

}  // namespace
