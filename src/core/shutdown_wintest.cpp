#include "core/shutdown_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/privilege_state_wintest.h"
#include "core/system_library_win.h"

namespace {

// What the replaced calls saw. Nothing here ever reaches the system: a test
// program that restarted Wine or the machine would take the whole run down.
struct Seen {
  int exit_calls = 0;
  UINT flags = 0;
  DWORD reason = 0;
  bool privilege_enabled = false;
  int suspend_calls = 0;
  BOOLEAN hibernate = FALSE, force = FALSE, wake_disabled = FALSE;
  BOOL answer = TRUE;
};
Seen g_seen;

bool ShutdownPrivilegeEnabled() { return PrivilegeEnabled(L"SeShutdownPrivilege"); }

BOOL WINAPI RecordExit(UINT flags, DWORD reason) {
  ++g_seen.exit_calls;
  g_seen.flags = flags;
  g_seen.reason = reason;
  g_seen.privilege_enabled = ShutdownPrivilegeEnabled();
  if (!g_seen.answer) SetLastError(ERROR_ACCESS_DENIED);
  return g_seen.answer;
}

BOOLEAN WINAPI RecordSuspend(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wake_disabled) {
  ++g_seen.suspend_calls;
  g_seen.hibernate = hibernate;
  g_seen.force = force;
  g_seen.wake_disabled = wake_disabled;
  return TRUE;
}

BOOL WINAPI RefuseExit(UINT, DWORD) {
  ADD_FAILURE() << "ExitWindowsEx reached outside a test that replaces it";
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

BOOLEAN WINAPI RefuseSuspend(BOOLEAN, BOOLEAN, BOOLEAN) {
  ADD_FAILURE() << "SetSuspendState reached outside a test that replaces it";
  return FALSE;
}

// From the start of the test program on, whatever test runs.
const bool g_session_end_refused = [] {
  ReplaceSessionEndCalls({&RefuseExit, &RefuseSuspend});
  return true;
}();

class ShutDownTest : public testing::Test {
 protected:
  void SetUp() override {
    g_seen = Seen();
    ReplaceSessionEndCalls({&RecordExit, &RecordSuspend});
  }
  void TearDown() override { ReplaceSessionEndCalls({&RefuseExit, &RefuseSuspend}); }
};

TEST_F(ShutDownTest, RestartWithReasonAndThePrivilegeForTheCallOnly) {
  ASSERT_TRUE(ShutDown(2, 0, 0x80040002));
  EXPECT_EQ(g_seen.exit_calls, 1);
  EXPECT_EQ(g_seen.flags, static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG));
  EXPECT_EQ(g_seen.reason, 0x80040002u);
  EXPECT_TRUE(g_seen.privilege_enabled);
  EXPECT_FALSE(ShutdownPrivilegeEnabled());
}

TEST_F(ShutDownTest, KindsAndForce) {
  ASSERT_TRUE(ShutDown(0, kShutdownForce, 0));
  EXPECT_EQ(g_seen.flags, static_cast<UINT>(EWX_SHUTDOWN | EWX_FORCE));
  ASSERT_TRUE(ShutDown(1, 0, 0));
  EXPECT_EQ(g_seen.flags, static_cast<UINT>(EWX_POWEROFF | EWX_FORCEIFHUNG));
  ASSERT_TRUE(ShutDown(3, 0, 0));
  EXPECT_EQ(g_seen.flags, static_cast<UINT>(EWX_LOGOFF | EWX_FORCEIFHUNG));
  ASSERT_TRUE(ShutDown(6, 0, 0));  // Wine reports a system that knows EWX_RESTARTAPPS
  EXPECT_EQ(g_seen.flags, static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG | 0x40));
  EXPECT_EQ(g_seen.exit_calls, 4);
  EXPECT_EQ(g_seen.suspend_calls, 0);
}

TEST_F(ShutDownTest, FailureKeepsTheSystemsError) {
  g_seen.answer = FALSE;
  SetLastError(0);
  EXPECT_FALSE(ShutDown(2, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(ShutdownPrivilegeEnabled());
}

TEST_F(ShutDownTest, UnknownKindTouchesNothing) {
  SetLastError(0);
  EXPECT_FALSE(ShutDown(7, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(ShutDown(-1, 0, 0));
  EXPECT_EQ(g_seen.exit_calls + g_seen.suspend_calls, 0);
}

TEST_F(ShutDownTest, SleepAndHibernateThroughPowrprof) {
  const SystemLibrary powrprof(L"powrprof.dll");
  if (!powrprof.Get<FARPROC>("SetSuspendState")) {
    SetLastError(0);
    EXPECT_FALSE(ShutDown(4, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    GTEST_SKIP() << "no SetSuspendState in this system";
  }
  ASSERT_TRUE(ShutDown(4, 0, 0));
  EXPECT_EQ(g_seen.suspend_calls, 1);
  EXPECT_FALSE(g_seen.hibernate);
  EXPECT_FALSE(g_seen.force);
  EXPECT_FALSE(g_seen.wake_disabled);
  ASSERT_TRUE(ShutDown(5, kShutdownForce | kShutdownNoWakeEvents, 0));
  EXPECT_EQ(g_seen.suspend_calls, 2);
  EXPECT_TRUE(g_seen.hibernate);
  EXPECT_TRUE(g_seen.force);
  EXPECT_TRUE(g_seen.wake_disabled);
  EXPECT_EQ(g_seen.exit_calls, 0);
}

}  // namespace
