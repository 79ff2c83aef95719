#include <windows.h>
#include <shellapi.h>

#include "core/file.h"
#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/system_library_win.h"
#include "core/wide_win.h"

namespace {

bool IsMissingError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// MoveFileExW is looked up: without it there is no deletion at restart.
bool DeleteAtRestart(const char16_t* name) {
  using MoveFileExFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  auto move = LoadedSystemFunction<MoveFileExFn>(L"kernel32.dll", "MoveFileExW");
  if (!move) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  return move(Wide(name), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool MoveToRecycleBin(const char16_t* name) {
  // The shell wants a full path, in a list ended by two zeros.
  wchar_t full[MAX_PATH * 2];
  const DWORD units = GetFullPathNameW(Wide(name), MAX_PATH * 2 - 1, full, nullptr);
  if (units == 0 || units >= MAX_PATH * 2 - 1) return false;
  full[units + 1] = 0;
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = full;
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;  // 0x454
  const int result = SHFileOperationW(&operation);
  if (GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) return true;
  SetLastError(result != 0 ? static_cast<DWORD>(result) : ERROR_ACCESS_DENIED);
  return false;
}

bool IsEmptyFile(const char16_t* name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(name), GetFileExInfoStandard, &data)) return false;
  if (data.nFileSizeLow == 0 && data.nFileSizeHigh == 0) return true;
  SetLastError(ERROR_FILE_EXISTS);  // it stays: it has content
  return false;
}

bool DeleteNow(const char16_t* name, DWORD attributes, uint32_t options) {
  // Only the read-only attribute stops a deletion; it is put back when the
  // file stays after all.
  const bool clear = !(options & kDeleteKeepAttributes) && (attributes & FILE_ATTRIBUTE_READONLY);
  if (clear) SetFileAttributesW(Wide(name), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(Wide(name))) return true;
  const DWORD error = GetLastError();
  if (IsMissingError(error)) return (options & kDeleteMissingIsSuccess) != 0;
  if (clear) SetFileAttributesW(Wide(name), attributes);
  if (options & kDeleteAtRestartOnFailure) return DeleteAtRestart(name);
  SetLastError(error);
  return false;
}

// Whether the folder holds nothing but the shell's own files.
bool HoldsOnlyShellFiles(const String& folder) {
  String pattern = folder;
  pattern.AppendW(u"\\*");
  WIN32_FIND_DATAW found;
  FindHandle find(FindFirstFileW(Wide(pattern.w_str()), &found));
  if (!find) return false;
  do {
    const auto* name = reinterpret_cast<const char16_t*>(found.cFileName);
    const bool dots = name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
    if (!dots && !IsShellFolderFile(name)) return false;
  } while (FindNextFileW(find.get(), &found));
  return true;
}

void DeleteShellFiles(const String& folder) {
  static const char16_t* const kNames[] = {u"\\thumbs.db", u"\\desktop.ini"};
  for (const char16_t* name : kNames) {
    String path = folder;
    path.AppendW(name);
    DeleteFile(path.w_str(), kDeleteMissingIsSuccess);
  }
}

bool CreateFolderTree(const String& folder) {
  if (FolderExists(folder.w_str())) return true;
  const String parent = ParentFolder(folder);
  // A parent that cannot be made shows in the create below.
  if (!parent.empty() && !IsDriveRoot(parent) && !FolderExists(parent.w_str())) CreateFolderTree(parent);
  const bool created = CreateDirectoryW(Wide(folder.w_str()), nullptr) != FALSE;
  const DWORD error = created ? ERROR_SUCCESS : GetLastError();
  const bool exists = FolderExists(folder.w_str());
  SetLastError(error);
  return exists;
}

}  // namespace

bool DeleteFile(const char16_t* name, uint32_t options) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  // Most deletions need no look at the file first: the plain one is tried at
  // once, and only a refusal (a read-only file) or a missing file takes the
  // longer way: an uninstaller removes thousands of files this way.
  constexpr uint32_t kNeedsALook = kDeleteAtRestart | kDeleteToRecycleBin | kDeleteOnlyIfEmpty;
  if (!(options & kNeedsALook) && DeleteFileW(Wide(name))) return true;
  const DWORD attributes = GetFileAttributesW(Wide(name));
  if (attributes == INVALID_FILE_ATTRIBUTES && IsMissingError(GetLastError())) {
    return (options & kDeleteMissingIsSuccess) != 0;
  }
  if ((options & kDeleteOnlyIfEmpty) && !IsEmptyFile(name)) return false;
  if (options & kDeleteAtRestart) return DeleteAtRestart(name);
  if (options & kDeleteToRecycleBin) return MoveToRecycleBin(name);
  return DeleteNow(name, attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes, options);
}

bool CreateFolder(const char16_t* path) {
  const String folder = IsBlankText(path) ? String() : WithoutTrailingSeparators(String(path));
  if (folder.empty()) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  return CreateFolderTree(folder);
}

bool RemoveFolder(const char16_t* path, uint32_t options) {
  const String given(path);
  const String folder = WithoutTrailingSeparators(given);
  if (given.wlength() <= 3 || folder.wlength() < 3 || IsDriveRoot(folder)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  // The shell's files are removed only from a folder that holds nothing
  // else: a folder that stays keeps its look.
  if (!(options & kRemoveKeepShellFiles) && HoldsOnlyShellFiles(folder)) DeleteShellFiles(folder);
  if (RemoveDirectoryW(Wide(folder.w_str()))) return true;
  if (GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_PATH_NOT_FOUND);
  return false;
}

uint32_t GetAttributes(const char16_t* name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_NAME);
    return kNoAttributes;
  }
  return GetFileAttributesW(Wide(name));
}

Array<String> MissingFolders(const String& folder) {
  Array<String> missing;
  for (String level = folder; !level.empty() && GetAttributes(level.w_str()) == kNoAttributes;) {
    missing.Add(level);
    String parent = ParentFolder(level);
    if (parent.wlength() >= level.wlength()) break;
    level = static_cast<String&&>(parent);
  }
  return missing;
}

bool IsReadOnly(const char16_t* name) {
  const uint32_t attributes = GetAttributes(name);
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool SetAttributes(const char16_t* name, uint32_t attributes) {
  if (IsBlankText(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return SetFileAttributesW(Wide(name), attributes) != FALSE;
}

bool SetWriteTime(File& file, uint64_t file_time) {
  if (!file.handle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(file_time);
  time.dwHighDateTime = static_cast<DWORD>(file_time >> 32);
  return SetFileTime(static_cast<HANDLE>(file.handle()), nullptr, nullptr, &time) != FALSE;
}

bool FolderExists(const char16_t* path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
