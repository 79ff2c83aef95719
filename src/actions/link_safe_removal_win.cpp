#include <windows.h>

#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/path_rules.h"
#include "actions/link_safe_removal.h"
#include "core/wide_win.h"

namespace {

String Lowered(const String& path) {
  String lowered = path;
  lowered.ToLowerW();
  return lowered;
}

// A link goes with RemoveDirectory (a folder link) or DeleteFile (a file
// link); neither touches the target.
bool RemoveLink(const String& path, uint32_t attributes) {
  SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(Wide(path)) != 0;
  return DeleteFileW(Wide(path)) != 0;
}

struct FindTraits {
  using Type = HANDLE;
  static Type Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type handle) { return handle != INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { FindClose(handle); }
};

bool IsDotName(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

void RemoveContents(const String& folder) {
  WIN32_FIND_DATAW found;
  ScopedHandle<FindTraits> search(FindFirstFileW(Wide(JoinPath(folder, u"*")), &found));
  if (!search) return;
  do {
    if (IsDotName(found.cFileName)) continue;
    const String path = JoinPath(folder, reinterpret_cast<const char16_t*>(found.cFileName));
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveLink(path, found.dwFileAttributes);
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveFolderTree(path);
    } else {
      DeleteFile(path.w_str());
    }
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace

bool IsLink(const String& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool LinkCheck::ReachedThroughLink(const String& file) {
  const String parent = ParentFolder(file);
  const String lowered = Lowered(parent);
  if (!clean_folder_.empty() && lowered == clean_folder_) return false;
  for (String folder = parent; !folder.empty() && !IsDriveRoot(folder); folder = ParentFolder(folder)) {
    if (IsLink(folder)) return true;
  }
  clean_folder_ = lowered;
  return false;
}

bool RemoveEmptyFolderOrLink(const String& folder) {
  const DWORD attributes = GetFileAttributesW(Wide(folder));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return RemoveLink(folder, attributes);
  }
  return RemoveFolder(folder.w_str());
}

bool RemoveFolderTree(const String& folder) {
  const DWORD attributes = GetFileAttributesW(Wide(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(folder, attributes);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFile(folder.w_str());
  RemoveContents(folder);
  SetFileAttributesW(Wide(folder), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(Wide(folder)) != 0;
}
