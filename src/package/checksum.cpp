#include "package/checksum.h"

namespace {

// Adds whole words only: WordSum adds the length too, which is taken back.
uint32_t AddWords(uint32_t sum, const uint8_t* data, size_t length) {
  return WordSum(sum, data, length) - static_cast<uint32_t>(length);
}

}  // namespace

void ChecksumBuilder::Add(const uint8_t* data, size_t length) {
  if (data == nullptr || length == 0) return;
  length_ += length;
  // Complete a word left over from the previous piece.
  while (partial_length_ > 0 && partial_length_ < 4 && length > 0) {
    partial_[partial_length_++] = *data++;
    --length;
    if (partial_length_ == 4) {
      sum_ = AddWords(sum_, partial_, 4);
      partial_length_ = 0;
    }
  }
  size_t whole = length / 4 * 4;
  sum_ = AddWords(sum_, data, whole);
  for (size_t i = whole; i < length && partial_length_ < 4; ++i) partial_[partial_length_++] = data[i];
}

uint32_t ChecksumBuilder::Finish() const {
  if (length_ == 0) return kChecksumSeed;
  // The tail bytes and their own count through WordSum, then the rest of the length.
  return WordSum(sum_, partial_, partial_length_) +
         static_cast<uint32_t>(length_ - partial_length_);
}
