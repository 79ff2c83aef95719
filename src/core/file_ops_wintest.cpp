#include <windows.h>

#include "core/file_ops.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file.h"
#include "core/scratch_folder_wintest.h"

namespace {

TEST(DeleteFiles, ReadOnlyFilesAreDeletedUnlessAttributesAreKept) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"ro.txt";
  PutFile(name, "x");
  ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(IsReadOnly(U16(name)));
  EXPECT_FALSE(DeleteFile(U16(name), kDeleteKeepAttributes));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Exists(name));
  EXPECT_TRUE(DeleteFile(U16(name)));
  EXPECT_FALSE(Exists(name));
}

TEST(DeleteFiles, AFileThatStaysKeepsItsAttributes) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"held.txt";
  PutFile(name, "x");
  ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE holder = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFile(U16(name)));
  CloseHandle(holder);
  EXPECT_TRUE(IsReadOnly(U16(name)));
  EXPECT_TRUE(DeleteFile(U16(name)));
}

TEST(DeleteFiles, MissingFilesAndEmptyNames) {
  ScratchFolder scratch;
  EXPECT_FALSE(DeleteFile(U16(scratch / L"none.txt")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(DeleteFile(U16(scratch / L"none.txt"), kDeleteMissingIsSuccess));
  EXPECT_TRUE(DeleteFile(U16(scratch / L"no\\such\\path.txt"), kDeleteMissingIsSuccess));
  EXPECT_FALSE(DeleteFile(u""));
  EXPECT_FALSE(DeleteFile(nullptr, kDeleteMissingIsSuccess));
}

TEST(DeleteFiles, OnlyEmptyFilesWhenAsked) {
  ScratchFolder scratch;
  const std::wstring full = scratch / L"full.txt";
  const std::wstring empty = scratch / L"empty.txt";
  PutFile(full, "content");
  PutFile(empty, "");
  EXPECT_FALSE(DeleteFile(U16(full), kDeleteOnlyIfEmpty));
  EXPECT_TRUE(Exists(full));
  EXPECT_TRUE(DeleteFile(U16(empty), kDeleteOnlyIfEmpty));
  EXPECT_FALSE(Exists(empty));
}

// The names the system has queued for deletion at restart.
std::wstring PendingOperations() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::wstring();
  }
  wchar_t buffer[32768];
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  std::wstring all;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                       &bytes) == ERROR_SUCCESS) {
    all.assign(buffer, bytes / sizeof(wchar_t));
  }
  RegCloseKey(key);
  return all;
}

// Takes this test's names out of the queue again, so that the prefix does not
// delete anything on its next start.
void ForgetPendingOperations(const std::wstring& folder) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  const std::wstring all = PendingOperations();
  std::wstring kept;
  for (size_t at = 0; at < all.size();) {  // pairs of source and target
    const std::wstring source = all.c_str() + at;
    at += source.size() + 1;
    const std::wstring target = at < all.size() ? std::wstring(all.c_str() + at) : std::wstring();
    at += target.size() + 1;
    if (source.empty() || source.find(folder) != std::wstring::npos) continue;
    kept += source + L'\0' + target + L'\0';
  }
  kept += L'\0';
  RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                 static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

TEST(DeleteFiles, AtRestartLeavesTheFileAndQueuesIt) {
  ScratchFolder scratch;
  const std::wstring later = scratch / L"later.txt";
  const std::wstring held = scratch / L"held.txt";
  PutFile(later, "x");
  PutFile(held, "x");
  const std::wstring folder = scratch.path().substr(0, scratch.path().size() - 1);
  const std::wstring folder_name = folder.substr(folder.find_last_of(L'\\') + 1);

  EXPECT_TRUE(DeleteFile(U16(later), kDeleteAtRestart));
  EXPECT_TRUE(Exists(later));

  HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFile(U16(held)));
  EXPECT_TRUE(DeleteFile(U16(held), kDeleteAtRestartOnFailure));
  CloseHandle(holder);
  EXPECT_TRUE(Exists(held));

  const std::wstring pending = PendingOperations();
  EXPECT_NE(pending.find(folder_name + L"\\later.txt"), std::wstring::npos);
  EXPECT_NE(pending.find(folder_name + L"\\held.txt"), std::wstring::npos);
  ForgetPendingOperations(folder_name);
  EXPECT_EQ(PendingOperations().find(folder_name), std::wstring::npos);
}

// Wine's Recycle Bin is the desktop's trash folder in the user's home; the
// test takes its file out of there again. Wine names the home folder in
// WINEHOMEDIR, as in "\??\Z:\home\user"; on Windows there is none.
void EmptyWineTrashOf(const std::wstring& name) {
  wchar_t home[MAX_PATH];
  const DWORD units = GetEnvironmentVariableW(L"WINEHOMEDIR", home, MAX_PATH);
  if (units < 5 || units >= MAX_PATH) return;
  const std::wstring trash = std::wstring(home + 4) + L"\\.local\\share\\Trash\\";  // without the "\??\"
  EXPECT_TRUE(DeleteFileW((trash + L"files\\" + name).c_str()));
  DeleteFileW((trash + L"info\\" + name + L".trashinfo").c_str());
}

TEST(DeleteFiles, ToTheRecycleBin) {
  ScratchFolder scratch;
  const std::wstring file_name = L"bx-recycled-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  const std::wstring name = scratch / file_name.c_str();
  PutFile(name, "x");
  EXPECT_TRUE(DeleteFile(U16(name), kDeleteToRecycleBin));
  EXPECT_FALSE(Exists(name));
  EmptyWineTrashOf(file_name);
}

TEST(Folders, CreateFolderMakesTheWholeChain) {
  ScratchFolder scratch;
  const std::wstring deep = scratch / L"a\\b\\c\\";
  EXPECT_TRUE(CreateFolder(U16(deep)));
  EXPECT_TRUE(Exists(scratch / L"a\\b\\c"));
  EXPECT_TRUE(CreateFolder(U16(deep)));  // existing: success
  EXPECT_TRUE(CreateFolder(U16(scratch / L"a/b/d")));
  EXPECT_TRUE(Exists(scratch / L"a\\b\\d"));
}

TEST(Folders, CreateFolderFailures) {
  ScratchFolder scratch;
  EXPECT_FALSE(CreateFolder(u"  "));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_FALSE(CreateFolder(nullptr));
  const std::wstring file = scratch / L"plain";
  PutFile(file, "x");
  EXPECT_FALSE(CreateFolder(U16(file)));  // a file is in the way
  EXPECT_FALSE(CreateFolder(U16(file + L"\\sub")));
}

TEST(Folders, RemoveFolderRefusesDriveRoots) {
  for (const char16_t* root : {u"C:\\", u"C:", u"C:\\\\", u""}) {
    SetLastError(0);
    EXPECT_FALSE(RemoveFolder(root));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
  }
}

TEST(Folders, AFolderHoldingOnlyShellFilesIsRemoved) {
  ScratchFolder scratch;
  const std::wstring folder = scratch / L"shell";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  PutFile(folder + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
  SetFileAttributesW((folder + L"\\desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_FALSE(RemoveFolder(U16(folder), kRemoveKeepShellFiles));
  EXPECT_TRUE(Exists(folder));
  EXPECT_TRUE(RemoveFolder(U16(folder + L"\\")));
  EXPECT_FALSE(Exists(folder));
}

TEST(Folders, AFolderWithOtherFilesKeepsItsShellFiles) {
  ScratchFolder scratch;
  const std::wstring folder = scratch / L"busy";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  PutFile(folder + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
  PutFile(folder + L"\\Thumbs.db", "x");
  PutFile(folder + L"\\user.doc", "x");
  EXPECT_FALSE(RemoveFolder(U16(folder)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(Exists(folder + L"\\desktop.ini"));
  EXPECT_TRUE(Exists(folder + L"\\Thumbs.db"));
}

TEST(Folders, RemovingAMissingFolderSaysPathNotFound) {
  ScratchFolder scratch;
  EXPECT_FALSE(RemoveFolder(U16(scratch / L"gone")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(Attributes, GetAndSet) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"attr.txt";
  PutFile(name, "x");
  EXPECT_EQ(GetAttributes(u""), kNoAttributes);
  EXPECT_EQ(GetAttributes(U16(scratch / L"none")), kNoAttributes);
  EXPECT_TRUE(SetAttributes(U16(name), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetAttributes(U16(name)), static_cast<uint32_t>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(IsReadOnly(U16(name)));
  EXPECT_TRUE(SetAttributes(U16(name), FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(IsReadOnly(U16(name)));
  EXPECT_FALSE(SetAttributes(u" ", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(FileTimes, SetWriteTimeSetsTheLastWriteTime) {
  ScratchFolder scratch;
  const std::wstring name = scratch / L"dated.txt";
  PutFile(name, "x");
  File file;
  ASSERT_EQ(file.Open(U16(name), kOpenExisting), kFileOk);
  const uint64_t time = 0x01D9000000000000ull;  // some day in 2023
  ASSERT_TRUE(SetWriteTime(file, time));
  file.Close();
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime,
            time);
  EXPECT_FALSE(SetWriteTime(file, time));  // closed
}

}  // namespace
