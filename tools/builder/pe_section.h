// Adding a section to a PE image: the builder's way of carrying the package
// inside setup.exe as a proper section that the loader maps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/string.h"

// What the builder needs to know of an image's headers.
struct PeLayout {
  uint32_t pe_offset = 0;
  bool pe32_plus = false;
  uint16_t section_count = 0;
  uint16_t optional_header_size = 0;
  uint32_t table_offset = 0;  // file offset of the section table
  uint32_t file_alignment = 0;
  uint32_t section_alignment = 0;
  uint32_t size_of_headers = 0;
  uint32_t size_of_image = 0;
  uint32_t first_raw_data = 0;  // lowest PointerToRawData of any section with raw data
  uint32_t security_size = 0;   // certificate table (signature) size

  // Offset of the optional header's CheckSum field.
  uint32_t checksum_offset() const { return pe_offset + 88; }
};

// Reads and checks the headers of a PE image. Fails with a readable reason
// when the bytes are not a well-formed PE image.
bool ReadPeLayout(const String& image, PeLayout* layout, std::string* error);

// Finds a section by its 8-byte name (compared up to the first zero).
bool HasSection(const String& image, const PeLayout& layout, const char* name);

// The place of a section added by AddPeSection.
struct AddedSection {
  uint32_t raw_pointer = 0;
  uint32_t raw_size = 0;
  uint32_t virtual_address = 0;
  uint32_t virtual_size = 0;
};

// The raw size a section of `length` content bytes gets: whole file and
// section alignment units, so that raw size and mapped size agree and taking
// the section out again restores the image size exactly.
uint32_t PeSectionRawSize(const PeLayout& layout, size_t length);

// Appends a section holding `data` (zero-padded to PeSectionRawSize; all
// zeros, for the caller to fill, when data is null) at the
// end of the file, after any data already there: a new section-table entry
// with initialised-data and read characteristics, virtual address and size
// aligned to the section alignment, raw pointer and size to the file
// alignment; the section count, the size of the image and of the initialised
// data grow with it. Fails, leaving the image unchanged, when the header has
// no free room for another table entry, the image is signed (the signature
// would no longer match), or it already carries a section of that name.
bool AddPeSection(String* image, const char* name, const uint8_t* data, size_t length,
                  AddedSection* added, std::string* error);
// The same without the section's bytes: only the headers of `image` change,
// for a caller that writes the section's data itself at added->raw_pointer.
bool AddPeSectionEntry(String* image, const char* name, size_t length, AddedSection* added, std::string* error);

// The CheckSum's word sum over a file that is written piece by piece: each
// piece is added at its offset in the file, in any order, with the CheckSum
// field itself left out or zero.
class PeChecksumBuilder {
 public:
  void Add(uint64_t offset, const uint8_t* data, size_t length);
  uint32_t Finish(uint64_t file_length) const;

 private:
  uint64_t sum_ = 0;
};

// The optional header's CheckSum as the system's image checksum computes it:
// the 16-bit one's-complement sum of the file with the field itself taken as
// zero, plus the file length.
uint32_t PeImageChecksum(const String& image, const PeLayout& layout);
// Stores PeImageChecksum in the CheckSum field.
void UpdatePeChecksum(String* image, const PeLayout& layout);
