// The file-data blocks as the entry decoder takes them: decoded on demand,
// or (with read-ahead) on a thread of its own one block ahead of the reader,
// so that decompression overlaps with the writing of the files. Either way
// the results are the same, in the same order; at most one block waits
// decoded beside the ones in use, so memory stays bounded by the block size.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "core/string.h"
#include "package/file_blocks.h"

class BlockSource {
 public:
  BlockSource(const StoredData& data, BlockCoding coding, bool read_ahead)
      : reader_(data, coding), length_(data.length()), read_ahead_(read_ahead) {}
  ~BlockSource();
  BlockSource(const BlockSource&) = delete;
  BlockSource& operator=(const BlockSource&) = delete;

  // The next block, with FileBlockReader::Next's results.
  int Next(String* decoded);
  // Where the next block handed out starts, and a way back to such a place
  // (whatever was decoded ahead is dropped).
  uint64_t position() const { return position_; }
  void set_position(uint64_t position);
  bool at_end() const { return position_ == length_; }

 private:
  struct Decoded {
    String block;
    int error = 0;
    uint64_t end = 0;  // where the block after it starts
  };

  void Decode(Decoded* out);
  bool StartWorker();
  void Work();
  void StopWorker();

  FileBlockReader reader_;  // the worker's while it runs
  uint64_t length_;
  uint64_t position_ = 0;
  bool read_ahead_;

  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Decoded ready_;
  bool has_ready_ = false;
  bool stop_ = false;
  bool done_ = false;  // the worker met the end of the data or an error
};
