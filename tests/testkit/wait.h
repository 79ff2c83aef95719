// Polling with a deadline: windows of another process appear and change on
// their own schedule, so tests wait for a condition instead of sleeping.
#pragma once

#include <windows.h>

namespace testkit {

// How long the testkit waits by default for a window or a state to appear.
constexpr DWORD kDefaultTimeoutMs = 15000;

// Calls `done` until it answers true or `timeout_ms` has passed; answers
// whether it became true. `done` is called at least once.
template <typename Condition>
bool WaitUntil(Condition done, DWORD timeout_ms = kDefaultTimeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
}

}  // namespace testkit
