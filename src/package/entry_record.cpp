#include "package/entry_record.h"

#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/writer.h"

namespace {

bool ReadNarrow(PackageReader* reader, String* text) {
  ByteSpan span;
  if (!reader->ReadNarrowText(&span)) return false;
  text->Assign(span.data, static_cast<int32_t>(span.length));
  return true;
}

bool ReadWide(PackageReader* reader, String* text) {
  ByteSpan span;
  if (!reader->ReadWideText(&span)) return false;
  text->Assign(span.data, static_cast<int32_t>(span.length));
  return true;
}

// The fields between the kind and the content, as stored.
bool ReadMiddleFields(PackageReader* reader, EntryRecord* record) {
  if (!reader->ReadU32(&record->kind) || !reader->ReadU32(&record->flags) ||
      !reader->ReadU32(&record->attributes)) {
    return false;
  }
  for (int32_t& part : record->date) {
    if (!reader->ReadS32(&part)) return false;
  }
  if (!ReadNarrow(reader, &record->version)) return false;
  if ((record->flags & kEntryFlagsShortcutIcon) && !ReadNarrow(reader, &record->shortcut_icon)) {
    return false;
  }
  if (!ReadNarrow(reader, &record->shortcut_arguments) || !ReadWide(reader, &record->destination) ||
      !ReadNarrow(reader, &record->working_folder)) {
    return false;
  }
  return record->kind != kEntryKindMsi || reader->ReadU32(&record->msi_option);
}

bool WriteText(PackageWriter* writer, const String& text) {
  return writer->WriteZeroTerminated(text.bytes(), static_cast<size_t>(text.length()));
}

}  // namespace

size_t EntryLengthLimit(int32_t content_size) {
  if (content_size < 0) content_size = 0;
  if (content_size > kMaxEntryContentSize) content_size = kMaxEntryContentSize;
  return static_cast<size_t>(content_size) + kMaxEntryOverhead;
}

namespace {

// The fields before the content, and the checks of the content size.
int DecodeFields(PackageReader* reader, int32_t content_size, EntryRecord* record) {
  *record = EntryRecord();
  if (!ReadNarrow(reader, &record->name) || record->name.empty()) return kCorruptEntryName;
  if (!ReadMiddleFields(reader, record)) return kCorruptEntryChecksum;
  if (content_size < 0) return kCorruptEntryNegativeSize;
  if (content_size > kMaxEntryContentSize) return kCorruptEntrySizeTooLarge;
  return kCorruptNone;
}

}  // namespace

int DecodeEntryRecord(ByteSpan entry, int32_t content_size, EntryRecord* record) {
  PackageReader reader(entry.data, entry.length);
  const int fields = DecodeFields(&reader, content_size, record);
  if (fields != kCorruptNone) return fields;
  uint32_t checksum;
  if (!reader.ReadBytes(static_cast<size_t>(content_size), &record->content) ||
      !reader.ReadU32(&checksum) ||
      PackageChecksum(record->content.data, record->content.length) != checksum) {
    return kCorruptEntryChecksum;
  }
  return kCorruptNone;
}

int DecodeEntryHead(ByteSpan head, int32_t content_size, EntryRecord* record) {
  PackageReader reader(head.data, head.length);
  const int fields = DecodeFields(&reader, content_size, record);
  if (fields != kCorruptNone) return fields;
  // Bytes between the fields and the content would shift the content.
  return reader.remaining() == 0 ? kCorruptNone : kCorruptEntryChecksum;
}

bool EncodeEntryFields(const EntryRecord& record, String* out) {
  if (record.name.empty() || record.destination.length() % 2 != 0) return false;
  // The fields go to a scratch buffer first, so that nothing is written when
  // they break a rule.
  String bytes;
  PackageWriter writer(&bytes);
  if (!WriteText(&writer, record.name)) return false;
  writer.WriteU32(record.kind);
  writer.WriteU32(record.flags);
  writer.WriteU32(record.attributes);
  for (int32_t part : record.date) writer.WriteS32(part);
  if (!WriteText(&writer, record.version)) return false;
  if ((record.flags & kEntryFlagsShortcutIcon) && !WriteText(&writer, record.shortcut_icon)) {
    return false;
  }
  if (!WriteText(&writer, record.shortcut_arguments) ||
      !writer.WriteZeroTerminatedWide(record.destination.w_str(),
                                      static_cast<size_t>(record.destination.wlength())) ||
      !WriteText(&writer, record.working_folder)) {
    return false;
  }
  if (record.kind == kEntryKindMsi) writer.WriteU32(record.msi_option);
  if (static_cast<size_t>(bytes.length()) > kMaxEntryOverhead - 4) return false;
  out->Append(bytes);
  return true;
}

bool EncodeEntryRecord(const EntryRecord& record, String* out) {
  if (record.content.length > static_cast<size_t>(kMaxEntryContentSize) || !EncodeEntryFields(record, out)) {
    return false;
  }
  PackageWriter content(out);
  content.WriteBytes(record.content.data, record.content.length);
  content.WriteU32(PackageChecksum(record.content.data, record.content.length));
  return true;
}
