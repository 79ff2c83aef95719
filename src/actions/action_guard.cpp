#include "actions/action_guard.h"

#include "crash/crash_guard.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"

bool RunActionGuarded(void (*work)(void* context), void* context, const char* crash_text) {
  if (RunGuarded(work, context) == GuardResult::kCompleted) return true;
  LogText(crash_text);
  AddFailure(crash_text);
  return false;
}
