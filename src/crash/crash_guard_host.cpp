#include "crash/crash_guard.h"

// The host build has no structured exceptions: a fault ends the test program.
GuardResult RunGuarded(void (*work)(void* context), void* context) {
  work(context);
  return GuardResult::kCompleted;
}
