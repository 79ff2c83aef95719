#include "package/entry_queue.h"

#include <utility>

#include "package/byte_order.h"
#include "package/corrupt.h"

EntryQueue::Take EntryQueue::PeekLength(size_t max_length, size_t* length) {
  const size_t size = static_cast<size_t>(buffer_.length());
  if (position_ == size) return Take::kNeedBlock;
  // Blocks appended while an entry waited are only read through; a current
  // block that ran out hands over to what follows it.
  if (position_ == current_end_) current_end_ = size;
  if (current_end_ - position_ < kEntryLengthPrefix) return Take::kStuck;
  const int32_t value = static_cast<int32_t>(LoadLe32(buffer_.bytes() + position_));
  if (value < 0 || static_cast<size_t>(value) > max_length) return Take::kStuck;
  *length = static_cast<size_t>(value);
  return Take::kTaken;
}

EntryQueue::Take EntryQueue::TakeBytes(size_t count, ByteSpan* bytes) {
  if (count > static_cast<size_t>(buffer_.length()) - position_) {
    waiting_for_ = count;
    return Take::kNeedBlock;
  }
  waiting_for_ = 0;
  *bytes = {buffer_.bytes() + position_, count};
  Advance(count);
  return Take::kTaken;
}

void EntryQueue::TakeAvailable(size_t count, ByteSpan* bytes) {
  const size_t there = static_cast<size_t>(buffer_.length()) - position_;
  if (count > there) count = there;
  *bytes = {buffer_.bytes() + position_, count};
  Advance(count);
}

void EntryQueue::Advance(size_t count) {
  position_ += count;
  // Bytes that ran past the current block end inside the last block
  // appended (they were not there before that block came).
  if (position_ > current_end_) current_end_ = static_cast<size_t>(buffer_.length());
}

EntryQueue::Take EntryQueue::TakeEntry(size_t max_length, ByteSpan* entry) {
  size_t length = 0;
  Take take = PeekLength(max_length, &length);
  if (take != Take::kTaken) return take;
  ByteSpan framed;
  take = TakeBytes(kEntryLengthPrefix + length, &framed);
  if (take == Take::kTaken) *entry = {framed.data + kEntryLengthPrefix, length};
  return take;
}

void EntryQueue::Save(Saved* saved) const {
  saved->bytes.Assign(buffer_.bytes() + position_, static_cast<int32_t>(buffer_.length() - position_));
  saved->current_end = current_end_ > position_ ? current_end_ - position_ : 0;
}

void EntryQueue::Restore(const Saved& saved) {
  buffer_ = saved.bytes;
  position_ = 0;
  current_end_ = saved.current_end;
  waiting_for_ = 0;
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

int FileDataDecoder::AppendBlock() {
  String block;
  const int error = blocks_.Next(&block);
  if (error != kCorruptNone) return error;
  return queue_.Append(&block) ? kCorruptNone : kCorruptBlockOverrun;
}

int FileDataDecoder::NextEntry(size_t max_length, ByteSpan* entry) {
  // Every pass consumes a stored block, so the loop ends with the data.
  for (;;) {
    switch (queue_.TakeEntry(max_length, entry)) {
      case EntryQueue::Take::kTaken:
        return kCorruptNone;
      case EntryQueue::Take::kStuck:
        return kCorruptBlockOverrun;
      case EntryQueue::Take::kNeedBlock:
        break;
    }
    const int error = AppendBlock();
    if (error != kCorruptNone) return error;
  }
}

int FileDataDecoder::TakeBytes(size_t count, ByteSpan* bytes) {
  while (queue_.TakeBytes(count, bytes) != EntryQueue::Take::kTaken) {
    const int error = AppendBlock();
    if (error != kCorruptNone) return error;
  }
  return kCorruptNone;
}

int FileDataDecoder::NextRecord(int32_t content_size, size_t stream_above, EntryRecord* record) {
  const size_t max_length = EntryLengthLimit(content_size);
  size_t length = 0;
  for (;;) {
    const EntryQueue::Take take = queue_.PeekLength(max_length, &length);
    if (take == EntryQueue::Take::kTaken) break;
    if (take == EntryQueue::Take::kStuck) return kCorruptBlockOverrun;
    const int error = AppendBlock();
    if (error != kCorruptNone) return error;
  }
  // Streaming needs a head of sane length in front of content and checksum;
  // any other record is gathered whole and judged by the whole-record rules.
  const size_t tail = static_cast<size_t>(content_size) + sizeof(uint32_t);
  if (content_size > 0 && static_cast<size_t>(content_size) > stream_above && length > tail &&
      length - tail <= kMaxEntryOverhead) {
    return StartStreaming(length, content_size, record);
  }
  ByteSpan entry;
  const int error = NextEntry(max_length, &entry);
  if (error != kCorruptNone) return error;
  return DecodeEntryRecord(entry, content_size, record);
}

int FileDataDecoder::StartStreaming(size_t length, int32_t content_size, EntryRecord* record) {
  const size_t head_length = length - static_cast<size_t>(content_size) - sizeof(uint32_t);
  ByteSpan framed;
  int error = TakeBytes(kEntryLengthPrefix + head_length, &framed);
  if (error != kCorruptNone) return error;
  error = DecodeEntryHead({framed.data + kEntryLengthPrefix, head_length}, content_size, record);
  if (error != kCorruptNone) return error;
  streaming_ = true;
  content_size_ = static_cast<size_t>(content_size);
  content_block_ = blocks_.position();
  queue_.Save(&content_start_);
  StartContent();
  return kCorruptNone;
}

void FileDataDecoder::StartContent() {
  content_left_ = content_size_;
  content_sum_ = ChecksumBuilder();
  content_read_ = false;
}

void FileDataDecoder::RewindContent() {
  // Nothing read yet: the queue and the blocks are where the content starts.
  if (!streaming_ || !content_read_) return;
  blocks_.set_position(content_block_);
  queue_.Restore(content_start_);
  StartContent();
}

int FileDataDecoder::ReadContent(ByteSpan* piece) {
  *piece = {nullptr, 0};
  if (!streaming_ || content_left_ == 0) return kCorruptNone;
  content_read_ = true;
  if (queue_.empty()) {
    const int error = AppendBlock();
    if (error != kCorruptNone) return error;
  }
  queue_.TakeAvailable(content_left_, piece);
  content_sum_.Add(piece->data, piece->length);
  content_left_ -= piece->length;
  return kCorruptNone;
}

int FileDataDecoder::FinishContent() {
  if (!streaming_) return kCorruptNone;
  ByteSpan piece;
  do {
    const int error = ReadContent(&piece);
    if (error != kCorruptNone) return error;
  } while (piece.length > 0);
  streaming_ = false;
  content_start_.bytes.Clear();
  ByteSpan stored;
  const int error = TakeBytes(sizeof(uint32_t), &stored);
  if (error != kCorruptNone) return error;
  return content_sum_.Finish() == LoadLe32(stored.data) ? kCorruptNone : kCorruptEntryChecksum;
}

int FileDataDecoder::Finish() const {
  if (!blocks_.at_end()) return kCorruptFileDataLeft;
  if (!queue_.empty() || streaming_) return kCorruptEntryDataLeft;
  return kCorruptNone;
}
