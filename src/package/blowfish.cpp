#include "package/blowfish.h"

#include <cstring>

#include "core/string.h"
#include "package/blowfish_pi.h"
#include "package/byte_order.h"

namespace {

constexpr uint8_t kZeroKey[8] = {};

// Runs a block operation over each whole 8-byte block: two big-endian halves.
template <typename Operation>
void ForEachBlock(uint8_t* data, size_t length, Operation operation) {
  for (size_t i = 0; i + kBlowfishBlock <= length; i += kBlowfishBlock) {
    uint32_t left = LoadBe32(data + i);
    uint32_t right = LoadBe32(data + i + 4);
    operation(&left, &right);
    StoreBe32(data + i, left);
    StoreBe32(data + i + 4, right);
  }
}

}  // namespace

Blowfish::Blowfish() { SetKey(kZeroKey, sizeof kZeroKey); }

uint32_t Blowfish::F(uint32_t x) const {
  return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void Blowfish::EncryptBlock(uint32_t* left, uint32_t* right) const {
  uint32_t l = *left;
  uint32_t r = *right;
  for (int i = 0; i < 16; i += 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i + 1];
    l ^= F(r);
  }
  *left = r ^ p_[17];
  *right = l ^ p_[16];
}

void Blowfish::DecryptBlock(uint32_t* left, uint32_t* right) const {
  uint32_t l = *left;
  uint32_t r = *right;
  for (int i = 17; i > 1; i -= 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i - 1];
    l ^= F(r);
  }
  *left = r ^ p_[0];
  *right = l ^ p_[1];
}

bool Blowfish::SetKey(const uint8_t* key, size_t length) {
  if (key == nullptr || length == 0 || length > kBlowfishMaxKey) return false;
  // Zero-pad to whole words: to 8 bytes for a short key, else to a multiple of 4.
  uint8_t padded[kBlowfishMaxKey] = {};
  std::memcpy(padded, key, length);
  size_t padded_length = length < 8 ? 8 : (length + 3) / 4 * 4;
  size_t words = padded_length / 4;

  std::memcpy(p_, kPiDigits, sizeof p_);
  std::memcpy(s_, kPiDigits + 18, sizeof s_);
  // The one departure from the published schedule: key words are little-endian.
  for (size_t i = 0; i < 18; ++i) p_[i] ^= LoadLe32(padded + 4 * (i % words));

  uint32_t l = 0;
  uint32_t r = 0;
  for (size_t i = 0; i < 18; i += 2) {
    EncryptBlock(&l, &r);
    p_[i] = l;
    p_[i + 1] = r;
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < 256; i += 2) {
      EncryptBlock(&l, &r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
  return true;
}

void Blowfish::Encrypt(uint8_t* data, size_t length) const {
  ForEachBlock(data, length, [this](uint32_t* l, uint32_t* r) { EncryptBlock(l, r); });
}

void Blowfish::Decrypt(uint8_t* data, size_t length) const {
  ForEachBlock(data, length, [this](uint32_t* l, uint32_t* r) { DecryptBlock(l, r); });
}

size_t EncipheredLength(size_t plain_length) {
  return (plain_length + 4 + kBlowfishBlock - 1) / kBlowfishBlock * kBlowfishBlock;
}

bool EncipherInto(const Blowfish& cipher, const uint8_t* plain, size_t length, uint8_t* out) {
  if (length > 0x7FFFFFF0) return false;
  size_t total = EncipheredLength(length);
  if (length > 0) std::memcpy(out, plain, length);
  std::memset(out + length, 0, total - length);
  StoreLe32(out + total - 4, static_cast<uint32_t>(length));
  cipher.Encrypt(out, total);
  return true;
}

bool DecipherInPlace(const Blowfish& cipher, uint8_t* data, size_t length, size_t* plain_length) {
  *plain_length = 0;
  if (length < kBlowfishBlock || length % kBlowfishBlock != 0) return false;
  cipher.Decrypt(data, length);
  int64_t n = static_cast<int32_t>(LoadLe32(data + length - 4));
  int64_t total = static_cast<int64_t>(length);
  // A negative trailer would otherwise pass the range test for short buffers.
  if (n < 0 || n < total - 12 || n > total - 4) return false;
  *plain_length = static_cast<size_t>(n);
  return true;
}

bool DecipherCopy(const Blowfish& cipher, const uint8_t* stored, size_t length, String* plain) {
  plain->Clear();
  if (length < kBlowfishBlock || length % kBlowfishBlock != 0 || length > 0x7FFFFFF8) return false;
  plain->Assign(stored, static_cast<int32_t>(length));
  size_t plain_length;
  if (!DecipherInPlace(cipher, plain->data(), length, &plain_length)) {
    plain->Clear();
    return false;
  }
  plain->SetLength(static_cast<int32_t>(plain_length));
  return true;
}

bool EncipherCopy(const Blowfish& cipher, const uint8_t* plain, size_t length, String* out) {
  out->Clear();
  if (length > 0x7FFFFFF0) return false;
  out->SetLength(static_cast<int32_t>(EncipheredLength(length)));
  return EncipherInto(cipher, plain, length, out->data());
}
