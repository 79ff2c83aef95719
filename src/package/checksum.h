// The package checksum: guards the settings block, every file-data block, the
// whole file data, each entry's content and the program image. It is the word
// sum that also hashes text keys.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/text_hash.h"

inline constexpr uint32_t kChecksumSeed = kTextHashStart;

// kChecksumSeed plus the little-endian 32-bit words of the data, each of the
// 1 to 3 tail bytes as a sign-extended byte, and the length, all modulo 2^32.
// Empty data (or a null pointer) gives kChecksumSeed.
inline uint32_t PackageChecksum(const uint8_t* data, size_t length) {
  return WordSum(kChecksumSeed, data, length);
}

// The same checksum over data that arrives in pieces: Add the pieces in
// order, then Finish gives what PackageChecksum gives for their concatenation.
class ChecksumBuilder {
 public:
  void Add(const uint8_t* data, size_t length);
  uint32_t Finish() const;

 private:
  uint32_t sum_ = kChecksumSeed;  // seed plus the complete words so far
  uint64_t length_ = 0;
  uint8_t partial_[4] = {};  // bytes of a word not yet complete
  size_t partial_length_ = 0;
};
