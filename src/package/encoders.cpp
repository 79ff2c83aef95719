// The builder's side of the codecs: the settings block, the file-data blocks
// and the file-data writer. A file of their own, so that the runtime, which
// only decodes, never links zlib's compressor.
#include "core/string.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/deflate.h"
#include "package/entry_queue.h"
#include "package/file_blocks.h"
#include "package/settings_block.h"
#include "package/writer.h"

bool WriteFileBlock(const uint8_t* plain, size_t length, BlockCoding coding, String* out) {
  if (length > kMaxDecodedBlockSize) return false;
  String compressed;
  const uint8_t* bytes = plain;
  size_t size = length;
  if (coding.compressed) {
    if (!DeflateBuffer(plain, length, &compressed)) return false;
    bytes = compressed.bytes();
    size = static_cast<size_t>(compressed.length());
  }
  String enciphered;
  if (coding.cipher) {
    if (!EncipherCopy(*coding.cipher, bytes, size, &enciphered)) return false;
    bytes = enciphered.bytes();
    size = static_cast<size_t>(enciphered.length());
  }
  // A block must hold at least one stored byte.
  if (size < 1 || size > 0x7FFFFFFF) return false;
  PackageWriter writer(out);
  writer.WriteS32(static_cast<int32_t>(size));
  writer.WriteU32(PackageChecksum(bytes, size));
  writer.WriteBytes(bytes, size);
  return true;
}

bool EncodeSettingsBlock(const uint8_t* plain, size_t length, const Blowfish* cipher,
                         String* stored, uint32_t* checksum) {
  stored->Clear();
  if (length > kMaxSettingsDecodedSize) return false;
  *checksum = PackageChecksum(plain, length);
  String compressed;
  if (!DeflateBuffer(plain, length, &compressed)) return false;
  if (!WrapSettingsBlock(compressed.bytes(), static_cast<size_t>(compressed.length()), *checksum, cipher,
                         stored)) {
    return false;
  }
  if (stored->length() > kMaxSettingsStoredSize) {
    stored->Clear();
    return false;
  }
  return true;
}

FileDataWriter::FileDataWriter(BlockCoding coding, String* out, size_t block_size)
    : coding_(coding),
      out_(out),
      block_size_(block_size < kEntryLengthPrefix          ? kEntryLengthPrefix
                  : block_size > kMaxDecodedBlockSize ? kMaxDecodedBlockSize
                                                      : block_size) {}

bool FileDataWriter::AddEntry(const uint8_t* record, size_t length) {
  if (length > 0x7FFFFFFF) return false;
  // The length prefix must lie whole in one block.
  if (static_cast<size_t>(pending_.length()) + kEntryLengthPrefix > block_size_ && !Flush()) {
    return false;
  }
  uint8_t prefix[kEntryLengthPrefix];
  StoreLe32(prefix, static_cast<uint32_t>(length));
  return Append(prefix, kEntryLengthPrefix) && Append(record, length);
}

bool FileDataWriter::Append(const uint8_t* data, size_t length) {
  while (length > 0) {
    size_t room = block_size_ - static_cast<size_t>(pending_.length());
    if (room == 0) {
      if (!Flush()) return false;
      continue;
    }
    size_t part = length < room ? length : room;
    pending_.Append(data, static_cast<int32_t>(part));
    data += part;
    length -= part;
  }
  return true;
}

bool FileDataWriter::Flush() {
  if (pending_.empty()) return true;
  const int32_t before = out_->length();
  if (!WriteFileBlock(pending_.bytes(), static_cast<size_t>(pending_.length()), coding_, out_)) {
    return false;
  }
  const size_t written = static_cast<size_t>(out_->length() - before);
  checksum_.Add(out_->bytes() + before, written);
  stored_length_ += written;
  pending_.Clear();
  return true;
}

bool FileDataWriter::Finish() { return Flush(); }
