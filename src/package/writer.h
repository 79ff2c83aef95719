// Writing primitives for the builder: the exact inverse of the readers in
// reader.h, so that a package is written and read by one definition of each
// encoding. Everything is appended to a String.
#pragma once

#include <cstddef>
#include <cstdint>

class String;

class PackageWriter {
 public:
  explicit PackageWriter(String* out) : out_(out) {}

  void WriteU8(uint8_t value);
  void WriteU16(uint16_t value);
  void WriteU32(uint32_t value);
  void WriteS32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
  void WriteU64(uint64_t value);
  void WriteF64(double value);
  void WriteBytes(const void* data, size_t length);

  // The shortest packed length: 1 byte for 0..254, 3 bytes for 255..65535
  // unless the low byte is 0xFF, else 6 bytes.
  void WritePackedLength(uint32_t length);
  // Length-prefixed strings. Each fails, writing nothing, when the length
  // does not fit its prefix (packed: kMaxSettingsStringLength).
  bool WritePacked(const void* data, size_t length);
  bool WriteByteLength(const void* data, size_t length);
  bool WriteWordLength(const void* data, size_t length);
  bool WriteLongLength(const void* data, size_t length);
  // Zero-terminated strings (also the narrow and wide texts of the header and
  // entries). Fail, writing nothing, when the text holds a zero byte (or zero
  // unit), which would end it early when read back.
  bool WriteZeroTerminated(const void* data, size_t length);
  bool WriteZeroTerminatedWide(const char16_t* units, size_t count);

 private:
  String* out_;
};
