// Threads that handle their own failures: the crash handler ends the process
// without a report when one of them faults. Safe to call from any thread.
#pragma once

#include <cstdint>

// Adds or removes the calling thread. At most 64 threads are kept; further
// ones are not added (and so stay reported).
void AddQuietThread();
void RemoveQuietThread();
bool IsQuietThread(uint32_t thread_id);
