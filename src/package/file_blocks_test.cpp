#include "package/file_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"

namespace {

String Bytes(size_t length, uint8_t seed) {
  String data;
  for (size_t i = 0; i < length; ++i) data.Append(static_cast<char>(seed + i % 7));
  return data;
}

// Frames raw stored bytes as one block, with a given stored length field.
void AppendRawBlock(String* out, int32_t stored_length, const String& stored) {
  uint8_t head[8];
  StoreLe32(head, static_cast<uint32_t>(stored_length));
  StoreLe32(head + 4, PackageChecksum(stored.bytes(), stored.length()));
  out->Append(head, 8);
  out->Append(stored);
}

int ReadAll(const String& data, BlockCoding coding, std::vector<String>* blocks) {
  FileBlockReader reader(StoredData(data.bytes(), data.length()), coding);
  while (!reader.at_end()) {
    String block;
    int error = reader.Next(&block);
    if (error != kCorruptNone) return error;
    blocks->push_back(block);
  }
  return kCorruptNone;
}

TEST(FileBlocks, RoundTripEveryCoding) {
  Blowfish cipher;
  const uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(cipher.SetKey(key, sizeof key));
  const BlockCoding codings[] = {
      {nullptr, false}, {nullptr, true}, {&cipher, false}, {&cipher, true}};
  for (const auto& coding : codings) {
    String data;
    const String first = Bytes(1, 10), second = Bytes(70000, 20);
    ASSERT_TRUE(WriteFileBlock(first.bytes(), first.length(), coding, &data));
    ASSERT_TRUE(WriteFileBlock(second.bytes(), second.length(), coding, &data));
    std::vector<String> blocks;
    ASSERT_EQ(ReadAll(data, coding, &blocks), kCorruptNone);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_TRUE(blocks[0] == first);
    EXPECT_TRUE(blocks[1] == second);
    if (coding.compressed) {
      EXPECT_LT(data.length(), 20000);
    }
  }
}

TEST(FileBlocks, StoredLengthRules) {
  const String stored = Bytes(10, 1);
  std::vector<String> blocks;
  String data;
  // Exactly the bytes left after the head: accepted.
  AppendRawBlock(&data, 10, stored);
  EXPECT_EQ(ReadAll(data, {}, &blocks), kCorruptNone);
  // One byte more than is left.
  data.Clear();
  AppendRawBlock(&data, 11, stored);
  EXPECT_EQ(ReadAll(data, {}, &blocks), kCorruptBlockOverrun);
  // Below 1.
  for (int32_t length : {0, -1, INT32_MIN}) {
    data.Clear();
    AppendRawBlock(&data, length, stored);
    EXPECT_EQ(ReadAll(data, {}, &blocks), kCorruptBlockLength) << length;
  }
  // A head cut short, and no block at all.
  for (int32_t cut : {0, 1, 7}) {
    data.Clear();
    AppendRawBlock(&data, 10, stored);
    FileBlockReader reader(StoredData(data.bytes(), cut), {});
    String block;
    EXPECT_EQ(reader.Next(&block), kCorruptBlockOverrun) << cut;
  }
}

TEST(FileBlocks, ChecksumAndDecodingErrors) {
  String data;
  const String plain = Bytes(300, 5);
  ASSERT_TRUE(WriteFileBlock(plain.bytes(), plain.length(), {nullptr, true}, &data));
  std::vector<String> blocks;
  String damaged = data;
  damaged.At(12) ^= 1;
  EXPECT_EQ(ReadAll(damaged, {nullptr, true}, &blocks), kCorruptBlockChecksum);
  damaged = data;
  damaged.At(4) ^= 1;  // the stored checksum itself
  EXPECT_EQ(ReadAll(damaged, {nullptr, true}, &blocks), kCorruptBlockChecksum);

  // Sound checksums over bytes that do not decode.
  String not_zlib;
  AppendRawBlock(&not_zlib, 300, plain);
  EXPECT_EQ(ReadAll(not_zlib, {nullptr, true}, &blocks), kCorruptBlockDecode);
  Blowfish cipher;
  String not_whole_blocks;
  AppendRawBlock(&not_whole_blocks, 12, Bytes(12, 3));
  EXPECT_EQ(ReadAll(not_whole_blocks, {&cipher, false}, &blocks), kCorruptBlockDecode);
  String other_key;
  ASSERT_TRUE(WriteFileBlock(plain.bytes(), plain.length(), {&cipher, true}, &other_key));
  Blowfish keyed;
  const uint8_t key[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  ASSERT_TRUE(keyed.SetKey(key, sizeof key));
  EXPECT_EQ(ReadAll(other_key, {&keyed, true}, &blocks), kCorruptBlockDecode);
}

TEST(FileBlocks, WholeFileDataChecksum) {
  const String data = Bytes(1001, 9);
  const uint32_t sum = PackageChecksum(data.bytes(), data.length());
  EXPECT_EQ(CheckFileData(StoredData(data.bytes(), data.length()), sum), kCorruptNone);
  EXPECT_EQ(CheckFileData(StoredData(data.bytes(), data.length()), sum + 1), kCorruptFileDataChecksum);
  EXPECT_EQ(CheckFileData(StoredData(), kChecksumSeed), kCorruptNone);
}

TEST(FileBlocks, WriterRefusesEmptyAndOversizedBlocks) {
  String out;
  EXPECT_FALSE(WriteFileBlock(nullptr, 0, {}, &out));
  EXPECT_TRUE(out.empty());
  String big;
  big.SetLength(static_cast<int32_t>(kMaxDecodedBlockSize + 1));
  EXPECT_FALSE(WriteFileBlock(big.bytes(), big.length(), {}, &out));
}

}  // namespace
