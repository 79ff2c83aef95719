// The entry record: one packaged file as the file-data stream carries it.
// This fixes the order and encoding of the fields; what they mean belongs to
// the file installation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.h"
#include "package/reader.h"

inline constexpr uint32_t kEntryKindMsi = 11;             // carries the MSI option
inline constexpr uint32_t kEntryFlagsShortcutIcon = 0x3;  // either bit: icon text present
inline constexpr int32_t kMaxEntryContentSize = 0x40000000;
// Room for every field but the content. Paths, version and shortcut texts
// stay far below it; the bound keeps a damaged entry length from making the
// installer gather unbounded data.
inline constexpr size_t kMaxEntryOverhead = 0x100000;

struct EntryRecord {
  String name;        // narrow: relative file name, never empty
  uint32_t kind = 0;  // destination kind
  uint32_t flags = 0;
  uint32_t attributes = 0;    // file attributes
  int32_t date[6] = {};       // year, month, day, hour, minute, second
  String version;             // narrow, UTF-8
  String shortcut_icon;       // narrow; only when flags & kEntryFlagsShortcutIcon
  String shortcut_arguments;  // narrow, code page 1252
  String destination;         // UTF-16LE; without a backslash a new file name
  String working_folder;      // narrow
  uint32_t msi_option = 0;    // only for kind kEntryKindMsi
  ByteSpan content;           // views the entry's own bytes

  // Two fields mean something else for some kinds; these names say what.
  // `version` holds the display name of a font, of a control-panel applet
  // and of a file's shortcuts (UTF-8); `working_folder` holds an applet's
  // class id ("{...}").
  const String& display_name() const { return version; }
  String& display_name() { return version; }
  const String& applet_class_id() const { return working_folder; }
  String& applet_class_id() { return working_folder; }
};

// The longest entry record that an entry of this content size may have.
size_t EntryLengthLimit(int32_t content_size);

// Decodes an entry record whose content is content_size bytes (the header's
// size for this entry). Returns kCorruptNone, kCorruptEntryName (name empty
// or missing), kCorruptEntryNegativeSize, kCorruptEntrySizeTooLarge or
// kCorruptEntryChecksum (content checksum mismatch, or any field running
// past the record's end, which leaves the content unverifiable).
// record->content views the entry bytes.
int DecodeEntryRecord(ByteSpan entry, int32_t content_size, EntryRecord* record);

// Decodes the head of a record whose content is read piece by piece: the
// fields before the content, which must end where the head does (else
// kCorruptEntryChecksum). Otherwise the results of DecodeEntryRecord;
// record->content stays empty.
int DecodeEntryHead(ByteSpan head, int32_t content_size, EntryRecord* record);

// The builder's side: appends the record (with the checksum of its content)
// to *out. Fails when a text holds a zero byte or unit (it would end early)
// or the name is empty, the content too large.
bool EncodeEntryRecord(const EntryRecord& record, String* out);
// The same up to the content, for a builder that streams the content and
// its checksum after it; record.content is not looked at.
bool EncodeEntryFields(const EntryRecord& record, String* out);
