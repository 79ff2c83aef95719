// File-data blocks. The stored file data is a run of blocks, each an 8-byte
// head (s32 stored length, u32 checksum of the stored bytes) and the stored
// bytes, which are enciphered and/or compressed as the package says.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.h"
#include "package/program_file.h"

class Blowfish;

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

// Not a corrupt-package number: reading the stored data from the program
// file failed (the run time ends with its read-failure message).
inline constexpr int kStoredDataReadFailed = -1;

// The stored file data where it lies: a buffer in memory, or a stretch of the
// program file that is read piece by piece, so that a large package is never
// held in memory as a whole.
class StoredData {
 public:
  StoredData() = default;
  StoredData(const uint8_t* data, size_t length) : memory_(data), length_(data ? length : 0) {}
  StoredData(const ProgramFile& file, uint64_t start, uint64_t length)
      : file_(file), start_(start), length_(length) {}

  uint64_t length() const { return length_; }
  // count (at least 1) bytes at offset: a view into the memory buffer, or
  // read from the file into *scratch. Null when they lie beyond the data or
  // the read fails.
  const uint8_t* View(uint64_t offset, size_t count, String* scratch) const;

 private:
  const uint8_t* memory_ = nullptr;
  ProgramFile file_ = {nullptr, nullptr, 0};
  uint64_t start_ = 0;
  uint64_t length_ = 0;
};

// Compares the checksum of the whole stored file data with the header's,
// reading it piece by piece. Returns kCorruptNone, kCorruptFileDataChecksum
// or kStoredDataReadFailed.
int CheckFileData(const StoredData& data, uint32_t checksum);

// Walks the stored blocks in order.
class FileBlockReader {
 public:
  FileBlockReader(const StoredData& data, BlockCoding coding) : data_(data), coding_(coding) {}

  // Decodes the next block into *decoded. Returns kCorruptNone,
  // kCorruptBlockOverrun (no block left, a head cut short, or a stored length
  // beyond the data left), kCorruptBlockLength (stored length below 1),
  // kCorruptBlockChecksum, kCorruptBlockDecode (deciphering or inflating
  // failed) or kStoredDataReadFailed.
  int Next(String* decoded);

  bool at_end() const { return position_ == data_.length(); }
  // Where the next block starts, and a way back to such a place.
  uint64_t position() const { return position_; }
  void set_position(uint64_t position) { position_ = position; }

 private:
  StoredData data_;
  uint64_t position_ = 0;
  BlockCoding coding_;
  String scratch_;  // stored bytes read from the file
};

// The builder's side: codes the plain bytes as one block and appends head and
// stored bytes to *out. Fails when compressing or enciphering fails or the
// stored block would not fit its s32 length.
bool WriteFileBlock(const uint8_t* plain, size_t length, BlockCoding coding, String* out);
