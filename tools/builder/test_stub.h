// A small 32-bit program image for the builder's tests, laid out as a linker
// would: sections with raw data in file-alignment units and room in the
// header for more section-table entries. Real enough for the locator; it is
// never run.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/string.h"
#include "package/byte_order.h"

inline constexpr uint32_t kTestStubPe = 0x80;
inline constexpr uint32_t kTestStubTable = kTestStubPe + 24 + 224;

inline String MakeTestStub(uint16_t sections = 5, uint32_t size_of_headers = 0x400) {
  String image;
  const uint32_t raw_size = 0x200;
  image.SetLength(static_cast<int32_t>(size_of_headers + sections * raw_size));
  uint8_t* b = image.data();
  b[0] = 'M';
  b[1] = 'Z';
  StoreLe32(b + 0x3C, kTestStubPe);
  std::memcpy(b + kTestStubPe, "PE\0\0", 4);
  StoreLe16(b + kTestStubPe + 4, 0x14C);
  StoreLe16(b + kTestStubPe + 6, sections);
  StoreLe16(b + kTestStubPe + 20, 224);
  const uint32_t optional = kTestStubPe + 24;
  StoreLe16(b + optional, 0x10B);
  StoreLe32(b + optional + 32, 0x1000);
  StoreLe32(b + optional + 36, 0x200);
  StoreLe32(b + optional + 60, size_of_headers);
  StoreLe32(b + optional + 92, 16);  // number of data directories
  for (uint16_t i = 0; i < sections; ++i) {
    uint8_t* entry = b + kTestStubTable + i * 40;
    const char name[8] = {'.', 's', 'e', 'c', static_cast<char>('0' + i / 10 % 10), static_cast<char>('0' + i % 10)};
    std::memcpy(entry, name, sizeof name);
    StoreLe32(entry + 8, 0x180);
    StoreLe32(entry + 12, 0x1000 * (i + 1));
    StoreLe32(entry + 16, raw_size);
    StoreLe32(entry + 20, size_of_headers + i * raw_size);
    std::memset(b + size_of_headers + i * raw_size, 0x20 + i, 0x180);
  }
  StoreLe32(b + optional + 8, sections * raw_size);
  StoreLe32(b + optional + 56, 0x1000 * (sections + 1));
  return image;
}
