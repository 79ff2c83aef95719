// Reads an installer back the way setup.exe does, through the locator and
// the decoders, for the builder's tests.
#pragma once

#include <string>
#include <vector>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/corrupt.h"
#include "package/entry_queue.h"
#include "package/entry_record.h"
#include "package/program_copy.h"
#include "package/settings_block.h"
#include "package/settings_reader.h"

// Everything the installer learns from its own file.
struct Unpacked {
  PackageSection section;
  PackageHeader header;
  ProductSettings settings;
  LanguageTable languages;
  std::vector<EntryRecord> entries;
  std::vector<std::string> contents;
  int corrupt = kCorruptNone;  // the first check that failed
};

inline Unpacked Unpack(const String& installer) {
  Unpacked u;
  ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
  ProgramFile file = MemoryProgramFile(&image);
  LocateResult located = LocatePackageSection(file);
  if (located.outcome != LocateOutcome::kFound) {
    u.corrupt = located.outcome == LocateOutcome::kCorrupt ? located.corrupt_code : -1;
    return u;
  }
  u.section = located.section;
  ByteSpan section = SectionBytesInImage(image, u.section);
  HeaderResult header = ReadPackageHeader(section);
  if (header.outcome != HeaderOutcome::kOk) {
    u.corrupt = header.outcome == HeaderOutcome::kCorrupt ? header.corrupt_code : -2;
    return u;
  }
  u.header = header.header;
  Blowfish blowfish;
  const Blowfish* cipher = nullptr;
  if (u.header.enciphered()) {
    blowfish.SetKey(u.header.cipher_key, kPackageCipherKeyLength);
    cipher = &blowfish;
  }
  String plain;
  u.corrupt = DecodeSettingsBlock(u.header.settings_block.data, u.header.settings_block.length,
                                  u.header.settings_checksum, cipher, &plain);
  if (u.corrupt != kCorruptNone) return u;
  u.settings.ProductFlags2 = u.header.flags2;
  u.corrupt = ReadSettings(plain.bytes(), static_cast<size_t>(plain.length()), SettingsReadOptions(), &u.settings,
                           &u.languages);
  if (u.corrupt != kCorruptNone) return u;

  ProgramCopyRequest request;
  request.verify_checksum = u.settings.Flag(product_flag::kCheckProgramChecksum);
  request.keep_stripped = u.settings.Flag2(product_flag2::kStrippedCopy);
  request.file_data_after_section = u.settings.FileDataOutside != 0;
  ProgramCopy copy;
  u.corrupt = PrepareProgramCopy(file, u.section, u.header, request, &copy);
  if (u.corrupt != kCorruptNone) return u;

  FileData data;
  if (LocateFileData(file, u.section, section, u.header, request.file_data_after_section, &data) !=
      FileDataOutcome::kOk) {
    u.corrupt = kCorruptFileDataPlace;
    return u;
  }
  u.corrupt = CheckFileData(data.stored, u.header.file_data_checksum);
  if (u.corrupt != kCorruptNone) return u;
  FileDataDecoder decoder(data.stored, BlockCoding{cipher, u.settings.Flag(product_flag::kCompressedBlocks)});
  // Contents above a few KiB come piece by piece, as the installer takes
  // large files; smaller ones whole.
  constexpr size_t kStreamAbove = 4096;
  for (int32_t i = 0; i < u.header.entry_count; ++i) {
    EntryRecord entry;
    u.corrupt = decoder.NextRecord(u.header.content_size(i), kStreamAbove, &entry);
    if (u.corrupt != kCorruptNone) return u;
    std::string content(reinterpret_cast<const char*>(entry.content.data), entry.content.length);
    for (ByteSpan piece; decoder.streaming();) {
      u.corrupt = decoder.ReadContent(&piece);
      if (u.corrupt != kCorruptNone) return u;
      if (piece.length == 0) break;
      content.append(reinterpret_cast<const char*>(piece.data), piece.length);
    }
    u.corrupt = decoder.FinishContent();
    if (u.corrupt != kCorruptNone) return u;
    u.contents.push_back(std::move(content));
    entry.content = {};
    u.entries.push_back(entry);
  }
  u.corrupt = decoder.Finish();
  return u;
}

