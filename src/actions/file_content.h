// The bytes a packaged file is written from, handed over piece by piece so
// that a large file never has to be held in memory as a whole.
#pragma once

#include <cstdint>

#include "package/reader.h"

class FileContent {
 public:
  virtual ~FileContent() = default;
  virtual int64_t length() const = 0;
  // Back to the first byte: a write that is tried again starts over.
  virtual void Rewind() = 0;
  // The next piece (valid until the next call); empty at the end.
  virtual ByteSpan Next() = 0;
  // The system's error of a source that failed part-way (its pieces then end
  // early); 0 while it is whole. A file is never written, nor staged, from a
  // source that failed.
  virtual uint32_t error() const { return 0; }
};

// Content held in memory as one piece.
class MemoryContent final : public FileContent {
 public:
  MemoryContent(const void* data, int64_t length)
      : data_(static_cast<const uint8_t*>(data)), length_(length) {}

  int64_t length() const override { return length_; }
  void Rewind() override { given_ = false; }
  ByteSpan Next() override {
    if (given_ || length_ <= 0) return {nullptr, 0};
    given_ = true;
    return {data_, static_cast<size_t>(length_)};
  }

 private:
  const uint8_t* data_;
  int64_t length_;
  bool given_ = false;
};
