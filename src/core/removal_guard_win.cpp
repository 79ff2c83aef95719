#include <windows.h>

#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/path_rules.h"
#include "core/removal_guard.h"
#include "core/wide_win.h"

namespace {

String Lowered(const String& path) {
  String lowered = path;
  lowered.ToLowerW();
  return lowered;
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

// A found entry is a link by its reparse tag, not by the attribute alone.
bool FoundLink(const WIN32_FIND_DATAW& found) {
  return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkTag(found.dwReserved0);
}

// A link goes with RemoveDirectory (a folder link) or DeleteFile (a file
// link); neither touches the target.
bool RemoveLink(const String& path, uint32_t attributes) {
  SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(Wide(path)) != 0;
  return DeleteFileW(Wide(path)) != 0;
}

bool RemoveTreeBelow(const String& folder);

void RemoveContents(const String& folder) {
  WIN32_FIND_DATAW found;
  ScopedHandle<FindTraits> search(FindFirstFileW(Wide(JoinPath(folder, u"*")), &found));
  if (!search) return;
  do {
    if (IsDotName(found.cFileName)) continue;
    const String path = JoinPath(folder, reinterpret_cast<const char16_t*>(found.cFileName));
    if (FoundLink(found)) {
      RemoveLink(path, found.dwFileAttributes);
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTreeBelow(path);
    } else {
      DeleteFile(path.w_str());
    }
  } while (FindNextFileW(search.get(), &found));
}

bool RemoveTreeBelow(const String& folder) {
  RemoveContents(folder);
  SetFileAttributesW(Wide(folder), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(Wide(folder)) != 0;
}

}  // namespace

bool IsLink(const String& path) {
  WIN32_FIND_DATAW found;
  ScopedHandle<FindTraits> search(FindFirstFileW(Wide(WithoutTrailingSeparators(path)), &found));
  return search && FoundLink(found);
}

void RemovalGuard::AddProductFolder(const String& folder) {
  const String bare = WithoutTrailingSeparators(folder);
  if (bare.wlength() > 3) product_folders_.Add(bare);
  clean_folder_.Clear();
}

bool RemovalGuard::ReachedThroughLink(const String& path) {
  const String lowered = Lowered(ParentFolder(path));
  if (!clean_folder_.empty() && lowered == clean_folder_) return false;
  for (const String& folder : FoldersGuarding(product_folders_, path)) {
    if (IsLink(folder)) return true;
  }
  clean_folder_ = lowered;
  return false;
}

Removal RemovalGuard::Remove(const String& path, bool (*act)(const String& path, uint32_t attributes)) {
  const uint32_t attributes = GetAttributes(path.w_str());
  if (attributes == kNoAttributes) return Removal::kGone;
  if (ReachedThroughLink(path)) return Removal::kBehindLink;
  const bool gone = IsLink(path) ? RemoveLink(path, attributes) : act(path, attributes);
  return gone ? Removal::kGone : Removal::kFailed;
}

Removal RemovalGuard::RemoveFile(const String& path) {
  return Remove(path, [](const String& file, uint32_t) { return DeleteFile(file.w_str()); });
}

Removal RemovalGuard::RemoveEmptyFolder(const String& folder) {
  return Remove(folder, [](const String& empty, uint32_t) { return RemoveFolder(empty.w_str()); });
}

Removal RemovalGuard::RemoveTree(const String& folder) {
  return Remove(folder, [](const String& tree, uint32_t attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveTreeBelow(tree) : DeleteFile(tree.w_str());
  });
}
