#include "core/ownership_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "core/privilege_state_wintest.h"
#include "core/scratch_folder_wintest.h"
#include "testkit/paths.h"

namespace {

// The SID of the object's owner, as text; empty when it cannot be read.
std::wstring OwnerOf(const std::wstring& name, SE_OBJECT_TYPE type) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(name.c_str(), type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS) {
    return L"";
  }
  LPWSTR text = nullptr;
  std::wstring result;
  if (ConvertSidToStringSidW(owner, &text)) result = text;
  LocalFree(text);
  LocalFree(descriptor);
  return result;
}

// Makes this process's user the owner of `name`.
DWORD GiveToUser(const std::wstring& name, SE_OBJECT_TYPE type) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return GetLastError();
  BYTE buffer[256];
  DWORD size = 0;
  const BOOL got = GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
  CloseHandle(token);
  if (!got) return GetLastError();
  PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  return SetNamedSecurityInfoW(const_cast<wchar_t*>(name.c_str()), type, OWNER_SECURITY_INFORMATION, user, nullptr,
                               nullptr, nullptr);
}

constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";

TEST(TakeOwnership, KeyOwnedByAdministratorsAfterwards) {
  const std::wstring subkey = L"Software\\" + testkit::UniqueName(L"BxOwner");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  const std::wstring name = L"CURRENT_USER\\" + subkey;
  ASSERT_EQ(GiveToUser(name, SE_REGISTRY_KEY), 0u);
  ASSERT_NE(OwnerOf(name, SE_REGISTRY_KEY), kAdministrators);
  EXPECT_EQ(TakeOwnership(U16(name), SE_REGISTRY_KEY), 0u);
  EXPECT_EQ(OwnerOf(name, SE_REGISTRY_KEY), kAdministrators);
  // The privileges are only held for the call.
  EXPECT_FALSE(PrivilegeEnabled(L"SeRestorePrivilege"));
  EXPECT_FALSE(PrivilegeEnabled(L"SeTakeOwnershipPrivilege"));
  RegDeleteKeyW(HKEY_CURRENT_USER, subkey.c_str());
}

TEST(TakeOwnership, FilesAndTheSystemsErrors) {
  ScratchFolder scratch;
  const std::wstring file = scratch / L"protected.dll";
  PutFile(file, "MZ");
  EXPECT_EQ(TakeOwnership(U16(file), SE_FILE_OBJECT), 0u);
  EXPECT_EQ(TakeOwnership(U16(scratch / L"absent.dll"), SE_FILE_OBJECT), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
