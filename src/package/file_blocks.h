// File-data blocks. The stored file data is a run of blocks, each an 8-byte
// head (s32 stored length, u32 checksum of the stored bytes) and the stored
// bytes, which are enciphered and/or compressed as the package says.
#pragma once

#include <cstddef>
#include <cstdint>

class Blowfish;
class String;

// How every block of a package is coded.
struct BlockCoding {
  const Blowfish* cipher = nullptr;  // enciphered (the package carries a key)
  bool compressed = false;           // zlib streams
};

inline constexpr size_t kBlockHeadSize = 8;
// The most one block may decode to. Builders stay well below it (see
// kDefaultBlockSize); it keeps a damaged or hostile block from exhausting
// memory.
inline constexpr size_t kMaxDecodedBlockSize = 0x04000000;
// The plain bytes a builder puts in one block.
inline constexpr size_t kDefaultBlockSize = 0x100000;

// Compares the checksum of the whole stored file data with the header's.
// Returns kCorruptNone or kCorruptFileDataChecksum.
int CheckFileData(const uint8_t* data, size_t length, uint32_t checksum);

// Walks the stored blocks in order.
class FileBlockReader {
 public:
  FileBlockReader(const uint8_t* data, size_t length, BlockCoding coding)
      : data_(data), length_(data ? length : 0), coding_(coding) {}

  // Decodes the next block into *decoded. Returns kCorruptNone,
  // kCorruptBlockOverrun (no block left, a head cut short, or a stored length
  // beyond the data left), kCorruptBlockLength (stored length below 1),
  // kCorruptBlockChecksum or kCorruptBlockDecode (deciphering or inflating
  // failed).
  int Next(String* decoded);

  bool at_end() const { return position_ == length_; }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
  BlockCoding coding_;
};

// The builder's side: codes the plain bytes as one block and appends head and
// stored bytes to *out. Fails when compressing or enciphering fails or the
// stored block would not fit its s32 length.
bool WriteFileBlock(const uint8_t* plain, size_t length, BlockCoding coding, String* out);
