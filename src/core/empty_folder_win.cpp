#include <windows.h>

#include "core/empty_folder.h"
#include "core/file_ops.h"
#include "core/folder_walk.h"

namespace {

// Stops the walk at the first entry that makes the folder worth keeping.
bool StopAtContent(const WalkEntry& entry, void*) {
  return !entry.is_folder && IsShellFolderFile(entry.path->w_str());
}

}  // namespace

bool RemoveFolderIfEmpty(const char16_t* folder) {
  if (!folder || IsBlankText(folder)) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  const String path = WithoutTrailingSeparators(String(folder));
  const uint32_t attributes = GetAttributes(path.w_str());
  if (attributes == kNoAttributes || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  String pattern = path;
  pattern.AppendW(u"\\*");
  const uint32_t options = kWalkFolders | kWalkNoMessages | kWalkBareNames;
  if (WalkFolder(pattern.w_str(), options, StopAtContent, nullptr) == kWalkCancelled) {
    SetLastError(ERROR_DIR_NOT_EMPTY);
    return false;
  }
  return RemoveFolder(path.w_str());
}
