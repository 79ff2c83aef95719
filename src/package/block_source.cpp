#include "package/block_source.h"

#include <system_error>
#include <utility>

#include "package/corrupt.h"

BlockSource::~BlockSource() { StopWorker(); }

void BlockSource::Decode(Decoded* out) {
  out->error = reader_.Next(&out->block);
  out->end = reader_.position();
}

bool BlockSource::StartWorker() {
  if (worker_.joinable()) return true;
  try {
    worker_ = std::thread(&BlockSource::Work, this);
  } catch (const std::system_error&) {
    read_ahead_ = false;  // no thread to be had: decode on demand
    return false;
  }
  return true;
}

void BlockSource::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || (!has_ready_ && !done_); });
    if (stop_) return;
    Decoded decoded;
    lock.unlock();
    Decode(&decoded);
    lock.lock();
    done_ = decoded.error != kCorruptNone || reader_.at_end();
    ready_ = std::move(decoded);
    has_ready_ = true;
    changed_.notify_all();
  }
}

void BlockSource::StopWorker() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
  stop_ = false;
  has_ready_ = false;
  done_ = false;
  ready_ = Decoded();
}

int BlockSource::Next(String* decoded) {
  // Past the end or after an error the reader answers at once, as it would
  // without a worker.
  if (!read_ahead_ || at_end() || !StartWorker()) {
    if (worker_.joinable()) StopWorker();
    reader_.set_position(position_);
    const int error = reader_.Next(decoded);
    position_ = reader_.position();
    return error;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return has_ready_; });
  *decoded = std::move(ready_.block);
  const int error = ready_.error;
  position_ = ready_.end;
  has_ready_ = false;
  if (error != kCorruptNone) {
    // The worker stops at an error; later calls decode the same block again.
    lock.unlock();
    StopWorker();
    read_ahead_ = false;
    return error;
  }
  changed_.notify_all();
  return kCorruptNone;
}

void BlockSource::set_position(uint64_t position) {
  if (position == position_) return;
  StopWorker();
  position_ = position;
  reader_.set_position(position);
}
