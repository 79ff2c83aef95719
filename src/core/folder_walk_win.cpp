#include <windows.h>

#include "core/file_ops.h"
#include "core/folder_walk.h"
#include "core/handle_win.h"
#include "core/message_pump_win.h"
#include "core/wide_win.h"

namespace {

constexpr int kMessagesPerEntry = 100;

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)); }

class Walk {
 public:
  Walk(uint32_t options, WalkVisitor visitor, void* context)
      : options_(options), visitor_(visitor), context_(context) {}

  // Walks one folder (with its trailing separator) and, when asked, its
  // subfolders. Returns false when the visitor stopped the walk.
  bool Folder(const String& folder, const String& pattern, bool subfolders) {
    if (!Matches(folder, pattern)) return false;
    return !subfolders || Subfolders(folder, pattern);
  }

  int64_t total() const { return total_; }

 private:
  bool Matches(const String& folder, const String& pattern) {
    String search = folder;
    search.Append(pattern);
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW(Wide(search.w_str()), &found));
    if (!find) return true;
    do {
      if (!(options_ & kWalkNoMessages)) PumpPendingMessages(kMessagesPerEntry);
      if (!Report(folder, found)) return false;
    } while (FindNextFileW(find.get(), &found));
    return true;
  }

  bool Report(const String& folder, const WIN32_FIND_DATAW& found) {
    if (IsDots(found.cFileName)) return true;
    const auto* name = reinterpret_cast<const char16_t*>(found.cFileName);
    const bool is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_folder ? !(options_ & kWalkFolders) : (options_ & kWalkNoFiles) != 0) return true;
    if (!is_folder && (options_ & kWalkSkipShellFiles) && IsShellFolderFile(name)) return true;
    String path;
    if (!(options_ & kWalkBareNames)) path = folder;
    path.AppendW(name);
    WalkEntry entry;
    entry.path = &path;
    entry.attributes = found.dwFileAttributes;
    entry.size = is_folder ? 0 : (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entry.write_time =
        (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
    entry.is_folder = is_folder;
    if (visitor_ && !visitor_(entry, context_)) return false;
    total_ += entry.size;
    return true;
  }

  bool Subfolders(const String& folder, const String& pattern) {
    String search = folder;
    search.AppendW(u"*.*");
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW(Wide(search.w_str()), &found));
    if (!find) return true;
    do {
      // Junctions and links are not followed: they may lead back up the tree.
      const DWORD attributes = found.dwFileAttributes;
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      if (IsDots(found.cFileName)) continue;
      String subfolder = folder;
      subfolder.AppendW(reinterpret_cast<const char16_t*>(found.cFileName));
      subfolder.AppendW(u'\\');
      if (!Folder(subfolder, pattern, true)) return false;
    } while (FindNextFileW(find.get(), &found));
    return true;
  }

  uint32_t options_;
  WalkVisitor visitor_;
  void* context_;
  int64_t total_ = 0;
};

}  // namespace

int64_t WalkFolder(const char16_t* search_path, uint32_t options, WalkVisitor visitor, void* context) {
  const WalkSpecification parts = SplitWalkSpecification(search_path);
  Walk walk(options, visitor, context);
  if (!walk.Folder(parts.folder, parts.pattern, parts.subfolders)) {
    SetLastError(ERROR_CANCELLED);
    return kWalkCancelled;
  }
  return walk.total();
}
