#include <windows.h>

#include "core/handle_win.h"
#include "package/block_source.h"

struct BlockWorker::State {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  KernelHandle thread;
  void (*main)(void*) = nullptr;
  void* context = nullptr;

  static DWORD WINAPI Run(void* state) {
    auto* self = static_cast<State*>(state);
    self->main(self->context);
    return 0;
  }
};

BlockWorker::BlockWorker() : state_(new State) {}

BlockWorker::~BlockWorker() { Join(); }

bool BlockWorker::Start(void (*main)(void*), void* context) {
  if (running_) return true;
  state_->main = main;
  state_->context = context;
  state_->thread.Reset(CreateThread(nullptr, 0, &State::Run, state_.get(), 0, nullptr));
  running_ = static_cast<bool>(state_->thread);
  return running_;
}

void BlockWorker::Join() {
  if (!running_) return;
  WaitForSingleObject(state_->thread.get(), INFINITE);
  state_->thread.Reset();
  running_ = false;
}

void BlockWorker::Lock() { AcquireSRWLockExclusive(&state_->lock); }

void BlockWorker::Unlock() { ReleaseSRWLockExclusive(&state_->lock); }

void BlockWorker::Wait() { SleepConditionVariableSRW(&state_->changed, &state_->lock, INFINITE, 0); }

void BlockWorker::WakeAll() { WakeAllConditionVariable(&state_->changed); }
