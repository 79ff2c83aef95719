// Damage that slips past the block checks, for the builder's and the
// end-to-end tests: after a patch inside an uncompressed, unenciphered
// package's file data, every block checksum and the whole file data's are
// made to match again, so that the entry checks are what catch it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "builder/test_unpack.h"
#include "package/byte_order.h"
#include "package/checksum.h"

inline void RefreshChecksums(String* installer, const Unpacked& good) {
  const size_t data = good.section.raw_pointer + good.header.file_data_offset;
  const size_t length = static_cast<size_t>(good.header.file_data_length);
  uint8_t* b = installer->data();
  for (size_t at = data; at < data + length;) {
    const uint32_t stored = LoadLe32(b + at);
    if (stored == 0 || stored > data + length - at - 8) break;  // a damaged head: no blocks after it
    StoreLe32(b + at + 4, PackageChecksum(b + at + 8, stored));
    at += 8 + stored;
  }
  // Field 10 of the header: after magic, "37.0", flags and six words.
  StoreLe32(b + good.section.raw_pointer + 37, PackageChecksum(b + data, length));
}
