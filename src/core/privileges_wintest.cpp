#include "core/privileges_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/privilege_state_wintest.h"

namespace {

TEST(EnablePrivilege, ShutdownPrivilegeOnAndOff) {
  ASSERT_TRUE(EnablePrivilege(L"SeShutdownPrivilege", true, nullptr)) << GetLastError();
  EXPECT_TRUE(PrivilegeEnabled(L"SeShutdownPrivilege"));
  ASSERT_TRUE(EnablePrivilege(L"SeShutdownPrivilege", false, nullptr)) << GetLastError();
  EXPECT_FALSE(PrivilegeEnabled(L"SeShutdownPrivilege"));
  // The one-argument form enables, for this process.
  ASSERT_TRUE(EnablePrivilege(L"SeShutdownPrivilege"));
  EXPECT_TRUE(PrivilegeEnabled(L"SeShutdownPrivilege"));
  EXPECT_TRUE(EnablePrivilege(L"SeShutdownPrivilege", false, GetCurrentProcess()));
  EXPECT_FALSE(PrivilegeEnabled(L"SeShutdownPrivilege"));
}

TEST(EnablePrivilege, UnknownNameFails) {
  SetLastError(0);
  EXPECT_FALSE(EnablePrivilege(L"SeNoSuchPrivilege", true, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));
}

}  // namespace
