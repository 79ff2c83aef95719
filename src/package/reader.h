// Reading primitives of the package. Two kinds of reader serve two kinds of
// data:
// - PackageReader walks stored bytes in place (the package header, entry
//   records) with one moving read pointer. A read that does not fit fails and
//   leaves the pointer where it was; nothing is ever read past the end.
// - SettingsStream walks the decoded settings block as a memory stream. A read
//   that would pass the end takes what is left (fixed-width values are
//   zero-filled), leaves the position at the end and reports failure, so a
//   truncated block reads as zeros and empty strings until the settings'
//   end-marker check rejects it.
#pragma once

#include <cstddef>
#include <cstdint>

class String;

// A view of bytes owned elsewhere.
struct ByteSpan {
  const uint8_t* data = nullptr;
  size_t length = 0;
};

class PackageReader {
 public:
  PackageReader(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}

  bool ReadU32(uint32_t* value);
  bool ReadS32(int32_t* value);
  // Bytes up to a zero byte, the pointer moving past the zero. Fails when
  // there is no zero byte before the end.
  bool ReadNarrowText(ByteSpan* text);
  // UTF-16LE units up to a zero unit, the pointer moving past it; the view
  // holds the units' bytes (an even count). Fails without a zero unit.
  bool ReadWideText(ByteSpan* text);
  // The next `count` bytes as they are.
  bool ReadBytes(size_t count, ByteSpan* bytes);

  size_t position() const { return position_; }
  size_t remaining() const { return length_ - position_; }
  const uint8_t* current() const { return data_ + position_; }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
};

// Longest length-prefixed string the settings may hold.
inline constexpr uint32_t kMaxSettingsStringLength = 0x40000000;

class SettingsStream {
 public:
  // Streams over at most 0x7FFFFFFF bytes (the most a String can hold).
  SettingsStream(const uint8_t* data, size_t length);

  // Copies count bytes; past the end, copies what is left, zero-fills the
  // rest, moves to the end and returns false.
  bool Read(void* destination, size_t count);
  bool ReadU8(uint8_t* value) { return Read(value, 1); }
  bool ReadU16(uint16_t* value);
  bool ReadU32(uint32_t* value);
  bool ReadS32(int32_t* value);
  bool ReadU64(uint64_t* value);
  bool ReadF64(double* value);

  // The string reads. Each fills *text (emptied first) and returns false on
  // the failures named; then *text is empty unless the bytes ran past the end
  // of the stream, in which case it holds the bytes that were left.
  //
  // Packed length: one byte 0..254; 0xFF lo hi with lo != 0xFF; or 0xFF 0xFF
  // then a u32. A length above kMaxSettingsStringLength fails.
  bool ReadPacked(String* text);
  bool ReadPackedLength(uint32_t* length);
  bool ReadByteLength(String* text);  // u8 length
  bool ReadWordLength(String* text);  // u16 length
  bool ReadLongLength(String* text);  // s32 length; negative fails
  // Zero-terminated strings; without a terminator the rest is taken and the
  // read fails. The wide form counts whole UTF-16 units.
  bool ReadZeroTerminated(String* text);
  bool ReadZeroTerminatedWide(String* text);

  size_t position() const { return position_; }
  size_t remaining() const { return length_ - position_; }
  bool at_end() const { return position_ == length_; }
  // True once any read has failed.
  bool failed() const { return failed_; }

 private:
  bool ReadCounted(uint64_t count, String* text);
  bool Fail();

  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
  bool failed_ = false;
};
