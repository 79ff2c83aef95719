#include "package/settings_block.h"

#include <utility>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/deflate.h"
#include "package/inflate.h"
#include "package/scramble.h"

int DecodeSettingsBlock(const uint8_t* stored, size_t length, uint32_t checksum,
                        const Blowfish* cipher, String* settings) {
  settings->Clear();
  if (stored == nullptr || length == 0 || length > static_cast<size_t>(kMaxSettingsStoredSize)) {
    return kCorruptSettingsInflate;
  }
  String compressed;
  if (cipher) {
    if (!DecipherCopy(*cipher, stored, length, &compressed)) return kCorruptSettingsInflate;
  } else {
    compressed.Assign(stored, static_cast<int32_t>(length));
    ScrambleSettings(compressed.data(), length, checksum);
  }
  if (!InflateBuffer(compressed.bytes(), static_cast<size_t>(compressed.length()),
                     kMaxSettingsDecodedSize, settings)) {
    return kCorruptSettingsInflate;
  }
  if (PackageChecksum(settings->bytes(), static_cast<size_t>(settings->length())) != checksum) {
    settings->Clear();
    return kCorruptSettingsChecksum;
  }
  return kCorruptNone;
}

bool EncodeSettingsBlock(const uint8_t* plain, size_t length, const Blowfish* cipher,
                         String* stored, uint32_t* checksum) {
  stored->Clear();
  if (length > kMaxSettingsDecodedSize) return false;
  *checksum = PackageChecksum(plain, length);
  String compressed;
  if (!DeflateBuffer(plain, length, &compressed)) return false;
  if (cipher) {
    if (!EncipherCopy(*cipher, compressed.bytes(), static_cast<size_t>(compressed.length()),
                      stored)) {
      return false;
    }
  } else {
    *stored = std::move(compressed);
    ScrambleSettings(stored->data(), static_cast<size_t>(stored->length()), *checksum);
  }
  if (stored->length() > kMaxSettingsStoredSize) {
    stored->Clear();
    return false;
  }
  return true;
}
