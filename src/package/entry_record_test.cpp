#include "package/entry_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "package/checksum.h"
#include "package/corrupt.h"

namespace {

const char kContent[] = "file content bytes";

EntryRecord Sample(uint32_t kind, uint32_t flags) {
  EntryRecord record;
  record.name = "bin\\app.exe";
  record.kind = kind;
  record.flags = flags;
  record.attributes = 0x20;
  const int32_t date[6] = {2024, 5, 17, 13, 45, 59};
  std::memcpy(record.date, date, sizeof date);
  record.version = "1.2.3.4";
  record.shortcut_icon = "app.ico";
  record.shortcut_arguments = "/start";
  record.destination.AssignW(u"renamed.exe");
  record.working_folder = "%InstallDir%";
  record.msi_option = 7;
  record.content = {reinterpret_cast<const uint8_t*>(kContent), sizeof kContent - 1};
  return record;
}

std::string Str(const String& s) { return std::string(s.c_str(), s.length()); }

TEST(EntryRecord, RoundTripsWithAndWithoutOptionalFields) {
  for (uint32_t kind : {0u, kEntryKindMsi}) {
    for (uint32_t flags : {0u, 1u, 2u, 4u}) {
      const EntryRecord in = Sample(kind, flags);
      String bytes;
      ASSERT_TRUE(EncodeEntryRecord(in, &bytes));
      EntryRecord out;
      ASSERT_EQ(DecodeEntryRecord({bytes.bytes(), static_cast<size_t>(bytes.length())},
                                  static_cast<int32_t>(in.content.length), &out),
                kCorruptNone);
      EXPECT_EQ(Str(out.name), "bin\\app.exe");
      EXPECT_EQ(out.kind, kind);
      EXPECT_EQ(out.flags, flags);
      EXPECT_EQ(out.attributes, 0x20u);
      EXPECT_EQ(out.date[0], 2024);
      EXPECT_EQ(out.date[5], 59);
      EXPECT_EQ(Str(out.version), "1.2.3.4");
      EXPECT_EQ(Str(out.shortcut_icon), (flags & 3) ? "app.ico" : "");
      EXPECT_EQ(Str(out.shortcut_arguments), "/start");
      EXPECT_EQ(std::u16string(out.destination.w_str(), out.destination.wlength()), u"renamed.exe");
      EXPECT_EQ(Str(out.working_folder), "%InstallDir%");
      EXPECT_EQ(out.msi_option, kind == kEntryKindMsi ? 7u : 0u);
      ASSERT_EQ(out.content.length, in.content.length);
      EXPECT_EQ(std::memcmp(out.content.data, kContent, out.content.length), 0);
    }
  }
}

// Encodes the sample and hands back its bytes.
String Encoded(const EntryRecord& record) {
  String bytes;
  EXPECT_TRUE(EncodeEntryRecord(record, &bytes));
  return bytes;
}

int Decode(const String& bytes, int32_t content_size) {
  EntryRecord out;
  return DecodeEntryRecord({bytes.bytes(), static_cast<size_t>(bytes.length())}, content_size,
                           &out);
}

TEST(EntryRecord, ErrorNumbers) {
  const EntryRecord sample = Sample(0, 0);
  const int32_t size = static_cast<int32_t>(sample.content.length);
  String bytes = Encoded(sample);

  // 70: an empty name, or no name at all.
  String empty_name = bytes;
  empty_name.Replace(0, 11, "", 0);
  EXPECT_EQ(Decode(empty_name, size), kCorruptEntryName);
  EXPECT_EQ(Decode(String(), size), kCorruptEntryName);
  EXPECT_EQ(Decode(String("no terminator"), size), kCorruptEntryName);
  // 71, 72: the content size handed in from the header list.
  EXPECT_EQ(Decode(bytes, -1), kCorruptEntryNegativeSize);
  EXPECT_EQ(Decode(bytes, kMaxEntryContentSize + 1), kCorruptEntrySizeTooLarge);
  // 100: a changed content byte, a changed checksum, a size that does not fit.
  String changed = bytes;
  changed.At(bytes.length() - 6) ^= 1;
  EXPECT_EQ(Decode(changed, size), kCorruptEntryChecksum);
  changed = bytes;
  changed.At(bytes.length() - 1) ^= 1;
  EXPECT_EQ(Decode(changed, size), kCorruptEntryChecksum);
  EXPECT_EQ(Decode(bytes, size + 1), kCorruptEntryChecksum);
  // Cut anywhere after the name: a field runs past the record.
  for (int32_t cut = 12; cut < bytes.length(); ++cut) {
    EXPECT_EQ(Decode(String(bytes.c_str(), cut), size), kCorruptEntryChecksum) << cut;
  }
}

TEST(EntryRecord, EncoderRefusesWhatWouldNotReadBack) {
  String out;
  EntryRecord record = Sample(0, 0);
  record.name.Clear();
  EXPECT_FALSE(EncodeEntryRecord(record, &out));
  record = Sample(0, 0);
  record.version.Assign("a\0b", 3);
  EXPECT_FALSE(EncodeEntryRecord(record, &out));
  record = Sample(0, 0);
  // Fields beyond the room an entry has besides its content.
  const std::string huge(kMaxEntryOverhead, 'x');
  record.shortcut_arguments.Assign(huge.data(), static_cast<int32_t>(huge.size()));
  EXPECT_FALSE(EncodeEntryRecord(record, &out));
  EXPECT_TRUE(out.empty());
}

TEST(EntryRecord, LengthLimitFollowsTheContentSize) {
  EXPECT_EQ(EntryLengthLimit(0), kMaxEntryOverhead);
  EXPECT_EQ(EntryLengthLimit(1000), 1000 + kMaxEntryOverhead);
  EXPECT_EQ(EntryLengthLimit(-5), kMaxEntryOverhead);
  EXPECT_EQ(EntryLengthLimit(0x7FFFFFFF), kMaxEntryContentSize + kMaxEntryOverhead);
  // A record the encoder accepts always fits its limit.
  String bytes = Encoded(Sample(kEntryKindMsi, 3));
  EXPECT_LE(static_cast<size_t>(bytes.length()), EntryLengthLimit(sizeof kContent - 1));
}

}  // namespace
