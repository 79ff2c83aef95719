// The word sum behind both the hash of text keys and the package checksum.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint32_t kTextHashStart = 0x79E2BC9D;

// start, plus (modulo 2^32) every little-endian 32-bit word of the first
// (length / 4) * 4 bytes, plus each remaining byte as a signed 8-bit value,
// plus length. Empty data (null, or length 0) gives start unchanged.
std::uint32_t WordSum(std::uint32_t start, const void* data, std::size_t length);

// WordSum from kTextHashStart: the hash of a text key of `length` bytes; a
// negative length counts as empty.
inline std::uint32_t TextHash(const void* data, std::int32_t length) {
  return length > 0 ? WordSum(kTextHashStart, data, static_cast<std::size_t>(length))
                    : kTextHashStart;
}
