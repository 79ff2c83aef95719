#include "core/privileges_win.h"

#include <windows.h>

namespace {

// Owns the process token handle.
class TokenHandle {
 public:
  TokenHandle() = default;
  ~TokenHandle() {
    if (handle_) {
      const DWORD error = GetLastError();
      CloseHandle(handle_);
      SetLastError(error);
    }
  }
  TokenHandle(const TokenHandle&) = delete;
  TokenHandle& operator=(const TokenHandle&) = delete;
  HANDLE* receive() { return &handle_; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace

bool EnablePrivilege(const wchar_t* name) {
  TokenHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) return false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  // AdjustTokenPrivileges succeeds even when the privilege is not held; the
  // last error tells (ERROR_NOT_ALL_ASSIGNED).
  if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) return false;
  return GetLastError() == ERROR_SUCCESS;
}
