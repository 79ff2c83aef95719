// zlib's CRC-32 for setup.exe alone. Inflate refers to it only for gzip
// streams, which the runtime never reads; zlib's own version brings 7 KiB
// of tables and unrolled code into every installer. This one gives the same
// results a bit at a time.
#include <zlib.h>

#include <cstdint>

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
  if (buf == Z_NULL) return 0;
  uint32_t value = ~static_cast<uint32_t>(crc);
  for (uInt i = 0; i < len; ++i) {
    value ^= buf[i];
    for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1)));
  }
  return ~value;
}
