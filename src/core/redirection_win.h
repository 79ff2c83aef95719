// File-system redirection of a 32-bit process on 64-bit Windows: while it is
// off, "System32" and "Program Files" paths reach the 64-bit folders. Both
// kernel32 functions are looked up at run time; where they are missing
// (32-bit Windows before Vista) the calls fail and nothing changes.
#pragma once

#include <windows.h>

// Switches redirection off for the calling thread and keeps the value that
// RevertRedirection needs. False when the function is missing or fails; the
// thread's last error then says why (ERROR_PROC_NOT_FOUND when missing).
bool DisableRedirection(void** old_value);
// Restores redirection from the value DisableRedirection gave.
bool RevertRedirection(void* old_value);

// Switches redirection off for its lifetime, or until Restore(). Restoring
// keeps the thread's last error.
class RedirectionGuard {
 public:
  RedirectionGuard() { disabled_ = DisableRedirection(&old_value_); }
  ~RedirectionGuard() { Restore(); }
  RedirectionGuard(const RedirectionGuard&) = delete;
  RedirectionGuard& operator=(const RedirectionGuard&) = delete;

  // Whether redirection is off because of this guard.
  bool disabled() const { return disabled_; }
  void Restore();

 private:
  void* old_value_ = nullptr;
  bool disabled_ = false;
};
