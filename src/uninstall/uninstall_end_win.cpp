// The end of an uninstall run: the product let go when nothing failed, the
// shell told, and the closing message, restart and follow-up program.
#include <windows.h>
#include <shlobj.h>

#include "core/codepage.h"
#include "actions/uninstall_registration.h"
#include "core/environment.h"
#include "core/file_ops.h"
#include "core/final_path.h"
#include "core/path_rules.h"
#include "core/process_win.h"
#include "core/shutdown_win.h"
#include "core/system_folders.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "records/failure_summary.h"
#include "records/restart_queue.h"
#include "records/uninstall_data.h"
#include "records/uninstall_entry.h"
#include "core/wide_win.h"
#include "records/uninstall_value_names.h"
#include "uninstall/removal_rules.h"
#include "uninstall/self_removal.h"
#include "uninstall/undo_steps.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

// Planned, application, installation.
constexpr uint32_t kRestartReason = 0x80040002;

void RemovePathAddition(Run& run) {
  if (!run.product.settings.Flag(product_flag::kAddToPath)) return;
  const String failure = UndoPathAddition(run.product_folder, ReadValue(run.key, uninstall_value::kAddToPathSubfolder));
  if (!run.automatic) ShowErrorBox(failure);
}

// An automatic run restarts without asking. True when a restart is still
// owed: it was needed and not made.
bool Restart(const LanguageTable& languages, const Journal& journal) {
  if (!journal.restart_needed) return false;
  if (!AskYesNo(MessageText(languages, message_number::kUninstallRestartQuestion),
                MessageText(languages, message_number::kRestartTitle), true)) {
    return true;
  }
  return !ShutDown(static_cast<int32_t>(ShutdownKind::kRestart), 0, kRestartReason);
}

}  // namespace

// Only an error-free run lets go of the product.
void Unregister(Run& run) {
  if (HasFailed(run.journal)) return;
  DeleteFile(UninstallDataPath(run.uninstall_folder).w_str());
  RemovePathAddition(run);
  RunUninstallBatch(run, uninstall_value::kUninstallBatch2, product_flag::kHideUninstallBatch2, run.shared_path);
  run.key.CloseAll();
  RegistryKey uninstall_root;
  const String path = UninstallKeyPath(String());
  if (uninstall_root.Open(RegRoot::kLocalMachine, WithoutTrailingSeparators(path).w_str(), kRegOpenOnly | kRegNoStack,
                          kRegWriteAccess, RegView::kDefault)) {
    uninstall_root.DeleteKey(run.name.w_str(), 0);
  }
}

void CloseProductKey(Run& run) { run.key.CloseAll(); }

// Only the product's own uninstaller copy removes itself after the run; run
// from anywhere else (a downloaded installer, say) the program removes that
// copy and the last folders now, and stays.
void LetGoOfUninstaller(Run& run) {
  run.result.last_folders = LastFolders(run.product_folder, run.uninstall_subdir, run.made_folders);
  const String own_copy = JoinPath(run.uninstall_folder, kDefaultUninstallerName);
  run.result.self_removal = SameFinalPath(ProgramFilePath(), own_copy);
  if (run.result.self_removal) return;
  AbandonSelfRemoval();
  run.guard.RemoveFile(own_copy);
  for (const String& folder : run.result.last_folders) run.guard.RemoveEmptyFolder(folder);
}

// The product's desktop folder, and the desktop that showed it.
void NotifyShell(Run& run) {
  const String desktop = FolderPath(run.all_users ? FolderSource::kCommonDesktop : FolderSource::kDesktop);
  if (desktop.empty()) return;
  if (!run.desktop_folder.empty()) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, Wide(JoinPath(desktop, run.desktop_folder.w_str())), nullptr);
  }
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, Wide(desktop), nullptr);
}

void EndWithSuccess(Run& run) {
  const LanguageTable& languages = run.product.languages;
  if (run.product.settings.Flag2(product_flag2::kUninstallCompletionMessage)) {
    ShowNotice(MessageText(languages, message_number::kUninstallCompleted),
               MessageText(languages, message_number::kUninstallCompletedTitle));
  }
  run.result.restart_pending = Restart(languages, run.journal);
  if (!run.request->run_after.empty()) RunProcess(run.request->run_after.w_str(), 0);
}

void EndWithFailure(const LanguageTable& languages, const Journal& journal) {
  const String summary = AnsiToUtf16(journal.failures.text);
  ShowWarning(FillMessage(MessageText(languages, message_number::kUninstallFailed), {summary}),
              MessageText(languages, message_number::kRestartTitle));
}

}  // namespace uninstall
