#include "records/icon_directory.h"

#include "package/byte_order.h"

namespace {

constexpr uint16_t kIconType = 1;
// The part of an entry that the file and the group resource share.
constexpr int32_t kSharedEntrySize = 12;

IconEntryHeader ReadEntry(const uint8_t* p) {
  IconEntryHeader entry;
  entry.width = p[0];
  entry.height = p[1];
  entry.colour_count = p[2];
  entry.reserved = p[3];
  entry.planes = LoadLe16(p + 4);
  entry.bit_count = LoadLe16(p + 6);
  entry.bytes = LoadLe32(p + 8);
  entry.offset = LoadLe32(p + 12);
  return entry;
}

void WriteSharedPart(const IconEntryHeader& entry, uint8_t* p) {
  p[0] = entry.width;
  p[1] = entry.height;
  p[2] = entry.colour_count;
  p[3] = entry.reserved;
  StoreLe16(p + 4, entry.planes);
  StoreLe16(p + 6, entry.bit_count);
  StoreLe32(p + 8, entry.bytes);
}

}  // namespace

bool ReadIconDirectory(const String& file, Vector<IconEntryHeader>* entries) {
  entries->RemoveAll();
  const uint8_t* data = file.bytes();
  const int64_t size = file.length();
  if (size < kIconDirectorySize || LoadLe16(data) != 0 || LoadLe16(data + 2) != kIconType) return false;
  const int32_t count = LoadLe16(data + 4);
  if (count == 0 || size < kIconDirectorySize + int64_t{count} * kIconFileEntrySize) return false;
  for (int32_t i = 0; i < count; ++i) {
    const IconEntryHeader entry = ReadEntry(data + kIconDirectorySize + i * kIconFileEntrySize);
    if (entry.bytes == 0 || int64_t{entry.offset} + entry.bytes > size) {
      entries->RemoveAll();
      return false;
    }
    entries->Add(entry);
  }
  return true;
}

String IconGroupResource(const Vector<IconEntryHeader>& entries, uint16_t first_id) {
  String group;
  group.SetLength(kIconDirectorySize + entries.Count() * kIconGroupEntrySize);
  uint8_t* p = group.data();
  StoreLe16(p, 0);
  StoreLe16(p + 2, kIconType);
  StoreLe16(p + 4, static_cast<uint16_t>(entries.Count()));
  p += kIconDirectorySize;
  for (int32_t i = 0; i < entries.Count(); ++i, p += kIconGroupEntrySize) {
    WriteSharedPart(entries[i], p);
    StoreLe16(p + kSharedEntrySize, static_cast<uint16_t>(first_id + i));
  }
  return group;
}
