// The hexadecimal digits of pi that seed the Blowfish P-array and S-boxes.
#pragma once

#include <cstddef>
#include <cstdint>

// 18 P-array words followed by 4 S-boxes of 256 words.
inline constexpr size_t kPiDigitWords = 18 + 4 * 256;

extern const uint32_t kPiDigits[kPiDigitWords];
