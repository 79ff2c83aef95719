// Fuzz-style checks without a fuzzer: valid encodings are damaged at random
// and decoded again. Whatever the damage, decoding must end with one of the
// documented results; the sanitizer build turns any stray read into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/entry_queue.h"
#include "package/entry_record.h"
#include "package/reader.h"
#include "package/settings_block.h"
#include "package/writer.h"

namespace {

// A settings-like record: every string form and some fixed-width values.
String SampleSettings() {
  String out;
  PackageWriter writer(&out);
  writer.WriteU64(0x0000000100000020);
  writer.WriteU8(1);
  for (int i = 0; i < 40; ++i) {
    std::string text = "Field " + std::to_string(i) + std::string(i * 7, 'x');
    writer.WritePacked(text.data(), text.size());
    writer.WriteZeroTerminated(text.data(), text.size());
    writer.WriteLongLength(text.data(), text.size());
    writer.WriteWordLength(text.data(), text.size());
    writer.WriteZeroTerminatedWide(u"wide text", 9);
    writer.WriteF64(i * 1.5);
  }
  writer.WriteU32(0xD3E82B97);
  return out;
}

// Damages a copy: flips, overwrites, cuts or inserts bytes.
String Mutate(const String& original, std::mt19937* random) {
  String data = original;
  const int changes = 1 + static_cast<int>((*random)() % 4);
  for (int i = 0; i < changes && data.length() > 0; ++i) {
    const int32_t at = static_cast<int32_t>((*random)() % data.length());
    switch ((*random)() % 5) {
      case 0:
        data.At(at) ^= static_cast<uint8_t>(1u << ((*random)() % 8));
        break;
      case 1:
        data.At(at) = static_cast<uint8_t>((*random)());
        break;
      case 2:
        data.SetLength(at);
        break;
      case 3:
        data.Insert(at, "\xFF", 1);
        break;
      default:
        data.Delete(at, 1 + static_cast<int32_t>((*random)() % 16));
        break;
    }
  }
  return data;
}

// Reads a stream with a random sequence of primitives until it is spent.
void ReadAtRandom(const String& data, std::mt19937* random) {
  SettingsStream stream(data.bytes(), data.length());
  String text;
  uint64_t value = 0;
  double real = 0;
  for (int reads = 0; !stream.at_end() && reads < 10000; ++reads) {
    switch ((*random)() % 7) {
      case 0:
        stream.ReadPacked(&text);
        break;
      case 1:
        stream.ReadByteLength(&text);
        break;
      case 2:
        stream.ReadWordLength(&text);
        break;
      case 3:
        stream.ReadLongLength(&text);
        break;
      case 4:
        stream.ReadZeroTerminated(&text);
        break;
      case 5:
        stream.ReadZeroTerminatedWide(&text);
        break;
      default:
        stream.ReadU64(&value);
        stream.ReadF64(&real);
        break;
    }
    ASSERT_LE(text.length(), data.length());
  }
}

TEST(CodecFuzz, DamagedSettingsBlocksEndInADocumentedResult) {
  Blowfish cipher;
  const uint8_t key[8] = {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3, 4};
  ASSERT_TRUE(cipher.SetKey(key, sizeof key));
  const String plain = SampleSettings();
  std::mt19937 random(2024);
  const Blowfish* keyed = &cipher;
  for (const Blowfish* coding : {static_cast<const Blowfish*>(nullptr), keyed}) {
    String stored;
    uint32_t checksum = 0;
    ASSERT_TRUE(EncodeSettingsBlock(plain.bytes(), plain.length(), coding, &stored, &checksum));
    for (int i = 0; i < 1500; ++i) {
      const String damaged = Mutate(stored, &random);
      String decoded;
      const int result =
          DecodeSettingsBlock(damaged.bytes(), damaged.length(), checksum, coding, &decoded);
      ASSERT_TRUE(result == kCorruptNone || result == kCorruptSettingsChecksum ||
                  result == kCorruptSettingsInflate)
          << result;
      if (result == kCorruptNone) {
        EXPECT_EQ(PackageChecksum(decoded.bytes(), decoded.length()), checksum);
      }
    }
  }
}

TEST(CodecFuzz, DamagedSettingsRecordsReadSafely) {
  const String plain = SampleSettings();
  std::mt19937 random(99);
  for (int i = 0; i < 1500; ++i) ReadAtRandom(Mutate(plain, &random), &random);
  // Pure noise too.
  for (int i = 0; i < 200; ++i) {
    String noise;
    noise.SetLength(1 + static_cast<int32_t>(random() % 300));
    for (int32_t k = 0; k < noise.length(); ++k) noise.At(k) = static_cast<uint8_t>(random());
    ReadAtRandom(noise, &random);
  }
}

// Frames a damaged entry stream into blocks of random sizes with sound
// checksums, so that the damage reaches the entry queue and the records.
String Reframe(const String& stream, BlockCoding coding, std::mt19937* random) {
  String data;
  for (int32_t at = 0; at < stream.length();) {
    const int32_t piece = std::min<int32_t>(stream.length() - at, 1 + (*random)() % 600);
    EXPECT_TRUE(WriteFileBlock(stream.bytes() + at, piece, coding, &data));
    at += piece;
  }
  return data;
}

int DecodeEntries(const String& data, BlockCoding coding, int count) {
  FileDataDecoder decoder(StoredData(data.bytes(), data.length()), coding);
  for (int entry = 0; entry < count; ++entry) {
    ByteSpan bytes;
    int result = decoder.NextEntry(EntryLengthLimit(300), &bytes);
    EntryRecord record;
    if (result == kCorruptNone) result = DecodeEntryRecord(bytes, 300, &record);
    if (result != kCorruptNone) return result;
  }
  return decoder.Finish();
}

TEST(CodecFuzz, DamagedFileDataEndsInADocumentedResult) {
  Blowfish cipher;
  const std::set<int> allowed = {
      kCorruptNone,          kCorruptBlockDecode,  kCorruptBlockLength,
      kCorruptBlockChecksum, kCorruptBlockOverrun, kCorruptEntryName,
      kCorruptEntryChecksum, kCorruptFileDataLeft, kCorruptEntryDataLeft};
  std::mt19937 random(7);
  const std::string content(300, 'c');
  // The entry stream: length-prefixed records, as the blocks carry it.
  String stream;
  for (int i = 0; i < 6; ++i) {
    EntryRecord record;
    record.name = "file.txt";
    record.content = {reinterpret_cast<const uint8_t*>(content.data()), content.size()};
    String bytes;
    ASSERT_TRUE(EncodeEntryRecord(record, &bytes));
    PackageWriter(&stream).WriteS32(bytes.length());
    stream.Append(bytes);
  }
  for (BlockCoding coding :
       {BlockCoding{}, BlockCoding{nullptr, true}, BlockCoding{&cipher, true}}) {
    ASSERT_EQ(DecodeEntries(Reframe(stream, coding, &random), coding, 6), kCorruptNone);
    for (int i = 0; i < 500; ++i) {
      // Half the time the stored bytes, half the time the entries beneath
      // sound blocks.
      const String damaged = i % 2 ? Mutate(Reframe(stream, coding, &random), &random)
                                   : Reframe(Mutate(stream, &random), coding, &random);
      const int result = DecodeEntries(damaged, coding, 6);
      ASSERT_TRUE(allowed.count(result)) << result;
    }
  }
}

}  // namespace
