#include "package/writer.h"

#include <cstring>

#include "core/string.h"
#include "package/byte_order.h"
#include "package/reader.h"

void PackageWriter::WriteBytes(const void* data, size_t length) {
  if (length > 0) out_->Append(data, static_cast<int32_t>(length));
}

void PackageWriter::WriteU8(uint8_t value) { WriteBytes(&value, 1); }

void PackageWriter::WriteU16(uint16_t value) {
  uint8_t raw[2];
  StoreLe16(raw, value);
  WriteBytes(raw, sizeof raw);
}

void PackageWriter::WriteU32(uint32_t value) {
  uint8_t raw[4];
  StoreLe32(raw, value);
  WriteBytes(raw, sizeof raw);
}

void PackageWriter::WriteU64(uint64_t value) {
  WriteU32(static_cast<uint32_t>(value));
  WriteU32(static_cast<uint32_t>(value >> 32));
}

void PackageWriter::WriteF64(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteU64(bits);
}

void PackageWriter::WritePackedLength(uint32_t length) {
  if (length < 0xFF) {
    WriteU8(static_cast<uint8_t>(length));
  } else if (length <= 0xFFFF && (length & 0xFF) != 0xFF) {
    // 0xFF then lo, hi; a low byte of 0xFF would read as the 6-byte form.
    WriteU8(0xFF);
    WriteU16(static_cast<uint16_t>(length));
  } else {
    WriteU8(0xFF);
    WriteU8(0xFF);
    WriteU32(length);
  }
}

bool PackageWriter::WritePacked(const void* data, size_t length) {
  if (length > kMaxSettingsStringLength) return false;
  WritePackedLength(static_cast<uint32_t>(length));
  WriteBytes(data, length);
  return true;
}

bool PackageWriter::WriteByteLength(const void* data, size_t length) {
  if (length > 0xFF) return false;
  WriteU8(static_cast<uint8_t>(length));
  WriteBytes(data, length);
  return true;
}

bool PackageWriter::WriteWordLength(const void* data, size_t length) {
  if (length > 0xFFFF) return false;
  WriteU16(static_cast<uint16_t>(length));
  WriteBytes(data, length);
  return true;
}

bool PackageWriter::WriteLongLength(const void* data, size_t length) {
  if (length > 0x7FFFFFFF) return false;
  WriteS32(static_cast<int32_t>(length));
  WriteBytes(data, length);
  return true;
}

bool PackageWriter::WriteZeroTerminated(const void* data, size_t length) {
  if (length > 0 && std::memchr(data, 0, length) != nullptr) return false;
  WriteBytes(data, length);
  WriteU8(0);
  return true;
}

bool PackageWriter::WriteZeroTerminatedWide(const char16_t* units, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (units[i] == 0) return false;
  }
  for (size_t i = 0; i < count; ++i) WriteU16(units[i]);
  WriteU16(0);
  return true;
}
