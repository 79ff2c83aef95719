// Polling with a deadline: windows of another process appear and change on
// their own schedule, so tests wait for a condition instead of sleeping.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string_view>

namespace testkit {

// The one bound on waiting for what another thread or process does: a window
// that appears or goes, a process that ends, a file that is written. Under
// 32-bit Wine through QEMU on a busy machine these take many times longer than
// on Windows, so no test guesses a shorter time; the bound only ends a test
// that is really hung.
constexpr DWORD kHangTimeoutMs = 120000;

// How long the testkit waits by default for a window or a state to appear.
constexpr DWORD kDefaultTimeoutMs = kHangTimeoutMs;

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

// The failure of a wait that gave up, naming what it waited for.
inline testing::AssertionResult GaveUpWaiting(std::string_view what, DWORD timeout_ms = kHangTimeoutMs) {
  return testing::AssertionFailure() << "gave up after " << timeout_ms / 1000 << " s waiting for " << what
                                     << " (hung?)";
}

// Waits for `done` within the one bound: ASSERT_TRUE(Await("the log file",
// [&] { ... })) fails with a message naming what never happened.
template <typename Condition>
testing::AssertionResult Await(std::string_view what, Condition done) {
  if (WaitUntil(done, kHangTimeoutMs)) return testing::AssertionSuccess();
  return GaveUpWaiting(what);
}

}  // namespace testkit
