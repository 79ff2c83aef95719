// The file-data blocks as the entry decoder takes them: decoded on demand,
// or (with read-ahead) on a thread of its own one block ahead of the reader,
// so that decompression overlaps with the writing of the files. Either way
// the results are the same, in the same order; at most one block waits
// decoded beside the ones in use, so memory stays bounded by the block size.
#pragma once

#include <cstdint>
#include <memory>

#include "core/string.h"
#include "package/file_blocks.h"

// The read-ahead thread with its lock and wake-up signal: Win32's own in
// setup.exe, so that no threading library travels in every installer; the
// standard library's on the host.
class BlockWorker {
 public:
  BlockWorker();
  ~BlockWorker();  // joins a running thread
  BlockWorker(const BlockWorker&) = delete;
  BlockWorker& operator=(const BlockWorker&) = delete;

  // Runs main(context) on a new thread; false when there is none to be had.
  bool Start(void (*main)(void*), void* context);
  bool running() const { return running_; }
  void Join();
  void Lock();
  void Unlock();
  // With the lock held: gives it up until WakeAll (or a spurious wake-up),
  // then holds it again.
  void Wait();
  void WakeAll();

 private:
  struct State;
  std::unique_ptr<State> state_;
  bool running_ = false;
};

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
  static void WorkerMain(void* self);
  void Work();
  void StopWorker();

  FileBlockReader reader_;  // the worker's while it runs
  uint64_t length_;
  uint64_t position_ = 0;
  bool read_ahead_;

  BlockWorker worker_;
  Decoded ready_;
  bool has_ready_ = false;
  bool stop_ = false;
  bool done_ = false;  // the worker met the end of the data or an error
};
