// The package's block cipher: Blowfish (16 rounds, ECB) with two byte-order
// rules of its own. Key bytes are taken as little-endian 32-bit words for the
// key schedule, while each 8-byte block is two big-endian 32-bit halves.
// An enciphered buffer carries its plain length: plain data, zero padding,
// then the plain length as a little-endian s32 in the last 4 bytes, the whole
// a multiple of 8 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

class String;

inline constexpr size_t kBlowfishBlock = 8;
inline constexpr size_t kBlowfishMaxKey = 56;  // 448 bits

class Blowfish {
 public:
  Blowfish();  // keyed with the all-zero 8-byte key

  // Runs the key schedule. Keys of 1 to 56 bytes are accepted: a key shorter
  // than 8 bytes is zero-padded to 8, a longer one to a multiple of 4.
  // Returns false (and leaves the object unchanged) for other lengths.
  bool SetKey(const uint8_t* key, size_t length);

  void EncryptBlock(uint32_t* left, uint32_t* right) const;
  void DecryptBlock(uint32_t* left, uint32_t* right) const;

  // ECB over whole 8-byte blocks in place; length must be a multiple of 8.
  void Encrypt(uint8_t* data, size_t length) const;
  void Decrypt(uint8_t* data, size_t length) const;

 private:
  uint32_t F(uint32_t x) const;

  uint32_t p_[18];
  uint32_t s_[4][256];
};

// Size of the enciphered form of plain_length bytes: the plain data and its
// 4-byte length trailer, rounded up to whole blocks.
size_t EncipheredLength(size_t plain_length);

// Enciphers plain data into out, which must hold EncipheredLength(length)
// bytes. Fails only when the length cannot be stored as an s32.
bool EncipherInto(const Blowfish& cipher, const uint8_t* plain, size_t length, uint8_t* out);

// Deciphers a buffer in place and reads its plain-length trailer. Fails when
// the length is not a positive multiple of 8, or when the trailer is outside
// length - 12 .. length - 4 or negative; *plain_length is 0 then.
bool DecipherInPlace(const Blowfish& cipher, uint8_t* data, size_t length, size_t* plain_length);

// Copies stored bytes into *plain and deciphers them there, cut to the plain
// length. Fails as DecipherInPlace does, leaving *plain empty.
bool DecipherCopy(const Blowfish& cipher, const uint8_t* stored, size_t length, String* plain);

// Replaces *out with the enciphered form of the plain data.
bool EncipherCopy(const Blowfish& cipher, const uint8_t* plain, size_t length, String* out);
