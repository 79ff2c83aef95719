#include "core/text_hash.h"

std::uint32_t WordSum(std::uint32_t start, const void* data, std::size_t length) {
  if (data == nullptr || length == 0) return start;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  std::uint32_t sum = start;
  std::size_t i = 0;
  // Bytes are assembled explicitly so the sum is little-endian on any host.
  for (; i + 4 <= length; i += 4) {
    sum += std::uint32_t{bytes[i]} | std::uint32_t{bytes[i + 1]} << 8 |
           std::uint32_t{bytes[i + 2]} << 16 | std::uint32_t{bytes[i + 3]} << 24;
  }
  // Tail bytes count as signed: 0x80 adds -128.
  for (; i < length; ++i) {
    sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(bytes[i])));
  }
  return sum + static_cast<std::uint32_t>(length);
}
