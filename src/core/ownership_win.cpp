#include "core/ownership_win.h"

#include <aclapi.h>

#include "core/privileges_win.h"
#include "core/system_library_win.h"

namespace {

using SetNamedSecurityInfoFunction = DWORD(WINAPI*)(LPWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL,
                                                    PACL);

// The Administrators group: an elevated installer is a member, and files it
// takes over stay manageable by every administrator afterwards.
class AdministratorsSid {
 public:
  AdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &sid_)) {
      sid_ = nullptr;
    }
  }
  ~AdministratorsSid() {
    if (sid_) FreeSid(sid_);
  }
  AdministratorsSid(const AdministratorsSid&) = delete;
  AdministratorsSid& operator=(const AdministratorsSid&) = delete;

  PSID get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// The privileges that let an administrator take over an object whose rights
// do not admit it, enabled while one exists.
class OwnershipPrivileges {
 public:
  OwnershipPrivileges() { Set(true); }
  ~OwnershipPrivileges() { Set(false); }
  OwnershipPrivileges(const OwnershipPrivileges&) = delete;
  OwnershipPrivileges& operator=(const OwnershipPrivileges&) = delete;

 private:
  static void Set(bool enable) {
    const DWORD error = GetLastError();
    EnablePrivilege(L"SeTakeOwnershipPrivilege", enable, nullptr);
    EnablePrivilege(L"SeRestorePrivilege", enable, nullptr);
    SetLastError(error);
  }
};

}  // namespace

uint32_t TakeOwnership(const char16_t* name, SE_OBJECT_TYPE type) {
  const auto set_security = LoadedSystemFunction<SetNamedSecurityInfoFunction>(L"advapi32.dll", "SetNamedSecurityInfoW");
  if (!set_security) return ERROR_DLL_NOT_FOUND;
  const AdministratorsSid owner;
  if (!owner.get()) return ERROR_NO_TOKEN;
  const OwnershipPrivileges privileges;
  // The call takes a writable name but does not change it.
  return set_security(const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(name)), type, OWNER_SECURITY_INFORMATION,
                      owner.get(), nullptr, nullptr, nullptr);
}
