// Whether a privilege is enabled in the test program's token right now, read
// straight from the system so that tests of the privilege layer do not
// depend on it.
#pragma once

#include <windows.h>

inline bool PrivilegeEnabled(const wchar_t* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  PRIVILEGE_SET set = {};
  set.PrivilegeCount = 1;
  BOOL enabled = FALSE;
  if (LookupPrivilegeValueW(nullptr, name, &set.Privilege[0].Luid)) PrivilegeCheck(token, &set, &enabled);
  CloseHandle(token);
  return enabled != FALSE;
}
