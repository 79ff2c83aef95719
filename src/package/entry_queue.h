// The stream of file entries carried by the file-data blocks. Each entry is
// an s32 length E and E bytes (the entry record). An entry may run across
// blocks, but its 4-byte length never does: a builder starts a new block
// rather than split it, so that the installer can read the length from the
// block at hand.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <cstdint>

#include "core/string.h"
#include "package/block_source.h"
#include "package/checksum.h"
#include "package/entry_record.h"
#include "package/file_blocks.h"
#include "package/reader.h"

// A FIFO of decoded blocks with one read position. Only the block holding
// the read position (the current block) and the blocks appended while an
// entry waits for its bytes are kept.
// Each entry in the decoded file data starts with its u32 length.
inline constexpr size_t kEntryLengthPrefix = 4;

class EntryQueue {
 public:
  enum class Take {
    kTaken,      // the bytes asked for are in the view
    kNeedBlock,  // append the next block and try again
    kStuck,      // no further block can make the entry available
  };

  // Takes the next entry. kStuck when 1 to 3 bytes are left in the current
  // block (the length prefix would straddle blocks), or the length is
  // negative or above max_length. The view stays valid until the next
  // take or Append.
  Take TakeEntry(size_t max_length, ByteSpan* entry);

  // The next entry's length, read from its prefix without taking anything;
  // kStuck and kNeedBlock as with TakeEntry.
  Take PeekLength(size_t max_length, size_t* length);
  // Takes the next count bytes once they are all there (kNeedBlock until
  // then; room for them is made as blocks arrive).
  Take TakeBytes(size_t count, ByteSpan* bytes);
  // Takes what is there of the next count bytes (possibly nothing).
  void TakeAvailable(size_t count, ByteSpan* bytes);

  // Appends a decoded block (its bytes are taken; *block may be left empty).
  // An empty block is dropped. Fails when the queue would outgrow a String.
  bool Append(String* block);

  // No decoded bytes are left.
  bool empty() const { return position_ == static_cast<size_t>(buffer_.length()); }

  // What is not yet taken, to be put back later: the queue then continues
  // exactly as from the moment it was saved (given the same blocks again).
  struct Saved {
    String bytes;
    size_t current_end = 0;
  };
  void Save(Saved* saved) const;
  void Restore(const Saved& saved);

 private:
  void Advance(size_t count);
  void MakeRoom(size_t added);

  String buffer_;
  size_t position_ = 0;
  size_t current_end_ = 0;  // end of the current block within buffer_
  size_t waiting_for_ = 0;  // bytes from position_ the waiting entry needs
};

// The file data as the installer consumes it: blocks are decoded only when
// the next entry needs them.
class FileDataDecoder {
 public:
  // With read_ahead the next block is decoded on a thread of its own while
  // the caller works on the entries at hand.
  FileDataDecoder(const StoredData& data, BlockCoding coding, bool read_ahead = false)
      : blocks_(data, coding, read_ahead) {}

  // Takes the next entry record, no longer than max_length bytes (see
  // EntryLengthLimit). Returns kCorruptNone with *entry set (valid until the
  // next call), or the block error that stopped it; an entry that can never
  // become available is kCorruptBlockOverrun, as it would be once the file
  // data ran out.
  int NextEntry(size_t max_length, ByteSpan* entry);

  // Takes the next entry record and decodes it, with DecodeEntryRecord's
  // results. A record whose content is larger than stream_above bytes is
  // not gathered whole: only its head is decoded, record->content stays
  // empty, and the content is read with ReadContent until FinishContent.
  // The content's checksum is then compared only at FinishContent.
  int NextRecord(int32_t content_size, size_t stream_above, EntryRecord* record);
  // A record's content is being read piece by piece.
  bool streaming() const { return streaming_; }
  // The next piece of the content (at most one block's worth; valid until
  // the next call); empty at its end.
  int ReadContent(ByteSpan* piece);
  // Back to the content's first byte, so that it can be read again.
  void RewindContent();
  // Reads past what is left of the content and compares its checksum
  // (kCorruptEntryChecksum). Ends the streaming.
  int FinishContent();

  // After the last entry: kCorruptFileDataLeft when stored blocks are left,
  // kCorruptEntryDataLeft when decoded bytes are left, else kCorruptNone.
  int Finish() const;

 private:
  int AppendBlock();
  // Takes count bytes, appending blocks until they are there.
  int TakeBytes(size_t count, ByteSpan* bytes);
  int StartStreaming(size_t length, int32_t content_size, EntryRecord* record);
  void StartContent();

  BlockSource blocks_;
  EntryQueue queue_;

  // The content being streamed.
  bool streaming_ = false;
  bool content_read_ = false;  // pieces were read since the start or the rewind
  size_t content_size_ = 0;
  size_t content_left_ = 0;
  ChecksumBuilder content_sum_;
  uint64_t content_block_ = 0;  // where the block after the content's start lies
  EntryQueue::Saved content_start_;
};

// The builder's side: frames entry records and cuts them into blocks of
// block_size plain bytes, never inside an entry's length. Full blocks are
// coded on up to `jobs` worker threads (0: one per core; 1: on the caller's
// thread) and appended to *out in their order as they are done; the caller
// may drain *out between calls. Each block is coded on its own, so the bytes
// are the same whatever the number of jobs, and memory stays bounded by the
// blocks in coding whatever the product's size.
class FileDataWriter {
 public:
  FileDataWriter(BlockCoding coding, String* out, size_t block_size = kDefaultBlockSize, size_t jobs = 0);
  ~FileDataWriter();
  FileDataWriter(const FileDataWriter&) = delete;
  FileDataWriter& operator=(const FileDataWriter&) = delete;

  // Adds one entry record. Fails when it cannot be framed or coded.
  bool AddEntry(const uint8_t* record, size_t length);
  // The same in pieces, for a record too large to hold: StartEntry with the
  // record's whole length, then AddBytes until exactly that many bytes are in.
  bool StartEntry(size_t length);
  bool AddBytes(const uint8_t* data, size_t length) { return Append(data, length); }
  // Writes the last, partly filled block. Call once after the last entry.
  bool Finish();
  // Checksum of all the stored file data written so far (the header's
  // file-data checksum once Finish has run).
  uint32_t checksum() const { return checksum_.Finish(); }
  // Stored bytes written so far (the header's file-data length).
  uint64_t stored_length() const { return stored_length_; }

 private:
  struct Job;
  bool Append(const uint8_t* data, size_t length);
  bool Flush();
  // Waits for the oldest block in coding and appends it to *out.
  bool CollectOldest();

  BlockCoding coding_;
  String* out_;
  size_t block_size_;
  size_t jobs_;
  String pending_;
  std::deque<std::unique_ptr<Job>> coding_jobs_;  // oldest first
  ChecksumBuilder checksum_;
  uint64_t stored_length_ = 0;
};
