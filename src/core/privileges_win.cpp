#include "core/privileges_win.h"

#include "core/handle_win.h"

bool EnablePrivilege(const wchar_t* name) { return EnablePrivilege(name, true, nullptr); }

bool EnablePrivilege(const wchar_t* name, bool enable, HANDLE process) {
  KernelHandle token;
  if (!OpenProcessToken(process ? process : GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                        token.Receive())) {
    return false;
  }
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  // AdjustTokenPrivileges succeeds even when the privilege is not held; the
  // last error tells (ERROR_NOT_ALL_ASSIGNED).
  if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) return false;
  return GetLastError() == ERROR_SUCCESS;
}
