// The crash guard: runs a piece of work that calls foreign code (a COM
// server's registration, an MSI package, a shell verb) so that a fault inside
// it ends that piece of work only. The caller writes its own crash text and
// goes on. The install actions reach it through one wrapper of theirs.
#pragma once

enum class GuardResult {
  kCompleted,  // `work` returned normally
  kCrashed,    // a fault inside `work` was caught; the thread is back here
};

// Calls work(context) under the guard.
GuardResult RunGuarded(void (*work)(void* context), void* context);
