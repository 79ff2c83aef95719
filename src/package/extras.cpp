#include "package/extras.h"

#include <cstring>

#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/locator.h"
#include "package/settings_block.h"
#include "package/writer.h"

bool FindExtras(const ByteSpan& unwrapped, ByteSpan* records) {
  *records = ByteSpan{};
  if (unwrapped.data == nullptr || unwrapped.length < kExtrasFooterSize) return false;
  const uint8_t* footer = unwrapped.data + unwrapped.length - kExtrasFooterSize;
  if (LoadLe32(footer + 8) != kExtrasMagic) return false;
  const uint32_t length = LoadLe32(footer);
  if (length > unwrapped.length - kExtrasFooterSize) return false;
  const uint8_t* start = footer - length;
  if (PackageChecksum(start, length) != LoadLe32(footer + 4)) return false;
  *records = ByteSpan{start, length};
  return true;
}

bool FindExtra(const ByteSpan& records, uint32_t tag, ByteSpan* value) {
  PackageReader reader(records.data, records.length);
  uint32_t found = 0, length = 0;
  ByteSpan bytes;
  while (reader.ReadU32(&found) && reader.ReadU32(&length) && reader.ReadBytes(length, &bytes)) {
    if (found == tag) {
      *value = bytes;
      return true;
    }
  }
  return false;
}

void ReadPackageExtras(const PackageHeader& header, String* storage, ByteSpan* records) {
  *records = ByteSpan{};
  Blowfish blowfish;
  const Blowfish* cipher = nullptr;
  if (header.has_cipher_key) {
    if (!blowfish.SetKey(header.cipher_key, kPackageCipherKeyLength)) return;
    cipher = &blowfish;
  }
  if (!UnwrapSettingsBlock(header.settings_block.data, header.settings_block.length, header.settings_checksum,
                           cipher, storage)) {
    return;
  }
  FindExtras(ByteSpan{storage->bytes(), static_cast<size_t>(storage->length())}, records);
}

bool ApplyCarriedResources(String* image, const ByteSpan& carried) {
  PackageReader reader(carried.data, carried.length);
  uint32_t offset = 0;
  if (!reader.ReadU32(&offset) || reader.remaining() == 0) return false;
  const size_t length = static_cast<size_t>(image->length());
  if (offset > length || reader.remaining() > length - offset) return false;
  std::memcpy(image->data() + offset, reader.current(), reader.remaining());
  return true;
}

namespace {

String PackageExtra(const PackageHeader& header, uint32_t tag) {
  String storage;
  ByteSpan records, value;
  ReadPackageExtras(header, &storage, &records);
  if (!FindExtra(records, tag, &value)) return String();
  return String(reinterpret_cast<const char*>(value.data), static_cast<int32_t>(value.length));
}

}  // namespace

String PackageProductIcon(const PackageHeader& header) { return PackageExtra(header, extras_tag::kProductIcon); }

String PackageUninstallerIcon(const PackageHeader& header) {
  return PackageExtra(header, extras_tag::kUninstallerIcon);
}

void AppendExtra(String* records, uint32_t tag, const uint8_t* data, size_t length) {
  PackageWriter writer(records);
  writer.WriteU32(tag);
  writer.WriteU32(static_cast<uint32_t>(length));
  writer.WriteBytes(data, length);
}

void SealExtras(const String& records, String* unwrapped_block) {
  const size_t length = static_cast<size_t>(records.length());
  unwrapped_block->Append(records);
  PackageWriter writer(unwrapped_block);
  writer.WriteU32(static_cast<uint32_t>(length));
  writer.WriteU32(PackageChecksum(records.bytes(), length));
  writer.WriteU32(kExtrasMagic);
}
