#include "package/reader.h"

#include <cstring>

#include "core/string.h"
#include "package/byte_order.h"

bool PackageReader::ReadU32(uint32_t* value) {
  if (remaining() < 4) return false;
  *value = LoadLe32(current());
  position_ += 4;
  return true;
}

bool PackageReader::ReadS32(int32_t* value) {
  uint32_t raw;
  if (!ReadU32(&raw)) return false;
  *value = static_cast<int32_t>(raw);
  return true;
}

bool PackageReader::ReadNarrowText(ByteSpan* text) {
  if (remaining() == 0) return false;
  const void* zero = std::memchr(current(), 0, remaining());
  if (zero == nullptr) return false;
  size_t length = static_cast<const uint8_t*>(zero) - current();
  *text = {current(), length};
  position_ += length + 1;
  return true;
}

bool PackageReader::ReadWideText(ByteSpan* text) {
  for (size_t i = 0; i + 2 <= remaining(); i += 2) {
    if (current()[i] == 0 && current()[i + 1] == 0) {
      *text = {current(), i};
      position_ += i + 2;
      return true;
    }
  }
  return false;
}

bool PackageReader::ReadBytes(size_t count, ByteSpan* bytes) {
  if (count > remaining()) return false;
  *bytes = {current(), count};
  position_ += count;
  return true;
}

SettingsStream::SettingsStream(const uint8_t* data, size_t length)
    : data_(data),
      length_(data == nullptr       ? 0
              : length > 0x7FFFFFFF ? 0x7FFFFFFF
                                    : length) {}

bool SettingsStream::Fail() {
  failed_ = true;
  return false;
}

bool SettingsStream::Read(void* destination, size_t count) {
  auto* out = static_cast<uint8_t*>(destination);
  size_t taken = count < remaining() ? count : remaining();
  if (taken > 0) std::memcpy(out, data_ + position_, taken);
  position_ += taken;
  if (taken == count) return true;
  std::memset(out + taken, 0, count - taken);
  return Fail();
}

bool SettingsStream::ReadU16(uint16_t* value) {
  uint8_t raw[2];
  bool ok = Read(raw, sizeof raw);
  *value = LoadLe16(raw);
  return ok;
}

bool SettingsStream::ReadU32(uint32_t* value) {
  uint8_t raw[4];
  bool ok = Read(raw, sizeof raw);
  *value = LoadLe32(raw);
  return ok;
}

bool SettingsStream::ReadS32(int32_t* value) {
  uint32_t raw;
  bool ok = ReadU32(&raw);
  *value = static_cast<int32_t>(raw);
  return ok;
}

bool SettingsStream::ReadU64(uint64_t* value) {
  uint8_t raw[8];
  bool ok = Read(raw, sizeof raw);
  *value = LoadLe32(raw) | static_cast<uint64_t>(LoadLe32(raw + 4)) << 32;
  return ok;
}

bool SettingsStream::ReadF64(double* value) {
  uint64_t bits;
  bool ok = ReadU64(&bits);
  std::memcpy(value, &bits, sizeof bits);  // IEEE double, little-endian like the host
  return ok;
}

bool SettingsStream::ReadCounted(uint64_t count, String* text) {
  // Never more than the stream holds, so a damaged length cannot make us
  // allocate beyond the block itself.
  size_t taken = count < remaining() ? static_cast<size_t>(count) : remaining();
  text->Assign(data_ + position_, static_cast<int32_t>(taken));
  position_ += taken;
  return taken == count ? true : Fail();
}

bool SettingsStream::ReadPackedLength(uint32_t* length) {
  uint8_t first;
  bool ok = ReadU8(&first);
  *length = first;
  if (first != 0xFF) return ok;
  uint8_t lo;
  ok = ReadU8(&lo);
  if (lo == 0xFF) return ReadU32(length);
  uint8_t hi;
  ok = ReadU8(&hi) && ok;
  *length = lo + 256u * hi;
  return ok;
}

bool SettingsStream::ReadPacked(String* text) {
  text->Clear();
  uint32_t length;
  if (!ReadPackedLength(&length)) return false;
  if (length > kMaxSettingsStringLength) return Fail();
  return ReadCounted(length, text);
}

bool SettingsStream::ReadByteLength(String* text) {
  text->Clear();
  uint8_t length;
  if (!ReadU8(&length)) return false;
  return ReadCounted(length, text);
}

bool SettingsStream::ReadWordLength(String* text) {
  text->Clear();
  uint16_t length;
  if (!ReadU16(&length)) return false;
  return ReadCounted(length, text);
}

bool SettingsStream::ReadLongLength(String* text) {
  text->Clear();
  int32_t length;
  if (!ReadS32(&length)) return false;
  if (length < 0) return Fail();
  return ReadCounted(static_cast<uint32_t>(length), text);
}

bool SettingsStream::ReadZeroTerminated(String* text) {
  text->Clear();
  if (remaining() == 0) return Fail();
  const uint8_t* start = data_ + position_;
  const void* zero = std::memchr(start, 0, remaining());
  if (zero == nullptr) {
    ReadCounted(remaining(), text);
    return Fail();
  }
  size_t length = static_cast<const uint8_t*>(zero) - start;
  ReadCounted(length, text);
  position_ += 1;
  return true;
}

bool SettingsStream::ReadZeroTerminatedWide(String* text) {
  const uint8_t* start = data_ + position_;
  size_t units = remaining() / 2;
  for (size_t i = 0; i < units; ++i) {
    if (start[2 * i] == 0 && start[2 * i + 1] == 0) {
      ReadCounted(2 * i, text);
      position_ += 2;
      return true;
    }
  }
  ReadCounted(2 * units, text);
  position_ = length_;  // an odd last byte is passed over with the rest
  return Fail();
}
