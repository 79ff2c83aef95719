#include "core/removal_guard.h"

#include "core/file_ops.h"
#include "core/string_compare.h"

namespace {

constexpr FolderSource kSingleViewSources[] = {
    FolderSource::kWindows,       FolderSource::kSystem,          FolderSource::kSystem32,
    FolderSource::kTemp,          FolderSource::kAppData,         FolderSource::kCommonAppData,
    FolderSource::kDesktop,       FolderSource::kCommonDesktop,   FolderSource::kDocuments,
    FolderSource::kCommonDocuments, FolderSource::kFavorites,     FolderSource::kCommonFavorites,
    FolderSource::kFonts,         FolderSource::kStartMenu,       FolderSource::kCommonStartMenu,
    FolderSource::kPrograms,      FolderSource::kCommonPrograms,  FolderSource::kStartup,
    FolderSource::kCommonStartup, FolderSource::kProfile,         FolderSource::kDevicePath,
    FolderSource::kMediaPath,     FolderSource::kWebRoot,         FolderSource::kWebServerFolder,
};

void AddFolder(Array<String>* folders, const String& folder) {
  const String bare = WithoutTrailingSeparators(folder);
  if (!bare.empty()) folders->Add(bare);
}

}  // namespace

bool IsSameOrInside(const String& path, const String& folder) {
  const String inner = WithoutTrailingSeparators(path);
  const String outer = WithoutTrailingSeparators(folder);
  const int32_t length = outer.wlength();
  if (length == 0 || inner.wlength() < length) return false;
  if (CompareNoCaseW(inner.w_str(), length, outer.w_str(), length) != 0) return false;
  // "C:\" keeps its separator: everything on the drive is inside it.
  return inner.wlength() == length || inner.AtW(length) == u'\\' || outer.AtW(length - 1) == u'\\';
}

Array<String> FoldersGuarding(const Array<String>& product_folders, const String& path) {
  String highest;
  for (const String& folder : product_folders) {
    if (!IsSameOrInside(path, folder)) continue;
    if (highest.empty() || folder.wlength() < highest.wlength()) highest = WithoutTrailingSeparators(folder);
  }
  Array<String> guarding;
  if (highest.empty()) return guarding;
  for (String folder = ParentFolder(path); IsSameOrInside(folder, highest);) {
    guarding.Add(folder);
    String parent = ParentFolder(folder);
    if (parent.wlength() >= folder.wlength()) break;
    folder = static_cast<String&&>(parent);
  }
  return guarding;
}

Array<String> SystemAndShellFolders(const FolderSystem& system) {
  Array<String> folders;
  for (FolderSource source : kSingleViewSources) AddFolder(&folders, FolderPath(system, source));
  for (FolderSource source : {FolderSource::kProgramFiles, FolderSource::kCommonFiles}) {
    for (FolderView view : {FolderView::k32, FolderView::k64, FolderView::kDefault}) {
      AddFolder(&folders, FolderPath(system, source, view));
    }
  }
  return folders;
}

bool HoldsSystemFolder(const Array<String>& system_folders, const String& folder) {
  for (const String& system_folder : system_folders) {
    if (IsSameOrInside(system_folder, folder)) return true;
  }
  return false;
}
