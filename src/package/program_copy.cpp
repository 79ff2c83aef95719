#include "package/program_copy.h"

#include <cstring>

#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/extras.h"

namespace {

// The most bytes a String buffer can take.
constexpr uint64_t kMaxStringBytes = String::kToEnd - 2;

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

}  // namespace

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

void KeepProgramCopy(const ProgramFile& file, const PackageSection& section,
                     const PackageHeader& header, const ProgramCopyRequest& request,
                     ProgramCopy* out) {
  int code = PrepareProgramCopy(file, section, header, request, out);
  if (code != kCorruptNone) ReportCorruptPackage(code);
}
