#include "package/block_source.h"

#include <utility>

#include "package/corrupt.h"

namespace {

// Holds the worker's lock for one scope.
class WorkerLock {
 public:
  explicit WorkerLock(BlockWorker& worker) : worker_(worker) { worker_.Lock(); }
  ~WorkerLock() { worker_.Unlock(); }
  WorkerLock(const WorkerLock&) = delete;
  WorkerLock& operator=(const WorkerLock&) = delete;

 private:
  BlockWorker& worker_;
};

}  // namespace

BlockSource::~BlockSource() { StopWorker(); }

void BlockSource::Decode(Decoded* out) {
  out->error = reader_.Next(&out->block);
  out->end = reader_.position();
}

bool BlockSource::StartWorker() {
  if (worker_.running()) return true;
  if (worker_.Start(&BlockSource::WorkerMain, this)) return true;
  read_ahead_ = false;  // no thread to be had: decode on demand
  return false;
}

void BlockSource::WorkerMain(void* self) { static_cast<BlockSource*>(self)->Work(); }

void BlockSource::Work() {
  WorkerLock lock(worker_);
  for (;;) {
    while (!stop_ && (has_ready_ || done_)) worker_.Wait();
    if (stop_) return;
    Decoded decoded;
    worker_.Unlock();
    Decode(&decoded);
    worker_.Lock();
    done_ = decoded.error != kCorruptNone || reader_.at_end();
    ready_ = std::move(decoded);
    has_ready_ = true;
    worker_.WakeAll();
  }
}

void BlockSource::StopWorker() {
  if (!worker_.running()) return;
  {
    WorkerLock lock(worker_);
    stop_ = true;
    worker_.WakeAll();
  }
  worker_.Join();
  stop_ = false;
  has_ready_ = false;
  done_ = false;
  ready_ = Decoded();
}

int BlockSource::Next(String* decoded) {
  // Past the end or after an error the reader answers at once, as it would
  // without a worker.
  if (!read_ahead_ || at_end() || !StartWorker()) {
    StopWorker();
    reader_.set_position(position_);
    const int error = reader_.Next(decoded);
    position_ = reader_.position();
    return error;
  }
  int error;
  {
    WorkerLock lock(worker_);
    while (!has_ready_) worker_.Wait();
    *decoded = std::move(ready_.block);
    error = ready_.error;
    position_ = ready_.end;
    has_ready_ = false;
    if (error == kCorruptNone) {
      worker_.WakeAll();
      return kCorruptNone;
    }
  }
  // The worker stops at an error; later calls decode the same block again.
  StopWorker();
  read_ahead_ = false;
  return error;
}

void BlockSource::set_position(uint64_t position) {
  if (position == position_) return;
  StopWorker();
  position_ = position;
  reader_.set_position(position);
}
