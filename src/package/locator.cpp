#include "package/locator.h"

#include <cstring>

#include "core/fatal.h"
#include "core/file.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/extras.h"

namespace {

// The most bytes a String buffer can take.
constexpr uint64_t kMaxStringBytes = String::kToEnd - 2;


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

// Offset of the Security entry in an image, or 0 when its optional header is
// too short to hold one or the image ends before it.
size_t SecurityEntryAt(const uint8_t* image, size_t length, uint32_t pe_offset) {
  const size_t at = size_t{pe_offset} + kPeSecurityEntryOffset;
  if (image == nullptr || size_t{pe_offset} + kPeOptionalHeaderSizeOffset + 2 > length ||
      LoadLe16(image + pe_offset + kPeOptionalHeaderSizeOffset) < kMinOptionalHeaderWithSecurity ||
      at + kPeSecurityEntrySize > length) {
    return 0;
  }
  return at;
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

uint32_t ProgramImageChecksum(const uint8_t* image, size_t length, uint32_t pe_offset) {
  size_t start = size_t{pe_offset} + kPeProgramChecksumStart;
  if (start >= length) return PackageChecksum(nullptr, 0);
  const size_t security = SecurityEntryAt(image, length, pe_offset);
  if (security == 0) return PackageChecksum(image + start, length - start);
  static const uint8_t kZeros[kPeSecurityEntrySize] = {};
  ChecksumBuilder sum;
  sum.Add(image + start, security - start);
  sum.Add(kZeros, sizeof kZeros);
  sum.Add(image + security + kPeSecurityEntrySize, length - security - kPeSecurityEntrySize);
  return sum.Finish();
}

void PatchStrippedCopy(String* image, size_t head_length, const PackageSection& section) {
  uint8_t* bytes = image->data();
  const size_t pe = section.pe_offset;
  if (bytes == nullptr || pe + kPeImageSizeOffset + 4 > head_length) return;

  StoreLe16(bytes + pe + kPeSectionCountOffset, static_cast<uint16_t>(section.section_count - 1));
  StoreLe32(bytes + pe + kPeInitializedDataOffset,
            LoadLe32(bytes + pe + kPeInitializedDataOffset) - section.raw_size);
  StoreLe32(bytes + pe + kPeImageSizeOffset,
            LoadLe32(bytes + pe + kPeImageSizeOffset) - section.raw_size);

  // Later entries move down one slot; their raw data now follows the head
  // directly, so it moved down by the package's raw size. A section whose raw
  // data lies before the package (possible in a hand-made table) keeps its
  // pointer, or the copy would point it at the wrong bytes.
  const size_t table_end = size_t{section.table_offset} + size_t{section.section_count} * kSectionEntrySize;
  for (size_t slot = size_t{section.index} + 1; slot < section.section_count; ++slot) {
    uint8_t* entry = bytes + section.table_offset + slot * kSectionEntrySize;
    if (entry + kSectionEntrySize > bytes + head_length) break;
    uint32_t raw = LoadLe32(entry + 20);
    if (raw > section.raw_pointer) StoreLe32(entry + 20, raw - section.raw_size);
    std::memmove(entry - kSectionEntrySize, entry, kSectionEntrySize);
  }
  // The bytes after the table move into the freed slot, so whatever the image
  // keeps there (a bound-import table, say) stays right behind the table.
  size_t after = table_end;
  if (after <= head_length) {
    size_t moved = head_length - after < 80 ? head_length - after : 80;
    std::memmove(bytes + after - kSectionEntrySize, bytes + after, moved);
  }
  // The installer's certificate table stays behind; its entry would point
  // outside the copy.
  const size_t security = SecurityEntryAt(bytes, head_length, section.pe_offset);
  if (security != 0) std::memset(bytes + security, 0, kPeSecurityEntrySize);
}

bool AttachCarriedSignature(String* image, uint32_t pe_offset, const ByteSpan& carried) {
  PackageReader reader(carried.data, carried.length);
  uint32_t checksum = 0, padding = 0;
  if (!reader.ReadU32(&checksum) || !reader.ReadU32(&padding) || padding >= kCertificateAlignment ||
      reader.remaining() == 0) {
    return false;
  }
  const size_t length = static_cast<size_t>(image->length());
  const size_t security = SecurityEntryAt(image->bytes(), length, pe_offset);
  const uint64_t table_at = uint64_t{length} + padding;
  if (security == 0 || table_at + reader.remaining() > kMaxStringBytes) return false;
  image->SetLength(static_cast<int32_t>(table_at));  // new bytes are zero
  image->Append(reader.current(), static_cast<int32_t>(reader.remaining()));
  uint8_t* bytes = image->data();
  StoreLe32(bytes + pe_offset + kPeCheckSumFieldOffset, checksum);
  StoreLe32(bytes + security, static_cast<uint32_t>(table_at));
  StoreLe32(bytes + security + 4, static_cast<uint32_t>(reader.remaining()));
  return true;
}

int PrepareProgramCopy(const ProgramFile& file, const PackageSection& section,
                       const PackageHeader& header, const ProgramCopyRequest& request,
                       ProgramCopy* out) {
  out->stripped.Clear();
  out->length = file.size;
  if (!request.verify_checksum && !request.keep_stripped) return kCorruptNone;

  const size_t head = section.raw_pointer;
  if (head > kMaxStringBytes) return kCorruptProgramRead;
  String image;
  image.SetLengthExact(static_cast<int32_t>(head));
  if (!file.ReadAt(0, image.data(), head)) return kCorruptProgramRead;
  if (request.verify_checksum &&
      ProgramImageChecksum(image.bytes(), head, section.pe_offset) != header.program_checksum) {
    return kCorruptProgramChecksum;
  }
  if (!request.keep_stripped) return kCorruptNone;

  // The tail holds whatever followed the package section. File data kept
  // after the section belongs to the package and stays out of the copy.
  uint64_t tail_start = uint64_t{section.raw_pointer} + section.raw_size;
  uint64_t tail_end = request.file_data_after_section ? tail_start : ProgramContentEnd(section, file.size);
  if (tail_end > tail_start) {
    uint64_t tail = tail_end - tail_start;
    if (tail > kMaxStringBytes - head) return kCorruptStrippedTailRead;
    image.SetLengthExact(static_cast<int32_t>(head + tail));
    if (!file.ReadAt(tail_start, image.data() + head, static_cast<size_t>(tail))) {
      return kCorruptStrippedTailRead;
    }
  }
  PatchStrippedCopy(&image, head, section);
  String extras_storage;
  ByteSpan extras, resources, signature;
  ReadPackageExtras(header, &extras_storage, &extras);
  // The uninstaller's resources go in first: its signature covers them.
  if (FindExtra(extras, extras_tag::kUninstallerResources, &resources)) ApplyCarriedResources(&image, resources);
  if (FindExtra(extras, extras_tag::kUninstallerSignature, &signature)) {
    AttachCarriedSignature(&image, section.pe_offset, signature);
  }
  out->length = static_cast<uint64_t>(image.length());
  out->stripped = static_cast<String&&>(image);
  return kCorruptNone;
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

void KeepProgramCopy(const ProgramFile& file, const PackageSection& section,
                     const PackageHeader& header, const ProgramCopyRequest& request,
                     ProgramCopy* out) {
  int code = PrepareProgramCopy(file, section, header, request, out);
  if (code != kCorruptNone) ReportCorruptPackage(code);
}
