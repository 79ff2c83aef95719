#include "package/entry_queue.h"

#include <utility>

#include "package/byte_order.h"
#include "package/corrupt.h"

namespace {

constexpr size_t kLengthPrefix = 4;

}  // namespace

EntryQueue::Take EntryQueue::TakeEntry(size_t max_length, ByteSpan* entry) {
  const size_t size = static_cast<size_t>(buffer_.length());
  if (position_ == size) return Take::kNeedBlock;
  // Blocks appended while an entry waited are only read through; a current
  // block that ran out hands over to what follows it.
  if (position_ == current_end_) current_end_ = size;
  if (current_end_ - position_ < kLengthPrefix) return Take::kStuck;
  const int32_t length = static_cast<int32_t>(LoadLe32(buffer_.bytes() + position_));
  if (length < 0 || static_cast<size_t>(length) > max_length) return Take::kStuck;
  if (static_cast<size_t>(length) > size - position_ - kLengthPrefix) {
    waiting_for_ = kLengthPrefix + static_cast<size_t>(length);
    return Take::kNeedBlock;
  }
  waiting_for_ = 0;
  *entry = {buffer_.bytes() + position_ + kLengthPrefix, static_cast<size_t>(length)};
  position_ += kLengthPrefix + static_cast<size_t>(length);
  // An entry that ran past the current block ends inside the last block
  // appended (it was not available before that block came).
  if (position_ > current_end_) current_end_ = size;
  return Take::kTaken;
}

bool EntryQueue::Append(String* block) {
  if (block->empty()) return true;
  if (empty()) {
    buffer_ = std::move(*block);
    position_ = 0;
    current_end_ = static_cast<size_t>(buffer_.length());
    return true;
  }
  if (position_ > 0) {
    // Drop what was consumed before the buffer grows; the remainder is less
    // than one block, so each byte moves at most once.
    buffer_.Delete(0, static_cast<int32_t>(position_));
    current_end_ -= position_;
    position_ = 0;
  }
  if (block->length() > 0x7FFFFFF0 - buffer_.length()) return false;
  MakeRoom(static_cast<size_t>(block->length()));
  buffer_.Append(block->bytes(), block->length());
  block->Clear();
  return true;
}

void EntryQueue::MakeRoom(size_t added) {
  const size_t needed = static_cast<size_t>(buffer_.length()) + added;
  if (needed + 2 <= static_cast<size_t>(buffer_.capacity())) return;
  // Double towards the waiting entry's full length but never past it: the
  // String growth rule slows to small steps beyond 1 GiB, where the largest
  // entries lie, and nothing is reserved that the data has not shown.
  const size_t wanted = position_ + waiting_for_;
  size_t target = 2 * needed < wanted ? 2 * needed : wanted;
  if (target < needed) target = needed;
  buffer_.Reserve(static_cast<int32_t>(target + 2));
}

int FileDataDecoder::NextEntry(size_t max_length, ByteSpan* entry) {
  for (;;) {
    switch (queue_.TakeEntry(max_length, entry)) {
      case EntryQueue::Take::kTaken:
        return kCorruptNone;
      case EntryQueue::Take::kStuck:
        return kCorruptBlockOverrun;
      case EntryQueue::Take::kNeedBlock:
        break;
    }
    // Every pass consumes a stored block, so the loop ends with the data.
    String block;
    int error = blocks_.Next(&block);
    if (error != kCorruptNone) return error;
    if (!queue_.Append(&block)) return kCorruptBlockOverrun;
  }
}

int FileDataDecoder::Finish() const {
  if (!blocks_.at_end()) return kCorruptFileDataLeft;
  if (!queue_.empty()) return kCorruptEntryDataLeft;
  return kCorruptNone;
}

FileDataWriter::FileDataWriter(BlockCoding coding, String* out, size_t block_size)
    : coding_(coding),
      out_(out),
      block_size_(block_size < kLengthPrefix          ? kLengthPrefix
                  : block_size > kMaxDecodedBlockSize ? kMaxDecodedBlockSize
                                                      : block_size) {}

bool FileDataWriter::AddEntry(const uint8_t* record, size_t length) {
  if (length > 0x7FFFFFFF) return false;
  // The length prefix must lie whole in one block.
  if (static_cast<size_t>(pending_.length()) + kLengthPrefix > block_size_ && !Flush()) {
    return false;
  }
  uint8_t prefix[kLengthPrefix];
  StoreLe32(prefix, static_cast<uint32_t>(length));
  return Append(prefix, kLengthPrefix) && Append(record, length);
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
