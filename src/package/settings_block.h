// The settings block: stored after the package header, scrambled with its own
// checksum (or enciphered when the package has a key), zlib-compressed, and
// guarded by the checksum of its decoded form.
#pragma once

#include <cstddef>
#include <cstdint>

class Blowfish;
class String;

// Stored sizes the header may give: 1 .. 52,428,799 bytes.
inline constexpr int32_t kMaxSettingsStoredSize = 0x31FFFFF;
// The decoded settings never need more; a larger result is treated as damage
// rather than allowed to exhaust memory.
inline constexpr size_t kMaxSettingsDecodedSize = 0x10000000;

// Decodes the stored block into *settings: deciphers it when cipher is given,
// else unscrambles it with checksum; inflates it; and compares the checksum
// of the result with checksum. Returns kCorruptNone, kCorruptSettingsInflate
// (undecodable) or kCorruptSettingsChecksum (decoded, but not what was
// stored). On failure *settings is empty.
int DecodeSettingsBlock(const uint8_t* stored, size_t length, uint32_t checksum,
                        const Blowfish* cipher, String* settings);

// The first half of decoding: the stored block deciphered, or unscrambled
// with checksum, into its compressed form (the zlib stream and whatever the
// builder placed after it). False when the cipher rejects the block.
bool UnwrapSettingsBlock(const uint8_t* stored, size_t length, uint32_t checksum,
                         const Blowfish* cipher, String* compressed);
// The inverse: the compressed form enciphered, or scrambled with checksum.
bool WrapSettingsBlock(const uint8_t* compressed, size_t length, uint32_t checksum,
                       const Blowfish* cipher, String* stored);

// The builder's side: compresses the plain settings, stores their checksum
// (header field for the settings checksum) in *checksum and scrambles or
// enciphers the result into *stored. Fails when zlib fails or the stored
// block would exceed kMaxSettingsStoredSize.
bool EncodeSettingsBlock(const uint8_t* plain, size_t length, const Blowfish* cipher,
                         String* stored, uint32_t* checksum);
