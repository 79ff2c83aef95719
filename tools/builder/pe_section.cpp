#include "builder/pe_section.h"

#include <algorithm>
#include <cstring>

#include "package/byte_order.h"

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSectionEntry = 40;
constexpr uint32_t kPageSize = 4096;
// Characteristics of the package section: initialised data, readable.
constexpr uint32_t kInitializedDataReadable = 0x00000040 | 0x40000000;

uint32_t AlignUp(uint64_t value, uint32_t alignment) {
  return static_cast<uint32_t>((value + alignment - 1) / alignment * alignment);
}

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Offset of the certificate-table directory entry in the optional header.
uint32_t SecurityDirectoryOffset(const PeLayout& layout) {
  return layout.pe_offset + 24 + (layout.pe32_plus ? 144u : 128u);
}

bool NameIs(const uint8_t* entry, const char* name) {
  char text[9];
  std::memcpy(text, entry, 8);
  text[8] = '\0';
  return std::strcmp(text, name) == 0;
}

}  // namespace

bool ReadPeLayout(const String& image, PeLayout* layout, std::string* error) {
  const uint8_t* b = image.bytes();
  const size_t size = static_cast<size_t>(image.length());
  if (size < 0x40 || b[0] != 'M' || b[1] != 'Z') return Fail(error, "not an executable (no MZ header)");
  PeLayout l;
  l.pe_offset = LoadLe32(b + 0x3C);
  if (l.pe_offset < 0x40 || l.pe_offset > 4096 || size < l.pe_offset + 24 + 96) {
    return Fail(error, "the PE header offset is outside 64..4096 or beyond the file");
  }
  if (std::memcmp(b + l.pe_offset, "PE\0\0", 4) != 0) return Fail(error, "no PE signature");
  const uint32_t optional = l.pe_offset + 24;
  l.section_count = LoadLe16(b + l.pe_offset + 6);
  l.optional_header_size = LoadLe16(b + l.pe_offset + 20);
  const uint16_t magic = LoadLe16(b + optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return Fail(error, "unknown optional header magic");
  l.pe32_plus = magic == kPe32PlusMagic;
  l.section_alignment = LoadLe32(b + optional + 32);
  l.file_alignment = LoadLe32(b + optional + 36);
  l.size_of_image = LoadLe32(b + optional + 56);
  l.size_of_headers = LoadLe32(b + optional + 60);
  l.table_offset = optional + l.optional_header_size;
  if (!IsPowerOfTwo(l.file_alignment) || !IsPowerOfTwo(l.section_alignment) ||
      l.file_alignment > l.section_alignment) {
    return Fail(error, "the file or section alignment is not a power of two");
  }
  if (l.table_offset + uint64_t{l.section_count} * kSectionEntry > size) {
    return Fail(error, "the section table runs past the end of the file");
  }
  if (SecurityDirectoryOffset(l) + 8 <= optional + uint64_t{l.optional_header_size}) {
    l.security_size = LoadLe32(b + SecurityDirectoryOffset(l) + 4);
  }
  l.first_raw_data = l.size_of_headers;
  for (uint16_t i = 0; i < l.section_count; ++i) {
    const uint8_t* entry = b + l.table_offset + i * kSectionEntry;
    uint32_t raw = LoadLe32(entry + 20);
    if (LoadLe32(entry + 16) != 0 && raw != 0 && raw < l.first_raw_data) l.first_raw_data = raw;
  }
  *layout = l;
  return true;
}

bool HasSection(const String& image, const PeLayout& layout, const char* name) {
  for (uint16_t i = 0; i < layout.section_count; ++i) {
    if (NameIs(image.bytes() + layout.table_offset + i * kSectionEntry, name)) return true;
  }
  return false;
}

uint32_t PeSectionRawSize(const PeLayout& layout, size_t length) {
  return AlignUp(length == 0 ? 1 : length, layout.section_alignment);
}

bool AddPeSectionEntry(String* image, const char* name, size_t length, AddedSection* added, std::string* error) {
  PeLayout layout;
  if (!ReadPeLayout(*image, &layout, error)) return false;
  if (std::strlen(name) > 8) return Fail(error, "a section name has at most 8 characters");
  if (HasSection(*image, layout, name)) {
    return Fail(error, std::string("the program already carries a \"") + name + "\" section");
  }
  if (layout.security_size != 0) {
    return Fail(error, "the program is signed; build from an unsigned setup.exe and sign the installer afterwards");
  }
  if (layout.section_count >= 95) return Fail(error, "the program has too many sections");
  // The new entry must fit in the headers, before any section's data, and
  // the slot must be unused (some linkers keep data right after the table).
  const uint32_t entry_offset = layout.table_offset + layout.section_count * kSectionEntry;
  const uint32_t headers_end = layout.size_of_headers < layout.first_raw_data ? layout.size_of_headers
                                                                              : layout.first_raw_data;
  if (entry_offset + kSectionEntry > headers_end) {
    return Fail(error, "the program's header has no room for another section-table entry");
  }
  uint8_t* b = image->data();
  for (uint32_t i = 0; i < kSectionEntry; ++i) {
    if (b[entry_offset + i] != 0) {
      return Fail(error, "the program's header has no free slot after the section table");
    }
  }

  // The section's virtual place follows the highest section.
  uint64_t virtual_end = layout.size_of_image;
  for (uint16_t i = 0; i < layout.section_count; ++i) {
    const uint8_t* entry = b + layout.table_offset + i * kSectionEntry;
    uint32_t virtual_size = LoadLe32(entry + 8);
    uint64_t end = uint64_t{LoadLe32(entry + 12)} + (virtual_size ? virtual_size : LoadLe32(entry + 16));
    if (end > virtual_end) virtual_end = end;
  }
  AddedSection section;
  section.raw_size = PeSectionRawSize(layout, length);
  section.virtual_size = section.raw_size;
  section.virtual_address = AlignUp(virtual_end, layout.section_alignment);
  // On a page boundary whatever the program's file alignment, so that the
  // loader maps the package from the file rather than reading it whole.
  section.raw_pointer = AlignUp(static_cast<uint64_t>(image->length()), std::max<uint32_t>(layout.file_alignment, kPageSize));
  const uint64_t new_length = uint64_t{section.raw_pointer} + section.raw_size;
  if (new_length > static_cast<uint64_t>(String::kToEnd - 2) ||
      uint64_t{section.virtual_address} + section.virtual_size > 0xFFFFFFFFu) {
    return Fail(error, "the package is too large for one executable");
  }

  uint8_t* entry = b + entry_offset;
  std::memcpy(entry, name, std::strlen(name));
  StoreLe32(entry + 8, section.virtual_size);
  StoreLe32(entry + 12, section.virtual_address);
  StoreLe32(entry + 16, section.raw_size);
  StoreLe32(entry + 20, section.raw_pointer);
  StoreLe32(entry + 36, kInitializedDataReadable);

  const uint32_t optional = layout.pe_offset + 24;
  StoreLe16(b + layout.pe_offset + 6, static_cast<uint16_t>(layout.section_count + 1));
  StoreLe32(b + optional + 8, LoadLe32(b + optional + 8) + section.raw_size);
  StoreLe32(b + optional + 56, section.virtual_address + section.virtual_size);
  *added = section;
  return true;
}

bool AddPeSection(String* image, const char* name, const uint8_t* data, size_t length,
                  AddedSection* added, std::string* error) {
  if (!AddPeSectionEntry(image, name, length, added, error)) return false;
  image->SetLength(static_cast<int32_t>(added->raw_pointer + added->raw_size));  // new bytes are zero
  if (data != nullptr && length > 0) std::memcpy(image->data() + added->raw_pointer, data, length);
  return true;
}

void PeChecksumBuilder::Add(uint64_t offset, const uint8_t* data, size_t length) {
  size_t i = 0;
  // Words start at even offsets: an odd first byte is the high half of one.
  if (length > 0 && (offset & 1) != 0) sum_ += uint64_t{data[i++]} << 8;
  for (; i + 1 < length; i += 2) sum_ += data[i] | uint32_t{data[i + 1]} << 8;
  if (i < length) sum_ += data[i];
}

uint32_t PeChecksumBuilder::Finish(uint64_t file_length) const {
  uint64_t sum = sum_;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file_length);
}

uint32_t PeImageChecksum(const String& image, const PeLayout& layout) {
  const size_t size = static_cast<size_t>(image.length());
  const size_t skip = layout.checksum_offset();
  // The CheckSum field counts as zero bytes.
  PeChecksumBuilder sum;
  sum.Add(0, image.bytes(), skip < size ? skip : size);
  if (skip + 4 < size) sum.Add(skip + 4, image.bytes() + skip + 4, size - skip - 4);
  return sum.Finish(size);
}

void UpdatePeChecksum(String* image, const PeLayout& layout) {
  StoreLe32(image->data() + layout.checksum_offset(), PeImageChecksum(*image, layout));
}
