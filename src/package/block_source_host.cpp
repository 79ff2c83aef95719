#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "package/block_source.h"

struct BlockWorker::State {
  std::mutex lock;
  std::condition_variable_any changed;
  std::thread thread;
};

BlockWorker::BlockWorker() : state_(new State) {}

BlockWorker::~BlockWorker() { Join(); }

bool BlockWorker::Start(void (*main)(void*), void* context) {
  if (running_) return true;
  try {
    state_->thread = std::thread(main, context);
  } catch (const std::system_error&) {
    return false;
  }
  running_ = true;
  return true;
}

void BlockWorker::Join() {
  if (!running_) return;
  state_->thread.join();
  running_ = false;
}

void BlockWorker::Lock() { state_->lock.lock(); }

void BlockWorker::Unlock() { state_->lock.unlock(); }

void BlockWorker::Wait() { state_->changed.wait(state_->lock); }

void BlockWorker::WakeAll() { state_->changed.notify_all(); }
