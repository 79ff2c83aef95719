// The folders of the install: those the records named, the start menu
// folder, the product folder with what is left in it, the shared folder.
#include "actions/link_safe_removal.h"
#include "core/file_ops.h"
#include "core/path_rules.h"
#include "core/system_folders.h"
#include "uninstall/removal_rules.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

constexpr int32_t kFolderClimbLimit = 50;
constexpr int32_t kStartMenuClimbLimit = 20;

bool RemoveFolderStep(const String& folder, void*) { return RemoveEmptyFolderOrLink(folder); }

}  // namespace

// A folder that stays is not recorded again: the rewritten data file lists
// only the files that are left.
void RemoveFolders(Run& run) {
  SortFoldersLongestFirst(&run.folders);
  for (const String& folder : run.folders) {
    if (!run.product.settings.Flag(product_flag::kHideFileNames)) ShowStatus(run, folder);
    RemoveFolderChain(folder, run.product_folder, kFolderClimbLimit, RemoveFolderStep, nullptr);
  }
}

// The climb stops at the Programs folder itself, which is never ours.
void RemoveStartMenuFolder(Run& run) {
  if (run.start_menu.empty()) return;
  const String programs = FolderPath(run.all_users ? FolderSource::kCommonPrograms : FolderSource::kPrograms);
  if (programs.empty()) return;
  RemoveFolderChain(JoinPath(programs, run.start_menu.w_str()), programs, kStartMenuClimbLimit, RemoveFolderStep,
                    nullptr);
  Pause(run);
}

void RemoveProductFolderWithContents(Run& run) {
  if (!run.product.settings.Flag(product_flag::kDeleteFolderWithContents)) return;
  // A damaged entry naming a drive root must never empty the drive.
  if (IsDriveRoot(run.product_folder) || run.product_folder.wlength() <= 3) return;
  RemoveFolderTree(run.product_folder);
}

void RemoveSharedFolder(Run& run) {
  if (!run.shared_path.empty()) RemoveEmptyFolderOrLink(WithoutTrailingSeparators(run.shared_path));
}

}  // namespace uninstall
