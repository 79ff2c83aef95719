#include "package/file_blocks.h"

#include <cstring>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/inflate.h"
#include "package/writer.h"

namespace {

// Deciphers and/or inflates one block's stored bytes.
bool DecodeBlock(const uint8_t* stored, size_t length, BlockCoding coding, String* decoded) {
  if (!coding.cipher && !coding.compressed) {
    decoded->Assign(stored, static_cast<int32_t>(length));
    return true;
  }
  if (!coding.cipher) return InflateBuffer(stored, length, kMaxDecodedBlockSize, decoded);
  if (!coding.compressed) return DecipherCopy(*coding.cipher, stored, length, decoded);
  String plain;
  if (!DecipherCopy(*coding.cipher, stored, length, &plain)) return false;
  return InflateBuffer(plain.bytes(), static_cast<size_t>(plain.length()), kMaxDecodedBlockSize,
                       decoded);
}

}  // namespace

const uint8_t* StoredData::View(uint64_t offset, size_t count, String* scratch) const {
  if (count == 0 || offset > length_ || count > length_ - offset) return nullptr;
  if (memory_ != nullptr) return memory_ + offset;
  if (count > static_cast<size_t>(String::kToEnd) - 2) return nullptr;
  scratch->SetLength(static_cast<int32_t>(count));
  if (!file_.ReadAt(start_ + offset, scratch->data(), count)) return nullptr;
  return scratch->bytes();
}

int CheckFileData(const StoredData& data, uint32_t checksum) {
  // Pieces of the block size keep the memory needed independent of the package.
  constexpr uint64_t kPiece = kDefaultBlockSize;
  ChecksumBuilder sum;
  String scratch;
  for (uint64_t offset = 0; offset < data.length();) {
    const size_t count = static_cast<size_t>(data.length() - offset < kPiece ? data.length() - offset : kPiece);
    const uint8_t* piece = data.View(offset, count, &scratch);
    if (piece == nullptr) return kStoredDataReadFailed;
    sum.Add(piece, count);
    offset += count;
  }
  return sum.Finish() == checksum ? kCorruptNone : kCorruptFileDataChecksum;
}

int FileBlockReader::Next(String* decoded) {
  decoded->Clear();
  const uint64_t left = data_.length() - position_;
  // A head cut short is as corrupt as a missing block.
  if (left < kBlockHeadSize) return kCorruptBlockOverrun;
  uint8_t head[kBlockHeadSize];
  const uint8_t* head_bytes = data_.View(position_, kBlockHeadSize, &scratch_);
  if (head_bytes == nullptr) return kStoredDataReadFailed;
  std::memcpy(head, head_bytes, kBlockHeadSize);
  const int32_t stored_length = static_cast<int32_t>(LoadLe32(head));
  if (stored_length < 1) return kCorruptBlockLength;
  if (static_cast<uint64_t>(stored_length) > left - kBlockHeadSize) return kCorruptBlockOverrun;
  const uint8_t* stored = data_.View(position_ + kBlockHeadSize, static_cast<size_t>(stored_length), &scratch_);
  if (stored == nullptr) return kStoredDataReadFailed;
  if (PackageChecksum(stored, static_cast<size_t>(stored_length)) != LoadLe32(head + 4)) {
    return kCorruptBlockChecksum;
  }
  position_ += kBlockHeadSize + static_cast<uint64_t>(stored_length);
  // A block that does not decode was written with another key or is damaged
  // beyond what its checksum saw; either way its entries are lost.
  if (!DecodeBlock(stored, static_cast<size_t>(stored_length), coding_, decoded)) {
    decoded->Clear();
    return kCorruptBlockDecode;
  }
  return kCorruptNone;
}
