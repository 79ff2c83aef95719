#include "package/entry_queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"

namespace {

std::string Entry(size_t length, char fill) { return std::string(length, fill); }

// Plain (uncoded) file data made of the given decoded blocks.
String RawBlocks(const std::vector<std::string>& blocks) {
  String data;
  for (const auto& block : blocks) {
    EXPECT_TRUE(
        WriteFileBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size(), {}, &data));
  }
  return data;
}

std::string Prefixed(const std::string& entry) {
  uint8_t prefix[4];
  StoreLe32(prefix, static_cast<uint32_t>(entry.size()));
  return std::string(reinterpret_cast<const char*>(prefix), 4) + entry;
}

std::string LengthPrefix(int32_t length) {
  uint8_t prefix[4];
  StoreLe32(prefix, static_cast<uint32_t>(length));
  return std::string(reinterpret_cast<const char*>(prefix), 4);
}

// Decodes every entry; returns the first error or kCorruptNone after Finish.
int DecodeAll(const String& data, BlockCoding coding, size_t count, std::vector<std::string>* out) {
  FileDataDecoder decoder(StoredData(data.bytes(), data.length()), coding);
  for (size_t i = 0; i < count; ++i) {
    ByteSpan entry;
    int error = decoder.NextEntry(1 << 20, &entry);
    if (error != kCorruptNone) return error;
    out->emplace_back(reinterpret_cast<const char*>(entry.data), entry.length);
  }
  return decoder.Finish();
}

TEST(EntryQueue, EntriesSpanBlocksButLengthsNeverDo) {
  // One entry over three blocks, then two entries sharing a block.
  const std::string big = Entry(25, 'b');
  const std::string whole = Prefixed(big) + Prefixed("xy") + Prefixed("");
  String data = RawBlocks({whole.substr(0, 10), whole.substr(10, 10), whole.substr(20)});
  std::vector<std::string> entries;
  ASSERT_EQ(DecodeAll(data, {}, 3, &entries), kCorruptNone);
  EXPECT_EQ(entries, (std::vector<std::string>{big, "xy", ""}));
}

TEST(EntryQueue, ALengthThatWouldStraddleBlocksIsStuck) {
  // The second entry's length is split 2 + 2 over two blocks.
  const std::string whole = Prefixed("abc") + Prefixed("def");
  String data = RawBlocks({whole.substr(0, 9), whole.substr(9)});
  std::vector<std::string> entries;
  EXPECT_EQ(DecodeAll(data, {}, 2, &entries), kCorruptBlockOverrun);
  EXPECT_EQ(entries.size(), 1u);
}

TEST(EntryQueue, ImpossibleLengthsAreCaughtWithoutReadingOn) {
  std::vector<std::string> entries;
  // Negative, and beyond the limit given for the entry.
  EXPECT_EQ(DecodeAll(RawBlocks({LengthPrefix(-1) + "abcd", "more"}), {}, 1, &entries),
            kCorruptBlockOverrun);
  EXPECT_EQ(DecodeAll(RawBlocks({LengthPrefix((1 << 20) + 1), "more"}), {}, 1, &entries),
            kCorruptBlockOverrun);
  // Wanting more bytes than all the blocks hold: the file data runs out.
  EXPECT_EQ(DecodeAll(RawBlocks({LengthPrefix(100) + "abcd", "more"}), {}, 1, &entries),
            kCorruptBlockOverrun);
  // No file data at all.
  EXPECT_EQ(DecodeAll(String(), {}, 1, &entries), kCorruptBlockOverrun);
}

TEST(EntryQueue, NothingMayBeLeftAfterTheLastEntry) {
  std::vector<std::string> entries;
  // A whole block left over.
  EXPECT_EQ(DecodeAll(RawBlocks({Prefixed("a"), Prefixed("b")}), {}, 1, &entries),
            kCorruptFileDataLeft);
  // Decoded bytes left in the last block.
  EXPECT_EQ(DecodeAll(RawBlocks({Prefixed("a") + "zz"}), {}, 1, &entries), kCorruptEntryDataLeft);
  // Nothing at all: no entries, no data.
  EXPECT_EQ(DecodeAll(String(), {}, 0, &entries), kCorruptNone);
}

TEST(EntryQueue, BlockErrorsPassThrough) {
  String data = RawBlocks({Prefixed("abc")});
  data.At(10) ^= 1;
  std::vector<std::string> entries;
  EXPECT_EQ(DecodeAll(data, {}, 1, &entries), kCorruptBlockChecksum);
}

// Walks the raw (uncoded) blocks that a writer made and checks that every
// length prefix lies whole inside one block.
void ExpectNoStraddling(const String& data, const std::vector<size_t>& entry_lengths) {
  std::vector<std::pair<size_t, size_t>> blocks;  // decoded start, end
  std::string decoded;
  FileBlockReader reader(StoredData(data.bytes(), data.length()), {});
  while (!reader.at_end()) {
    String block;
    ASSERT_EQ(reader.Next(&block), kCorruptNone);
    blocks.emplace_back(decoded.size(), decoded.size() + block.length());
    decoded.append(block.c_str(), block.length());
  }
  size_t at = 0;
  for (size_t length : entry_lengths) {
    bool inside = false;
    for (auto [start, end] : blocks) inside |= start <= at && at + 4 <= end;
    ASSERT_TRUE(inside) << "prefix at " << at;
    ASSERT_EQ(LoadLe32(reinterpret_cast<const uint8_t*>(decoded.data()) + at), length);
    at += 4 + length;
  }
  EXPECT_EQ(at, decoded.size());
}

TEST(FileDataWriter, NeverSplitsALengthAndRoundTrips) {
  Blowfish cipher;
  std::mt19937 random(11);
  for (size_t block_size : {1, 4, 5, 7, 16, 33, 1000}) {
    std::vector<size_t> lengths;
    for (int i = 0; i < 60; ++i) lengths.push_back(random() % 40);
    for (BlockCoding coding : {BlockCoding{}, BlockCoding{&cipher, true}}) {
      String data;
      FileDataWriter writer(coding, &data, block_size);
      std::vector<std::string> written;
      for (size_t i = 0; i < lengths.size(); ++i) {
        written.push_back(Entry(lengths[i], static_cast<char>('a' + i % 26)));
        ASSERT_TRUE(writer.AddEntry(reinterpret_cast<const uint8_t*>(written.back().data()),
                                    written.back().size()));
      }
      ASSERT_TRUE(writer.Finish());
      EXPECT_EQ(writer.stored_length(), static_cast<uint64_t>(data.length()));
      EXPECT_EQ(writer.checksum(), PackageChecksum(data.bytes(), data.length()));
      if (!coding.cipher) ExpectNoStraddling(data, lengths);
      std::vector<std::string> read;
      ASSERT_EQ(DecodeAll(data, coding, written.size(), &read), kCorruptNone) << block_size;
      EXPECT_EQ(read, written);
    }
  }
}

TEST(FileDataWriter, LargeEntriesGatherAcrossManyBlocks) {
  std::string big(5 << 20, 0);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 2654435761u >> 24);
  String data;
  FileDataWriter writer({nullptr, true}, &data, 64 << 10);
  ASSERT_TRUE(writer.AddEntry(reinterpret_cast<const uint8_t*>(big.data()), big.size()));
  ASSERT_TRUE(writer.AddEntry(reinterpret_cast<const uint8_t*>("tail"), 4));
  ASSERT_TRUE(writer.Finish());
  FileDataDecoder decoder(StoredData(data.bytes(), data.length()), {nullptr, true});
  ByteSpan entry;
  ASSERT_EQ(decoder.NextEntry(big.size(), &entry), kCorruptNone);
  ASSERT_EQ(entry.length, big.size());
  EXPECT_EQ(std::memcmp(entry.data, big.data(), big.size()), 0);
  // The limit given for an entry is a hard one.
  FileDataDecoder strict(StoredData(data.bytes(), data.length()), {nullptr, true});
  EXPECT_EQ(strict.NextEntry(big.size() - 1, &entry), kCorruptBlockOverrun);
  ASSERT_EQ(decoder.NextEntry(4, &entry), kCorruptNone);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.data), entry.length), "tail");
  EXPECT_EQ(decoder.Finish(), kCorruptNone);
}

TEST(FileDataWriter, DrainingTheOutputKeepsTheChecksum) {
  String all, out;
  FileDataWriter writer({nullptr, true}, &out, 64);
  const std::string entry = Entry(500, 'q');
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(writer.AddEntry(reinterpret_cast<const uint8_t*>(entry.data()), entry.size()));
    all.Append(out);
    out.Clear();
  }
  ASSERT_TRUE(writer.Finish());
  all.Append(out);
  EXPECT_EQ(writer.checksum(), PackageChecksum(all.bytes(), all.length()));
  EXPECT_EQ(writer.stored_length(), static_cast<uint64_t>(all.length()));
}

}  // namespace
