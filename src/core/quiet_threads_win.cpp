#include <windows.h>

#include "core/quiet_threads.h"

namespace {

constexpr int kMaxQuietThreads = 64;

// A fixed table: the crash handler asks it without allocating anything.
struct QuietThreads {
  CRITICAL_SECTION lock;
  DWORD ids[kMaxQuietThreads] = {};
  QuietThreads() { InitializeCriticalSection(&lock); }
};

QuietThreads& TheQuietThreads() {
  static QuietThreads threads;
  return threads;
}

// Replaces the first slot holding `from` with `to`; false when none does.
bool ReplaceSlot(DWORD from, DWORD to) {
  QuietThreads& t = TheQuietThreads();
  EnterCriticalSection(&t.lock);
  bool found = false;
  for (DWORD& id : t.ids) {
    if (id == from) {
      id = to;
      found = true;
      break;
    }
  }
  LeaveCriticalSection(&t.lock);
  return found;
}

}  // namespace

void AddQuietThread() {
  if (!IsQuietThread(GetCurrentThreadId())) ReplaceSlot(0, GetCurrentThreadId());
}

void RemoveQuietThread() { ReplaceSlot(GetCurrentThreadId(), 0); }

bool IsQuietThread(uint32_t thread_id) { return thread_id != 0 && ReplaceSlot(thread_id, thread_id); }
