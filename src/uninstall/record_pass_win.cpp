// The files of the install: its log, the record pass over the data file's
// records, the pending operations and conditional deletes, and the data file
// rewritten with what is left.
#include <windows.h>

#include "actions/file_deletion_run.h"
#include "core/file_ops.h"
#include "core/path_rules.h"
#include "package/message_numbers.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "records/marked_path.h"
#include "records/record_refusal.h"
#include "records/restart_queue.h"
#include "records/uninstall_records.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

// A file behind a link is not the file that was installed: it stays, and
// counts as left behind like a file that could not be deleted.
void RemoveRecordedFile(Run& run, const String& marked) {
  const String path = UnmarkPath(marked);
  if (!run.product.settings.Flag(product_flag::kHideFileNames)) ShowStatus(run, path);
  // The package of a failed MSI removal is what the next attempt removes.
  if (KeepsMsiPackage(run.journal.records, path)) {
    AddUninstallRecordW(run.journal.records, path, kRecordFile);
    return;
  }
  const bool there = GetAttributes(path.w_str()) != kNoAttributes;
  if (run.guard.RemoveFile(path) == Removal::kGone) {
    if (there) AddToFileSet(&run.deleted, path);
    return;
  }
  AddFailureFormatW(run.journal, u"%s %s\r\n", MessageText(run.product.languages, message_number::kFileNotDeleted).w_str(),
                    path.w_str());
  AddUninstallRecordW(run.journal.records, path, kRecordFile);
}

}  // namespace

// Before anything goes: the product's folders decide which links may stop a
// removal and which folders are the product's own to remove.
void GatherProductFolders(Run& run) {
  run.guard.AddProductFolder(run.product_folder);
  run.guard.AddProductFolder(run.uninstall_folder);
  for (const String& record : run.lists.records) {
    const ParsedRecord parsed = ParseRecord(record);
    if (parsed.kind != kRecordFolder || parsed.path.empty()) continue;
    const String folder = WithoutTrailingSeparators(UnmarkPath(parsed.path));
    run.guard.AddProductFolder(folder);
    AddToFileSet(&run.made_folders, folder);
  }
}

void DeleteInstallLog(Run& run) {
  if (run.product.settings.Flag(product_flag::kUninstallKeepsLog)) return;
  run.guard.RemoveFile(InstallLogPath(run.uninstall_folder));
}

// Folders are gathered for later; registry records go now; files go with the
// bar moving from 11 to 91 as they do.
void RecordPass(Run& run) {
  // The MSI packages that could not be removed were recorded just before.
  const String msi_left = run.journal.records.msi;
  ClearUninstallRecords(run.journal.records);
  run.journal.records.msi = msi_left;
  const Array<String> protected_folders = SystemAndShellFolders();
  const int32_t total = run.lists.records.Count();
  for (int32_t i = 0; i < total; ++i) {
    const String& record = run.lists.records[i];
    if (record.empty()) continue;
    const ParsedRecord parsed = ParseRecord(record);
    if (RefuseRecord(run.journal, parsed, protected_folders)) continue;
    if (parsed.kind == kRecordFolder) {
      run.folders.Add(WithoutTrailingSeparators(UnmarkPath(parsed.path)));
    } else if (parsed.kind == kRecordRegistryValue) {
      DeleteValuePath(UnmarkPath(parsed.path).w_str(), 0, run.view);
    } else if (parsed.kind == kRecordRegistryKey) {
      DeleteKeyPath(UnmarkPath(parsed.path).w_str(), 0, RegView::kDefault);
    } else if (parsed.kind == kRecordRegistryKey64) {
      DeleteKeyPath(UnmarkPath(parsed.path).w_str(), 0, RegView::k64);
    } else {
      ReportProgress(run.progress, 11 + static_cast<int32_t>(81LL * i / total), String());
      RemoveRecordedFile(run, parsed.path);
    }
  }
}

void CleanPendingFileOperations(Run& run) { CleanPendingOperations(run.journal, run.deleted, PendingCleanupMode::kUninstall); }

// What is left of the list stays in the rewritten data file.
void RunConditionalDeletes(Run& run) {
  FileDeletionRun deletions;
  deletions.uninstalling = true;
  deletions.product_folder = run.product_folder;
  deletions.journal = &run.journal;
  deletions.guard = &run.guard;
  run.deletions_left = run.product.settings.FileDeletions;
  RunFileDeletions(&run.deletions_left, &deletions);
  if (deletions.restart_required) run.journal.restart_needed = true;
}

// The product as read, but with the conditional deletions still to do.
void RewriteData(Run& run) {
  RunProduct left = run.product;
  left.settings.FileDeletions = run.deletions_left;
  WriteUninstallData(left, run.journal.records, UninstallDataPath(run.uninstall_folder));
  ClearUninstallRecords(run.journal.records);
}

}  // namespace uninstall
