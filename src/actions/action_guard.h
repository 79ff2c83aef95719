// Runs a piece of an install action that calls foreign code (a COM server, a
// shell verb, an MSI package) under the crash guard. False when it crashed;
// the caller writes its own crash text and the installation goes on.
#pragma once

#include "crash/crash_guard.h"

template <class Work>
bool RunActionGuarded(Work& work) {
  auto thunk = [](void* context) { (*static_cast<Work*>(context))(); };
  return RunGuarded(thunk, &work) == GuardResult::kCompleted;
}
