// Scrambling of the settings block when it is not enciphered: an XOR with the
// settings checksum, so it is its own inverse and serves the builder and the
// installer alike.
#pragma once

#include <cstddef>
#include <cstdint>

// XORs every complete little-endian 32-bit word of the data with the word and
// the 1 to 3 tail bytes with the word's low, second and third bytes in order.
void ScrambleSettings(uint8_t* data, size_t length, uint32_t word);
