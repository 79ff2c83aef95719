#include <windows.h>
#include <aclapi.h>

#include "actions/action_guard.h"
#include "actions/folder_rights.h"
#include "core/system_error_text.h"
#include "records/log_writers.h"

namespace {

constexpr uint32_t kCrashCode = 0x8000FFFF;
// Modify: read, write, execute and delete; no WRITE_DAC, no WRITE_OWNER.
constexpr DWORD kModifyRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
constexpr DWORD kStrippedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

struct LocalMemory {
  HLOCAL memory = nullptr;
  ~LocalMemory() {
    if (memory) LocalFree(memory);
  }
};

// The folder's access list without its deny entries, in a new list.
DWORD WithoutDenyEntries(PACL acl, LocalMemory* out) {
  ACL_SIZE_INFORMATION size = {};
  if (!GetAclInformation(acl, &size, sizeof(size), AclSizeInformation)) return GetLastError();
  out->memory = LocalAlloc(LPTR, size.AclBytesInUse + sizeof(ACL));
  PACL copy = static_cast<PACL>(out->memory);
  if (!copy || !InitializeAcl(copy, size.AclBytesInUse + sizeof(ACL), ACL_REVISION)) return GetLastError();
  for (DWORD i = 0; i < size.AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) return GetLastError();
    if (ace->AceType == ACCESS_DENIED_ACE_TYPE || ace->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE) continue;
    if (!AddAce(copy, ACL_REVISION, MAXDWORD, ace, ace->AceSize)) return GetLastError();
  }
  return ERROR_SUCCESS;
}

struct GroupRights {
  WELL_KNOWN_SID_TYPE group;
  DWORD rights;
};

// Gives each group its rights on `path`, on top of `base` (null: nothing
// else), and stores the list with `what`.
DWORD SetGroupRights(const wchar_t* path, const GroupRights* groups, int count, DWORD inheritance, PACL base,
                     SECURITY_INFORMATION what) {
  BYTE sids[3][SECURITY_MAX_SID_SIZE];
  EXPLICIT_ACCESSW access[3] = {};
  for (int i = 0; i < count && i < 3; ++i) {
    DWORD sid_size = sizeof(sids[i]);
    if (!CreateWellKnownSid(groups[i].group, nullptr, sids[i], &sid_size)) return GetLastError();
    access[i].grfAccessPermissions = groups[i].rights;
    access[i].grfAccessMode = GRANT_ACCESS;
    access[i].grfInheritance = inheritance;
    access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access[i].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access[i].Trustee.ptstrName = reinterpret_cast<LPWSTR>(sids[i]);
  }
  LocalMemory granted;
  const DWORD error = SetEntriesInAclW(static_cast<ULONG>(count), access, base, reinterpret_cast<PACL*>(&granted.memory));
  if (error != ERROR_SUCCESS) return error;
  return SetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT, what, nullptr, nullptr,
                               static_cast<PACL>(granted.memory), nullptr);
}

DWORD Grant(const FolderRightsInputs& inputs) {
  const wchar_t* folder = reinterpret_cast<const wchar_t*>(inputs.folder.w_str());
  const DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return ERROR_PATH_NOT_FOUND;
  }
  SetFileAttributesW(folder, attributes & ~kStrippedAttributes);
  PACL dacl = nullptr;
  LocalMemory descriptor;
  DWORD error = GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                      nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(&descriptor.memory));
  if (error != ERROR_SUCCESS) return error;
  LocalMemory cleaned;
  if (inputs.created_by_this_run && dacl) {
    error = WithoutDenyEntries(dacl, &cleaned);
    if (error != ERROR_SUCCESS) return error;
    dacl = static_cast<PACL>(cleaned.memory);
  }
  const GroupRights everyone{WinWorldSid, kModifyRights};
  return SetGroupRights(folder, &everyone, 1, SUB_CONTAINERS_AND_OBJECTS_INHERIT, dacl, DACL_SECURITY_INFORMATION);
}

}  // namespace

bool RunsAsAdministrator() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(administrators);
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
         CheckTokenMembership(nullptr, administrators, &member) && member;
}

uint32_t RestrictToAdministrators(const String& path, bool folder) {
  // Only these rights, none inherited from the parent that users may change.
  const GroupRights groups[] = {{WinBuiltinAdministratorsSid, GENERIC_ALL},
                                {WinLocalSystemSid, GENERIC_ALL},
                                {WinBuiltinUsersSid, GENERIC_READ | GENERIC_EXECUTE}};
  return SetGroupRights(reinterpret_cast<const wchar_t*>(path.w_str()), groups, 3,
                        folder ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE, nullptr,
                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION);
}

uint32_t GrantFolderRights(const FolderRightsInputs& inputs) {
  LogItem(*inputs.journal, u"Granting rights to directory \"", inputs.folder);
  uint32_t code = kCrashCode;
  auto work = [&]() { code = Grant(inputs); };
  RunActionGuarded(work);
  if (code == ERROR_SUCCESS) {
    LogOk(*inputs.journal);
  } else {
    const String reason = SystemErrorTextW(code);
    LogFormatW(*inputs.journal, u"FAILED code %d: %s\r\n\r\n", static_cast<int>(code), reason.w_str());
  }
  return code;
}
