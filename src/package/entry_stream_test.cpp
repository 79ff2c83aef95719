// Entry records taken through FileDataDecoder::NextRecord: whole, or with the
// content read piece by piece.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "package/blowfish.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/entry_queue.h"
#include "package/entry_record.h"

namespace {

std::string Pattern(size_t length, uint32_t seed) {
  std::string bytes(length, '\0');
  std::mt19937 random(seed);
  for (char& byte : bytes) byte = static_cast<char>(random() & 0x7F);
  return bytes;
}

String Record(const std::string& name, const std::string& content) {
  EntryRecord record;
  record.name = name.c_str();
  record.version = "1.0";
  record.destination.AssignW(u"");
  record.content = {reinterpret_cast<const uint8_t*>(content.data()), content.size()};
  String bytes;
  EXPECT_TRUE(EncodeEntryRecord(record, &bytes));
  return bytes;
}

// File data of the given contents, one record each, cut into blocks.
String FileDataOf(const std::vector<std::string>& contents, size_t block_size, BlockCoding coding) {
  String data;
  FileDataWriter writer(coding, &data, block_size);
  for (size_t i = 0; i < contents.size(); ++i) {
    String record = Record("f" + std::to_string(i), contents[i]);
    EXPECT_TRUE(writer.AddEntry(record.bytes(), static_cast<size_t>(record.length())));
  }
  EXPECT_TRUE(writer.Finish());
  return data;
}

// Reads the streamed content to its end; notes the largest piece.
int ReadRest(FileDataDecoder* decoder, std::string* out, size_t* largest = nullptr) {
  for (;;) {
    ByteSpan piece;
    const int error = decoder->ReadContent(&piece);
    if (error != kCorruptNone || piece.length == 0) return error;
    if (largest && piece.length > *largest) *largest = piece.length;
    out->append(reinterpret_cast<const char*>(piece.data), piece.length);
  }
}

// Takes every record, streaming contents above stream_above.
int TakeAll(const String& data, BlockCoding coding, const std::vector<std::string>& sizes_of,
            size_t stream_above, std::vector<std::string>* out, size_t* largest_piece = nullptr,
            bool read_ahead = false) {
  FileDataDecoder decoder(StoredData(data.bytes(), data.length()), coding, read_ahead);
  for (const std::string& expected : sizes_of) {
    EntryRecord record;
    int error = decoder.NextRecord(static_cast<int32_t>(expected.size()), stream_above, &record);
    if (error != kCorruptNone) return error;
    std::string content(reinterpret_cast<const char*>(record.content.data), record.content.length);
    if (decoder.streaming() && (error = ReadRest(&decoder, &content, largest_piece)) != kCorruptNone) return error;
    if ((error = decoder.FinishContent()) != kCorruptNone) return error;
    out->push_back(content);
  }
  return decoder.Finish();
}

TEST(EntryStream, StreamedAndWholeRecordsGiveTheSameContents) {
  Blowfish cipher;
  const uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  cipher.SetKey(key, sizeof key);
  const std::vector<std::string> contents = {Pattern(70000, 1), "", Pattern(3, 2), Pattern(200001, 3),
                                             Pattern(4096, 4), Pattern(5, 5)};
  for (size_t block_size : {size_t{9}, size_t{1000}, size_t{4099}, size_t{65536}}) {
    for (BlockCoding coding : {BlockCoding{}, BlockCoding{nullptr, true}, BlockCoding{&cipher, true}}) {
      const String data = FileDataOf(contents, block_size, coding);
      for (size_t stream_above : {size_t{0}, size_t{4096}, size_t{1} << 30}) {
        for (bool read_ahead : {false, true}) {
          // Tiny blocks handed between threads one by one only cost time.
          if (read_ahead && block_size < 1000) continue;
          std::vector<std::string> taken;
          size_t largest = 0;
          ASSERT_EQ(TakeAll(data, coding, contents, stream_above, &taken, &largest, read_ahead), kCorruptNone)
              << block_size << " " << stream_above << " " << read_ahead;
          EXPECT_EQ(taken, contents) << block_size << " " << stream_above << " " << read_ahead;
          // A piece never exceeds one decoded block: memory stays bounded by it.
          EXPECT_LE(largest, block_size) << block_size;
        }
      }
    }
  }
}

class EntryStreamAhead : public testing::TestWithParam<bool> {};

TEST_P(EntryStreamAhead, SkippedAndRewoundContentsStayInStep) {
  const std::vector<std::string> contents = {Pattern(50000, 7), Pattern(30000, 8), "tail"};
  const String data = FileDataOf(contents, 4000, {nullptr, true});
  FileDataDecoder decoder(StoredData(data.bytes(), data.length()), {nullptr, true}, GetParam());
  EntryRecord record;

  // Read part, rewind, read all: the same bytes, and the checksum holds.
  ASSERT_EQ(decoder.NextRecord(50000, 100, &record), kCorruptNone);
  ASSERT_TRUE(decoder.streaming());
  EXPECT_EQ(record.content.length, 0u);
  EXPECT_EQ(std::string(record.name.c_str()), "f0");
  ByteSpan piece;
  ASSERT_EQ(decoder.ReadContent(&piece), kCorruptNone);
  ASSERT_EQ(decoder.ReadContent(&piece), kCorruptNone);
  decoder.RewindContent();
  std::string again;
  ASSERT_EQ(ReadRest(&decoder, &again), kCorruptNone);
  EXPECT_EQ(again, contents[0]);
  decoder.RewindContent();  // a second full pass after a rewind
  again.clear();
  ASSERT_EQ(ReadRest(&decoder, &again), kCorruptNone);
  EXPECT_EQ(again, contents[0]);
  ASSERT_EQ(decoder.FinishContent(), kCorruptNone);
  EXPECT_FALSE(decoder.streaming());

  // Never read: finishing skips it and still checks it.
  ASSERT_EQ(decoder.NextRecord(30000, 100, &record), kCorruptNone);
  ASSERT_TRUE(decoder.streaming());
  ASSERT_EQ(decoder.FinishContent(), kCorruptNone);

  ASSERT_EQ(decoder.NextRecord(4, 100, &record), kCorruptNone);
  EXPECT_FALSE(decoder.streaming());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.content.data), record.content.length), "tail");
  EXPECT_EQ(decoder.Finish(), kCorruptNone);
}

TEST_P(EntryStreamAhead, DamageInAStreamedRecordIsFound) {
  const bool ahead = GetParam();
  const std::string content = Pattern(20000, 9);
  String record = Record("big", content);

  // A content byte changed after the builder's checksum: found at the end.
  String damaged = record;
  damaged.At(record.length() - 100) ^= 1;
  String data;
  FileDataWriter writer({}, &data, 3000);
  ASSERT_TRUE(writer.AddEntry(damaged.bytes(), static_cast<size_t>(damaged.length())));
  ASSERT_TRUE(writer.Finish());
  std::vector<std::string> taken;
  EXPECT_EQ(TakeAll(data, {}, {content}, 0, &taken, nullptr, ahead), kCorruptEntryChecksum);
  // The same record taken whole says the same.
  taken.clear();
  EXPECT_EQ(TakeAll(data, {}, {content}, size_t{1} << 30, &taken, nullptr, ahead), kCorruptEntryChecksum);

  // A header size that disagrees with the record moves where the content
  // would start: the head no longer ends with the fields.
  data.Clear();
  FileDataWriter again({}, &data, 3000);
  ASSERT_TRUE(again.AddEntry(record.bytes(), static_cast<size_t>(record.length())));
  ASSERT_TRUE(again.Finish());
  taken.clear();
  EXPECT_EQ(TakeAll(data, {}, {Pattern(19998, 9)}, 0, &taken, nullptr, ahead), kCorruptEntryChecksum);

  // File data that ends inside the content.
  String cut = data;
  cut.SetLength(cut.length() - 3000);
  taken.clear();
  EXPECT_EQ(TakeAll(cut, {}, {content}, 0, &taken, nullptr, ahead), kCorruptBlockOverrun);

  // A damaged block: the same error with or without read-ahead, and again
  // when asked again.
  String bad = data;
  bad.At(bad.length() - 10) ^= 1;
  FileDataDecoder decoder(StoredData(bad.bytes(), bad.length()), {}, ahead);
  EntryRecord taken_record;
  ASSERT_EQ(decoder.NextRecord(static_cast<int32_t>(content.size()), 0, &taken_record), kCorruptNone);
  std::string read;
  EXPECT_EQ(ReadRest(&decoder, &read), kCorruptBlockChecksum);
  ByteSpan piece;
  EXPECT_EQ(decoder.ReadContent(&piece), kCorruptBlockChecksum);
}

INSTANTIATE_TEST_SUITE_P(ReadAhead, EntryStreamAhead, testing::Bool());

}  // namespace
