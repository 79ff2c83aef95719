#include "package/settings_block.h"


#include "core/string.h"
#include "package/blowfish.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/inflate.h"
#include "package/scramble.h"

bool UnwrapSettingsBlock(const uint8_t* stored, size_t length, uint32_t checksum,
                         const Blowfish* cipher, String* compressed) {
  if (cipher) return DecipherCopy(*cipher, stored, length, compressed);
  compressed->Assign(stored, static_cast<int32_t>(length));
  ScrambleSettings(compressed->data(), length, checksum);
  return true;
}

bool WrapSettingsBlock(const uint8_t* compressed, size_t length, uint32_t checksum,
                       const Blowfish* cipher, String* stored) {
  if (cipher) return EncipherCopy(*cipher, compressed, length, stored);
  stored->Assign(compressed, static_cast<int32_t>(length));
  ScrambleSettings(stored->data(), length, checksum);
  return true;
}

int DecodeSettingsBlock(const uint8_t* stored, size_t length, uint32_t checksum,
                        const Blowfish* cipher, String* settings) {
  settings->Clear();
  if (stored == nullptr || length == 0 || length > static_cast<size_t>(kMaxSettingsStoredSize)) {
    return kCorruptSettingsInflate;
  }
  String compressed;
  if (!UnwrapSettingsBlock(stored, length, checksum, cipher, &compressed)) return kCorruptSettingsInflate;
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
