#include "package/locator.h"

#include <cstring>

#include "core/fatal.h"
#include "core/file.h"
#include "package/byte_order.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"

namespace {

bool ReadLe16At(const ProgramFile& file, uint64_t offset, uint16_t* value) {
  uint8_t raw[2];
  if (!file.ReadAt(offset, raw, sizeof raw)) return false;
  *value = LoadLe16(raw);
  return true;
}

LocateResult Corrupt(int code) {
  LocateResult result;
  result.outcome = LocateOutcome::kCorrupt;
  result.corrupt_code = code;
  return result;
}

// The 8 name bytes as a zero-terminated text: ".setup" followed by zeros
// matches, ".setupX" does not.
bool IsPackageSectionName(const uint8_t* name) {
  char text[9];
  std::memcpy(text, name, 8);
  text[8] = '\0';
  return std::strcmp(text, kPackageSectionName) == 0;
}

PackageSection SectionFromEntry(const uint8_t* entry) {
  PackageSection section;
  section.virtual_size = LoadLe32(entry + 8);
  section.virtual_address = LoadLe32(entry + 12);
  section.raw_size = LoadLe32(entry + 16);
  section.raw_pointer = LoadLe32(entry + 20);
  return section;
}

void ReadSecurityEntry(const ProgramFile& file, uint16_t optional_size, PackageSection* section) {
  uint8_t entry[kPeSecurityEntrySize];
  if (optional_size < kMinOptionalHeaderWithSecurity ||
      !file.ReadAt(uint64_t{section->pe_offset} + kPeSecurityEntryOffset, entry, sizeof entry)) {
    return;
  }
  section->certificate_offset = LoadLe32(entry);
  section->certificate_size = LoadLe32(entry + 4);
}

HeaderResult HeaderCorrupt(int code) {
  HeaderResult result;
  result.outcome = HeaderOutcome::kCorrupt;
  result.corrupt_code = code;
  return result;
}

// Checks the content sizes: each 0 to 0x40000000.
bool ContentSizesValid(const ByteSpan& sizes) {
  for (size_t i = 0; i + 4 <= sizes.length; i += 4) {
    int32_t size = static_cast<int32_t>(LoadLe32(sizes.data + i));
    if (size < 0 || size > kMaxEntryContentSize) return false;
  }
  return true;
}

void AppendAsciiW(String* text, const char* ascii) {
  while (*ascii) text->AppendW(static_cast<char16_t>(*ascii++));
}

// The installer version found in the package is 8-bit text of unknown origin;
// each byte is shown as the character of the same number.
void AppendBytesW(String* text, const ByteSpan& bytes) {
  for (size_t i = 0; i < bytes.length; ++i) text->AppendW(static_cast<char16_t>(bytes.data[i]));
}

}  // namespace

LocateResult LocatePackageSection(const ProgramFile& file) {
  uint16_t pe_offset = 0;
  if (!ReadLe16At(file, kDosPeOffsetField, &pe_offset) || pe_offset < kMinPeOffset ||
      pe_offset > kMaxPeOffset) {
    return Corrupt(kCorruptPeOffset);
  }
  uint16_t count = 0;
  if (!ReadLe16At(file, pe_offset + kPeSectionCountOffset, &count) || count < kMinSectionCount ||
      count > kMaxSectionCount) {
    return Corrupt(kCorruptSectionCount);
  }
  uint16_t optional_size = 0;
  if (!ReadLe16At(file, pe_offset + kPeOptionalHeaderSizeOffset, &optional_size)) {
    return Corrupt(kCorruptSectionCount);
  }
  uint32_t table = pe_offset + kPeOptionalHeaderOffset + optional_size;
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t entry[kSectionEntrySize];
    // A table that runs off the end of the file cannot hold the sections it
    // claims: the count is wrong.
    if (!file.ReadAt(table + uint64_t{i} * kSectionEntrySize, entry, sizeof entry)) {
      return Corrupt(kCorruptSectionCount);
    }
    if (!IsPackageSectionName(entry)) continue;
    LocateResult result;
    result.section = SectionFromEntry(entry);
    result.section.pe_offset = pe_offset;
    result.section.table_offset = table;
    result.section.section_count = count;
    result.section.index = i;
    ReadSecurityEntry(file, optional_size, &result.section);
    if (result.section.raw_pointer == 0) return Corrupt(kCorruptNoRawData);
    if (result.section.raw_pointer > file.size) return Corrupt(kCorruptSeekRawData);
    result.outcome = LocateOutcome::kFound;
    return result;
  }
  return LocateResult{};
}

ByteSpan SectionBytesInImage(const ByteSpan& image, const PackageSection& section) {
  if (image.data == nullptr || section.raw_pointer >= image.length) return {};
  size_t available = image.length - section.raw_pointer;
  size_t length = section.mapped_size();
  if (length > section.raw_size) length = section.raw_size;
  if (length > available) length = available;
  return {image.data + section.raw_pointer, length};
}

int32_t PackageHeader::content_size(int32_t i) const {
  if (i < 0 || static_cast<size_t>(i) * 4 + 4 > content_sizes.length) return 0;
  return static_cast<int32_t>(LoadLe32(content_sizes.data + static_cast<size_t>(i) * 4));
}

int64_t PackageHeader::total_content_size() const {
  int64_t total = 0;
  for (int32_t i = 0; i < entry_count; ++i) total += content_size(i);
  return total;
}

HeaderResult ReadPackageHeader(const ByteSpan& section) {
  PackageReader reader(section.data, section.length);
  HeaderResult result;
  PackageHeader& h = result.header;

  uint32_t magic = 0;
  if (!reader.ReadU32(&magic) || magic != kPackageMagic) return HeaderCorrupt(kCorruptMagic);
  if (!reader.ReadNarrowText(&h.version)) return HeaderCorrupt(kCorruptMagic);
  if (h.version.length != sizeof kInstallerVersion - 1 ||
      std::memcmp(h.version.data, kInstallerVersion, h.version.length) != 0) {
    result.outcome = HeaderOutcome::kVersionMismatch;
    return result;
  }
  if (!reader.ReadU32(&h.flags2)) return HeaderCorrupt(kCorruptSettingsSize);
  if (!reader.ReadS32(&h.settings_stored_size) || h.settings_stored_size < 1 ||
      h.settings_stored_size > kMaxSettingsStoredSize) {
    return HeaderCorrupt(kCorruptSettingsSize);
  }
  if (!reader.ReadU32(&h.settings_checksum) || !reader.ReadU32(&h.program_checksum) ||
      !reader.ReadS32(&h.package_end) || h.package_end < 0) {
    return HeaderCorrupt(kCorruptPackageEnd);
  }
  if (!reader.ReadS32(&h.entry_count) || h.entry_count < 0) {
    return HeaderCorrupt(kCorruptEntryCount);
  }
  if (!reader.ReadS32(&h.file_data_length) || h.file_data_length < 0 ||
      !reader.ReadU32(&h.file_data_checksum)) {
    return HeaderCorrupt(kCorruptFileDataLength);
  }
  // The count is held against what is left before it is multiplied: on a
  // 32-bit system a huge count's byte length would wrap round to a small one.
  if (static_cast<size_t>(h.entry_count) > reader.remaining() / 4 ||
      !reader.ReadBytes(static_cast<size_t>(h.entry_count) * 4, &h.content_sizes) ||
      !ContentSizesValid(h.content_sizes)) {
    return HeaderCorrupt(kCorruptHeaderContentSize);
  }
  if (h.enciphered()) {
    ByteSpan key;
    if (!reader.ReadBytes(kPackageCipherKeyLength, &key)) {
      return HeaderCorrupt(kCorruptSettingsSize);
    }
    std::memcpy(h.cipher_key, key.data, kPackageCipherKeyLength);
    h.has_cipher_key = true;
  }
  if (!reader.ReadBytes(static_cast<size_t>(h.settings_stored_size), &h.settings_block)) {
    return HeaderCorrupt(kCorruptSettingsSize);
  }
  h.file_data_offset = reader.position();
  result.outcome = HeaderOutcome::kOk;
  return result;
}

String VersionMismatchText(const char16_t* title, const ByteSpan& found_version) {
  String text;
  AppendAsciiW(&text, "The installer version (");
  AppendAsciiW(&text, kInstallerVersion);
  AppendAsciiW(&text, ") does not match the version of ");
  text.AppendW(title);
  AppendAsciiW(&text, " (");
  AppendBytesW(&text, found_version);
  AppendAsciiW(&text, ").  Close all applications and reinstall ");
  text.AppendW(title);
  AppendAsciiW(&text, ".");
  return text;
}

FileDataOutcome LocateFileData(const ProgramFile& file, const PackageSection& section,
                               const ByteSpan& section_bytes, const PackageHeader& header,
                               bool after_section, FileData* out) {
  const uint64_t expected = static_cast<uint64_t>(header.file_data_length);
  if (!after_section) {
    // The package end is where the data stops; it must also lie within the
    // mapped section, or the data would be read from beyond it.
    int64_t length = int64_t{header.package_end} - static_cast<int64_t>(header.file_data_offset);
    if (length < 0 || static_cast<uint64_t>(length) != expected ||
        static_cast<uint64_t>(header.package_end) > section_bytes.length) {
      return FileDataOutcome::kCorrupt;
    }
    const uint64_t start = uint64_t{section.raw_pointer} + header.file_data_offset;
    const bool in_file = static_cast<uint64_t>(header.package_end) <= section.raw_size &&
                         start + expected <= file.size;
    out->file_position = start;
    // Reading the file instead of the mapped section leaves the mapped pages
    // untouched, so the package never has to sit in memory as a whole.
    out->stored = in_file ? StoredData(file, start, expected)
                          : StoredData(section_bytes.data + header.file_data_offset, static_cast<size_t>(length));
    return FileDataOutcome::kOk;
  }
  uint64_t start = uint64_t{section.raw_pointer} + header.file_data_offset;
  const uint64_t end = ProgramContentEnd(section, file.size);
  if (start > end) return FileDataOutcome::kCorrupt;
  const uint64_t length = end - start;
  // Before a certificate table, the signing tool may have added zeros up to
  // its 8-byte boundary.
  const bool aligned_gap = end < file.size && end % kCertificateAlignment == 0 && length > expected &&
                           length - expected < kCertificateAlignment;
  if (length != expected && !aligned_gap) return FileDataOutcome::kCorrupt;
  out->file_position = start;
  out->stored = StoredData(file, start, expected);
  return FileDataOutcome::kOk;
}

uint64_t ProgramContentEnd(const PackageSection& section, uint64_t file_size) {
  const uint64_t offset = section.certificate_offset;
  if (section.certificate_size == 0 || offset < section.raw_pointer ||
      offset + section.certificate_size > file_size) {
    return file_size;
  }
  return offset;
}

namespace {

bool ReadOpenFile(void* context, uint64_t offset, void* out, size_t count) {
  auto* file = static_cast<File*>(context);
  if (count > static_cast<size_t>(String::kToEnd)) return false;
  return file->SeekTo(static_cast<int64_t>(offset)) &&
         file->ReadExact(out, static_cast<int32_t>(count));
}

}  // namespace

ProgramFile FileProgramFile(File* file) {
  int64_t size = file->Size();
  return ProgramFile{&ReadOpenFile, file, size < 0 ? 0 : static_cast<uint64_t>(size)};
}

bool FindPackageSection(const ProgramFile& file, PackageSection* section) {
  LocateResult located = LocatePackageSection(file);
  if (located.outcome == LocateOutcome::kCorrupt) ReportCorruptPackage(located.corrupt_code);
  *section = located.section;
  return located.outcome == LocateOutcome::kFound;
}

void CheckPackageHeader(const ByteSpan& section_bytes, const char16_t* title, PackageHeader* header) {
  HeaderResult result = ReadPackageHeader(section_bytes);
  if (result.outcome == HeaderOutcome::kVersionMismatch) {
    FatalMessageW(VersionMismatchText(title, result.header.version).w_str());
  }
  if (result.outcome == HeaderOutcome::kCorrupt) ReportCorruptPackage(result.corrupt_code);
  *header = result.header;
}

void MakeFileDataAvailable(const ProgramFile& file, const PackageSection& section,
                           const ByteSpan& section_bytes, const PackageHeader& header,
                           bool after_section, FileData* out) {
  if (LocateFileData(file, section, section_bytes, header, after_section, out) != FileDataOutcome::kOk) {
    ReportCorruptPackage(kCorruptFileDataPlace);
  }
}

void StopOnFileDataError(int code, const PackageHeader& header, const FileData& data) {
  if (code == kCorruptNone) return;
  if (code == kStoredDataReadFailed) {
    FatalFormat("Error code 2: failed to read archive data\r\nsize=%d pos=%d", header.file_data_length,
                static_cast<int>(data.file_position));
  }
  ReportCorruptPackage(code);
}
