#include <windows.h>
#include <aclapi.h>

#include "actions/folder_rights.h"

#include <gtest/gtest.h>

#include <string>

#include "core/scratch_folder_wintest.h"
#include "records/journal.h"
#include "records/working_log.h"

namespace {

struct Everyone {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  Everyone() {
    DWORD size = sizeof(sid);
    CreateWellKnownSid(WinWorldSid, nullptr, sid, &size);
  }
};

// The rights the folder's list gives Everyone, allowed and denied.
void EveryoneRights(const std::wstring& folder, DWORD* allowed, DWORD* denied) {
  *allowed = *denied = 0;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  const Everyone everyone;
  ACL_SIZE_INFORMATION size = {};
  if (dacl) GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation);
  for (DWORD i = 0; i < size.AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE && ace->AceType != ACCESS_DENIED_ACE_TYPE) continue;
    auto* known = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    if (!EqualSid(&known->SidStart, const_cast<BYTE*>(everyone.sid))) continue;
    (ace->AceType == ACCESS_ALLOWED_ACE_TYPE ? *allowed : *denied) |= known->Mask;
  }
  LocalFree(descriptor);
}

void DenyEveryoneDelete(const std::wstring& folder) {
  Everyone everyone;
  EXPLICIT_ACCESSW access = {};
  access.grfAccessPermissions = DELETE;
  access.grfAccessMode = DENY_ACCESS;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyone.sid);
  PACL acl = nullptr;
  ASSERT_EQ(SetEntriesInAclW(1, &access, nullptr, &acl), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, acl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  LocalFree(acl);
}

TEST(FolderRights, ModifyOnlyAndDenyEntriesKeptOnFoldersNotOurs) {
  Journal journal_;
  ScratchFolder scratch;
  ASSERT_TRUE(StartWorkingLog(journal_.log));
  struct Case {
    const wchar_t* name;
    bool ours;
  } cases[] = {{L"existing", false}, {L"ours", true}};
  for (const Case& c : cases) {
    const std::wstring folder = scratch / c.name;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    DenyEveryoneDelete(folder);
    DWORD allowed = 0, denied = 0;
    EveryoneRights(folder, &allowed, &denied);
    // Wine keeps no deny entry on a file-system folder; there only the
    // granted rights can be checked.
    const bool deny_kept = denied != 0;
    FolderRightsInputs inputs;
    inputs.journal = &journal_;
    inputs.folder = String(U16(folder));
    inputs.created_by_this_run = c.ours;
    EXPECT_EQ(GrantFolderRights(inputs), 0u);
    EveryoneRights(folder, &allowed, &denied);
    EXPECT_EQ(allowed & (FILE_GENERIC_WRITE | DELETE), static_cast<DWORD>(FILE_GENERIC_WRITE | DELETE));
    EXPECT_EQ(allowed & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL), 0u);
    if (deny_kept) {
      EXPECT_EQ(denied != 0, !c.ours);
    }
  }
  FolderRightsInputs missing;
  missing.journal = &journal_;
  missing.folder = String(U16(scratch / L"missing"));
  EXPECT_EQ(GrantFolderRights(missing), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EndWorkingLog(journal_.log);
}

// The uninstaller's data: administrators and SYSTEM change it, users read
// it, and the parent's entries no longer reach it.
TEST(FolderRights, RestrictedToAdministratorsLeavesUsersReadingOnly) {
  EXPECT_TRUE(RunsAsAdministrator());
  ScratchFolder scratch;
  const std::wstring folder = scratch / L"data";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_EQ(RestrictToAdministrators(String(U16(folder)), true), 0u);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  LocalFree(descriptor);
  // Wine keeps no access list on a file-system folder: it reports one made
  // from the Unix mode bits (SYSTEM, the user, Everyone reading), never
  // protected. Only where the list is kept can it be checked.
  if ((control & SE_DACL_PROTECTED) == 0) return;
  ASSERT_NE(dacl, nullptr);
  EXPECT_EQ(dacl->AceCount, 3u);
  DWORD allowed = 0, denied = 0;
  EveryoneRights(folder, &allowed, &denied);
  EXPECT_EQ(allowed, 0u) << "Everyone keeps rights of the parent";
}

}  // namespace
