// The folders of the install: those the records named, the start menu
// folder, the product folder with what is left in it, the shared folder.
#include <windows.h>

#include "core/codepage.h"
#include "core/file_ops.h"
#include "core/format.h"
#include "core/handle_win.h"
#include "core/path_rules.h"
#include "core/removal_guard.h"
#include "core/system_folders.h"
#include "core/wide_win.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "records/uninstall_records.h"
#include "uninstall/removal_rules.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

constexpr int32_t kFolderClimbLimit = 50;
constexpr int32_t kStartMenuClimbLimit = 20;

bool RemoveEmptyFolderStep(const String& folder, void* context) {
  return static_cast<Run*>(context)->guard.RemoveEmptyFolder(folder) == Removal::kGone;
}

// Only a folder an installation of the product made goes: the climb ends
// below the first folder that was there before.
bool RemoveMadeFolderStep(const String& folder, void* context) {
  const Run& run = *static_cast<const Run*>(context);
  return FileSetHas(run.made_folders, folder) && RemoveEmptyFolderStep(folder, context);
}

// The uninstall keeps no log of its own; a product that keeps its
// "Install.log" learns there why its folder stayed.
void NoteKeptFolder(const Run& run, const char16_t* reason) {
  FileHandle log(CreateFileW(Wide(InstallLogPath(run.uninstall_folder)), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log.valid()) return;
  String line;
  AppendFormatW(line, u"Folder \"%s\" kept with its contents: %s\r\n", run.product_folder.w_str(), reason);
  const String bytes = Utf16ToUtf8(line.w_str());
  DWORD written = 0;
  WriteFile(log.get(), bytes.c_str(), static_cast<DWORD>(bytes.length()), &written, nullptr);
}

// The reason the product folder is not emptied, or null when it may be.
const char16_t* ReasonToKeepContents(const Run& run) {
  if (!FileSetHas(run.made_folders, WithoutTrailingSeparators(run.product_folder))) {
    return u"it was there before the installation.";
  }
  if (IsDriveRoot(run.product_folder) ||
      HoldsSystemFolder(SystemAndShellFolders(TheFolderSystem()), run.product_folder)) {
    return u"it is a system folder or holds one.";
  }
  return nullptr;
}

}  // namespace

// A folder that stays is recorded again: a later run may still remove it as
// one the installation made.
void RemoveFolders(Run& run) {
  SortFoldersLongestFirst(&run.folders);
  for (const String& folder : run.folders) {
    if (!run.product.settings.Flag(product_flag::kHideFileNames)) ShowStatus(run, folder);
    RemoveFolderChain(folder, run.product_folder, kFolderClimbLimit, RemoveMadeFolderStep, &run);
  }
  for (const String& folder : run.folders) {
    if (FolderExists(folder.w_str())) AddUninstallRecordW(run.journal.records, folder, kRecordFolder);
  }
}

// The climb stops at the Programs folder itself, which is never ours.
void RemoveStartMenuFolder(Run& run) {
  if (run.start_menu.empty()) return;
  const String programs = FolderPath(run.all_users ? FolderSource::kCommonPrograms : FolderSource::kPrograms);
  if (programs.empty()) return;
  RemoveFolderChain(JoinPath(programs, run.start_menu.w_str()), programs, kStartMenuClimbLimit, RemoveEmptyFolderStep,
                    &run);
  Pause(run);
}

// Only a folder this product made, and no system folder nor a folder that
// holds one, is emptied; after a failure the contents wait for the next run,
// so that the data file that names what is left stays.
void RemoveProductFolderWithContents(Run& run) {
  if (!run.product.settings.Flag(product_flag::kDeleteFolderWithContents) || HasFailed(run.journal)) return;
  const char16_t* reason = ReasonToKeepContents(run);
  if (reason) {
    NoteKeptFolder(run, reason);
    return;
  }
  run.guard.RemoveTree(run.product_folder);
}

void RemoveSharedFolder(Run& run) {
  if (!run.shared_path.empty()) run.guard.RemoveEmptyFolder(WithoutTrailingSeparators(run.shared_path));
}

}  // namespace uninstall
