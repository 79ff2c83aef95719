// The one way an install action (and an uninstall step) calls foreign code (a
// COM server, a shell verb, an MSI package): under the crash guard, so that a
// fault inside it ends that action only. False when it crashed; the caller
// writes its own crash text (they differ by action) and the run goes on.
#pragma once

#include <type_traits>

#include "crash/crash_guard.h"

template <class Work>
bool RunActionGuarded(Work&& work) {
  using Callable = std::remove_reference_t<Work>;
  auto thunk = [](void* context) { (*static_cast<Callable*>(context))(); };
  return RunGuarded(thunk, const_cast<void*>(static_cast<const void*>(&work))) == GuardResult::kCompleted;
}
