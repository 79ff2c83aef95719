// The files of the install: its log, the record pass over the data file's
// records, the pending operations and conditional deletes, and the data file
// rewritten with what is left.
#include <windows.h>

#include "actions/file_deletion_run.h"
#include "actions/link_safe_removal.h"
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

void RemoveRecordedFile(Run& run, const String& marked, LinkCheck& links) {
  const String path = UnmarkPath(marked);
  if (!run.product.settings.Flag(product_flag::kHideFileNames)) ShowStatus(run, path);
  // A file behind a link is not the file that was installed: leave it.
  if (links.ReachedThroughLink(path)) return;
  // The package of a failed MSI removal is what the next attempt removes.
  if (KeepsMsiPackage(run.journal.records, path)) {
    AddUninstallRecordW(run.journal.records, path, kRecordFile);
    return;
  }
  if (DeleteFile(path.w_str())) {
    AddToFileSet(&run.deleted, path);
    return;
  }
  // Only a failed deletion asks whether the file was there at all: a file
  // already gone is nothing left behind.
  if (GetAttributes(path.w_str()) == kNoAttributes) return;
  String failure = MessageText(run.product.languages, message_number::kFileNotDeleted);
  failure.AppendW(u" ");
  failure.Append(path);
  failure.AppendW(u"\r\n");
  AddFailureW(run.journal, failure.w_str());
  AddUninstallRecordW(run.journal.records, path, kRecordFile);
}

}  // namespace

void DeleteInstallLog(Run& run) {
  if (run.product.settings.Flag(product_flag::kUninstallKeepsLog)) return;
  DeleteFile(InstallLogPath(run.uninstall_folder).w_str());
}

// Folders are gathered for later; registry records go now; files go with the
// bar moving from 11 to 91 as they do.
void RecordPass(Run& run) {
  // The MSI packages that could not be removed were recorded just before.
  const String msi_left = run.journal.records.msi;
  ClearUninstallRecords(run.journal.records);
  run.journal.records.msi = msi_left;
  LinkCheck links;
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
      RemoveRecordedFile(run, parsed.path, links);
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
