#include <windows.h>
#include <shlobj.h>

#include "actions/batch_runner.h"
#include "actions/file_deletion_run.h"
#include "actions/fonts.h"
#include "actions/link_safe_removal.h"
#include "core/codepage.h"
#include "core/fatal.h"
#include "core/file_errors.h"
#include "core/file_ops.h"
#include "core/os_facts.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/progress.h"
#include "core/redirection_win.h"
#include "core/registry_win.h"
#include "core/process_win.h"
#include "core/shutdown_win.h"
#include "core/silent_mode.h"
#include "core/string_compare.h"
#include "core/system_folders.h"
#include "core/wide_win.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "records/marked_path.h"
#include "records/restart_queue.h"
#include "records/shared_files.h"
#include "records/uninstall_data.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"
#include "records/uninstall_value_names.h"
#include "uninstall/removal_rules.h"
#include "uninstall/self_removal.h"
#include "uninstall/undo_steps.h"
#include "uninstall/uninstall_batches.h"
#include "uninstall/uninstall_mode.h"
#include "uninstall/support_offer.h"
#include "uninstall/uninstall_windows.h"

namespace {

constexpr int32_t kFolderClimbLimit = 50;
constexpr int32_t kStartMenuClimbLimit = 20;
constexpr int32_t kRegistryClimbLimit = 20;
// Planned, application, installation.
constexpr uint32_t kRestartReason = 0x80040002;
constexpr char16_t kSoftwarePrefix[] = u"Software\\";

// A 64-bit product's files lie in the 64-bit folders: redirection is off
// for the whole run.
class ProductRedirection {
 public:
  ProductRedirection() = default;
  void TurnOff(bool sixty_four_bit) {
    if (!sixty_four_bit || !Is64BitWindows()) return;
    if (!DisableRedirection(&old_value_)) FatalMessageW(u"Wow64DisableWow64FsRedirection() failed");
    off_ = true;
  }
  ~ProductRedirection() { Restore(); }
  void Restore() {
    if (off_) RevertRedirection(old_value_);
    off_ = false;
  }
  ProductRedirection(const ProductRedirection&) = delete;
  ProductRedirection& operator=(const ProductRedirection&) = delete;

 private:
  void* old_value_ = nullptr;
  bool off_ = false;
};

struct Run {
  const UninstallRequest* request = nullptr;
  bool automatic = false;
  String name;          // as given
  String display_name;  // "DisplayName", or the name
  String product_folder;
  String uninstall_folder;
  RegView view = RegView::kDefault;
  bool sixty_four_bit = false;
  RegistryKey key;  // the product's Uninstall key, read and write
  UninstallDataLists lists;
  FileSet deleted;
  Array<String> folders;
  ProductFolders variable_folders;  // what %InstallDir% and the others name
  ProductRedirection redirection;
  UninstallWindows windows;
  Progress progress;  // without a progress page the calls are skipped
  UninstallResult result;
};

// The %Variables% name the product's folders for as long as the run lasts.
class VariableFoldersScope {
 public:
  explicit VariableFoldersScope(const ProductFolders* folders) { SetVariableFolders(folders); }
  ~VariableFoldersScope() { SetVariableFolders(nullptr); }
  VariableFoldersScope(const VariableFoldersScope&) = delete;
  VariableFoldersScope& operator=(const VariableFoldersScope&) = delete;
};

String ReadValue(RegistryKey& key, const char16_t* name) {
  String text;
  if (!key.ReadText(name, &text, 0)) text.Clear();
  return text;
}

uint64_t ReadFlags(RegistryKey& key, const char16_t* name) { return FlagsFromText(ReadValue(key, name)); }

// The pauses let a person see each step.
void Pause(const Run& run) { run.windows.Pause(); }

void Report(Run& run, int32_t percent, int status_message) {
  ReportProgress(run.progress, percent, status_message ? Message(status_message) : String());
}

void ShowStatus(Run& run, const String& text) {
  if (run.progress.status && !text.empty()) run.progress.status(run.progress.context, text);
}

// What the %Variables% and the windows show.
void ReadProductFacts(Run& run) {
  Settings().DisplayName = run.display_name;
  Settings().DisplayVersion = run.result.version;
  run.variable_folders.install_folder = run.product_folder;
  run.variable_folders.uninstall_folder = run.uninstall_folder;
  run.variable_folders.shared_folder = ReadValue(run.key, uninstall_value::kSharedPath);
  ReadPaintingValues(run.key, run.uninstall_folder);
  UseProductIcons(run.uninstall_folder);
}

// Opens the product key and reads the settings kept in it.
bool FindProduct(Run& run) {
  const String path = UninstallKeyPath(run.name);
  {
    RegistryKey probe;
    if (!probe.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, kRegWriteAccess,
                    RegView::kDefault)) {
      if (GetLastError() == ERROR_ACCESS_DENIED) {
        ShowErrorBox(String(u"Permission denied.  Please run the uninstaller with administrator rights."));
        run.result.outcome = UninstallOutcome::kFailed;
      } else {
        ShowErrorBox(FormatW(u"No product named '%s' is installed.", run.name.w_str()));
        run.result.outcome = UninstallOutcome::kNotInstalled;
      }
      return false;
    }
  }
  if (!run.key.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, KEY_READ | KEY_WRITE,
                    RegView::kDefault)) {
    ShowErrorBox(FormatW(u"Unable to access the uninstall information for:\r\n%s\r\n\r\n"
                           u"The uninstallation cannot be performed.",
                           run.name.w_str()));
    return false;
  }
  run.display_name = ReadValue(run.key, uninstall_value::kDisplayName);
  if (run.display_name.empty()) run.display_name = run.name;
  run.product_folder = WithoutTrailingSeparators(ReadValue(run.key, uninstall_value::kInstallLocation));
  if (run.product_folder.empty()) {
    ShowErrorBox(FormatW(u"The uninstall information for %s is corrupt.\r\n\r\n"
                           u"The uninstallation cannot be performed.",
                           run.display_name.w_str()));
    return false;
  }
  Settings().ProductFlags = ReadFlags(run.key, uninstall_value::kProductFlags);
  Settings().ProductFlags2 = static_cast<uint32_t>(ReadFlags(run.key, uninstall_value::kProductFlags2));
  if (Settings().Flag(product_flag::kForceAutomaticUninstall)) run.automatic = true;
  SetAutomaticMode(run.automatic);
  // A restart the installer could not avoid is still owed.
  if (Settings().Flag(product_flag::kRestartRequired)) NoteRestartNeeded();
  uint32_t bitness = 0;
  run.sixty_four_bit = run.key.ReadNumber(uninstall_value::kBitness, &bitness, 0) && bitness == 1;
  if (run.sixty_four_bit) run.view = RegView::k64;
  run.result.uninstall_subdir = ReadValue(run.key, uninstall_value::kUninstallSubdir);
  run.result.notify_url = ReadValue(run.key, uninstall_value::kNotifyUrl);
  run.result.version = ReadValue(run.key, uninstall_value::kDisplayVersion);
  run.uninstall_folder = run.result.uninstall_subdir.empty()
                             ? run.product_folder
                             : JoinPath(run.product_folder, run.result.uninstall_subdir.w_str());
  ReadProductFacts(run);
  return true;
}

// Loads the uninstall data file; a file that cannot be read is reported.
bool LoadData(Run& run) {
  const String path = UninstallDataPath(run.uninstall_folder);
  const int code = LoadUninstallData(path, run.lists);
  if (code == kFileOk) return true;
  ShowErrorBox(UninstallDataLoadMessage(run.display_name, path, code));
  return false;
}

// The batch stored under `value` runs, then the value goes.
void RunUninstallBatch(Run& run, const char16_t* value, int hide_flag, const String& shared_path) {
  BatchRequest batch;
  batch.commands = ReadValue(run.key, value);
  if (batch.commands.empty()) return;
  UninstallBatchFacts facts;
  facts.install_dir = run.product_folder;
  facts.uninstall_dir = run.uninstall_folder;
  facts.shared_dir = shared_path;
  facts.product_name = run.display_name;
  batch.variable_lines = UninstallBatchVariables(facts);
  batch.working_folder = run.product_folder;
  batch.hide_console = Settings().Flag(hide_flag);
  batch.silent = run.request->silent;
  RunBatch(batch);
  run.key.DeleteValue(value, 0);
}

// Asks whether to uninstall: false when the user said no, or took the support
// offer instead.
bool Confirmed(Run& run) {
  if (!AskYesNo(Message(message_number::kUninstallQuestion), Message(message_number::kUninstallTitle), true)) {
    return false;
  }
  return run.automatic || !OfferSupport(ReadValue(run.key, uninstall_value::kSupportOffer), run.display_name);
}

void RemoveFonts(Run& run) {
  const bool ask = Settings().Flag(product_flag::kAskBeforeEachFont);
  const bool removed = RemoveProductFonts(ReadValue(run.key, uninstall_value::kProductFonts), ask);
  run.key.DeleteValue(uninstall_value::kProductFonts, 0);
  if (removed) BroadcastFontChange();
  Pause(run);
}

void DeleteInstallLog(Run& run) {
  Report(run, 5, message_number::kRemovingLog);
  if (Settings().Flag(product_flag::kUninstallKeepsLog)) return;
  DeleteFile(InstallLogPath(run.uninstall_folder).w_str());
}

void RemoveRecordedFile(Run& run, const String& marked, LinkCheck& links) {
  const String path = UnmarkPath(marked);
  if (!Settings().Flag(product_flag::kHideFileNames)) ShowStatus(run, path);
  // A file behind a link is not the file that was installed: leave it.
  if (links.ReachedThroughLink(path)) return;
  if (DeleteFile(path.w_str())) {
    AddToFileSet(&run.deleted, path);
    return;
  }
  // Only a failed deletion asks whether the file was there at all: a file
  // already gone is nothing left behind.
  if (GetAttributes(path.w_str()) == kNoAttributes) return;
  String failure = Message(message_number::kFileNotDeleted);
  failure.AppendW(u" ");
  failure.Append(path);
  failure.AppendW(u"\r\n");
  AddFailureW(failure.w_str());
  AddUninstallRecordW(path, kRecordFile);
}

// Undoes the records of the data file: folders are gathered for later,
// registry values and keys deleted, files removed.
void RecordPass(Run& run) {
  Report(run, 10, 0);
  // The MSI packages that could not be removed were recorded just before.
  const String msi_left = TheUninstallRecords().msi;
  ClearUninstallRecords();
  TheUninstallRecords().msi = msi_left;
  LinkCheck links;
  const int32_t total = run.lists.records.Count();
  for (int32_t i = 0; i < total; ++i) {
    const String& record = run.lists.records[i];
    if (record.empty()) continue;
    const ParsedRecord parsed = ParseRecord(record);
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

// The product's conditional deletions; what is left of the list stays in the
// rewritten data file.
void RunConditionalDeletes(Run& run) {
  FileDeletionRun deletions;
  deletions.uninstalling = true;
  deletions.product_folder = run.product_folder;
  RunFileDeletions(&Settings().FileDeletions, &deletions);
  if (deletions.restart_required) NoteRestartNeeded();
}

bool RemoveFolderStep(const String& folder, void*) { return RemoveEmptyFolderOrLink(folder); }

// Removes the recorded folders, deepest first, while they are empty. A folder
// that stays is not recorded again: the rewritten data file lists only the
// files that are left.
void RemoveFolders(Run& run) {
  Report(run, 93, 0);
  SortFoldersLongestFirst(&run.folders);
  for (const String& folder : run.folders) {
    if (!Settings().Flag(product_flag::kHideFileNames)) ShowStatus(run, folder);
    RemoveFolderChain(folder, run.product_folder, kFolderClimbLimit, RemoveFolderStep, nullptr);
  }
}

void RewriteData(Run& run) {
  WriteUninstallData(UninstallDataPath(run.uninstall_folder));
  ClearUninstallRecords();
}

// Removes the product's Start Menu folder and its emptied parents. The climb
// stops at the Programs folder itself, which is never ours.
void RemoveStartMenuFolder(Run& run, const String& start_menu, bool all_users) {
  if (start_menu.empty()) return;
  const String programs = FolderPath(all_users ? FolderSource::kCommonPrograms : FolderSource::kPrograms);
  if (programs.empty()) return;
  RemoveFolderChain(JoinPath(programs, start_menu.w_str()), programs, kStartMenuClimbLimit, RemoveFolderStep,
                    nullptr);
  Pause(run);
}

// Deletes `path` (below Software\) under `root`, then each parent that is
// left empty, never Software itself.
void RemoveKeyAndEmptyParents(RegRoot root, String path, RegView view) {
  RegistryKey parent;
  for (int32_t level = 0; level < kRegistryClimbLimit; ++level) {
    if (path.wlength() <= static_cast<int32_t>(sizeof(kSoftwarePrefix) / 2 - 1)) return;
    const String above = ParentFolder(path);
    const int32_t cut = above.wlength() + 1;
    const String leaf(path.w_str() + cut, path.wlength() - cut);
    if (!parent.Open(root, above.w_str(), kRegOpenOnly | kRegNoStack, kRegWriteAccess, view)) return;
    if (parent.DeleteKey(leaf.w_str(), level == 0 ? 0u : static_cast<uint32_t>(kRegOnlyIfEmpty)) != RegistryKey::kDeleted) return;
    path = above;
  }
}

void RemoveProductRegistryKey(Run& run) {
  Report(run, 95, message_number::kRemovingRegistry);
  const String name = ReadValue(run.key, uninstall_value::kProductRegistry);
  if (!name.empty()) {
    String path(kSoftwarePrefix);
    path.Append(WithoutTrailingSeparators(name));
    RemoveKeyAndEmptyParents(RegRoot::kLocalMachine, path, run.view);
    Array<String> hives;
    UserHives(&hives);
    for (const String& hive : hives) {
      RemoveKeyAndEmptyParents(RegRoot::kUsers, JoinPath(hive, path.w_str()), run.view);
    }
  }
  run.key.DeleteValue(uninstall_value::kProductRegistry, 0);
}

void RemoveProductFolderWithContents(const Run& run) {
  if (!Settings().Flag(product_flag::kDeleteFolderWithContents)) return;
  // A damaged entry naming a drive root must never empty the drive.
  if (IsDriveRoot(run.product_folder) || run.product_folder.wlength() <= 3) return;
  RemoveFolderTree(run.product_folder);
}

void RemoveSharedFolder(Run& run, const String& shared) {
  Report(run, 98, 0);
  if (!shared.empty()) RemoveEmptyFolderOrLink(WithoutTrailingSeparators(shared));
}

void RemovePathAddition(Run& run) {
  if (!Settings().Flag(product_flag::kAddToPath)) return;
  const String failure = UndoPathAddition(run.product_folder, ReadValue(run.key, uninstall_value::kAddToPathSubfolder));
  if (!run.automatic) ShowErrorBox(failure);
}

// Lets go of the product: its data file, PATH addition, last batch and
// Uninstall key. Only an error-free run does this.
void Unregister(Run& run, const String& shared_path) {
  if (HasFailed()) return;
  DeleteFile(UninstallDataPath(run.uninstall_folder).w_str());
  RemovePathAddition(run);
  RunUninstallBatch(run, uninstall_value::kUninstallBatch2, product_flag::kHideUninstallBatch2, shared_path);
  run.key.CloseAll();
  RegistryKey uninstall_root;
  const String path = UninstallKeyPath(String());
  if (uninstall_root.Open(RegRoot::kLocalMachine, WithoutTrailingSeparators(path).w_str(), kRegOpenOnly | kRegNoStack,
                          kRegWriteAccess, RegView::kDefault)) {
    uninstall_root.DeleteKey(run.name.w_str(), 0);
  }
}

// The product's desktop folder, and the desktop that showed it.
void NotifyShell(bool all_users, const String& desktop_folder) {
  const String desktop = FolderPath(all_users ? FolderSource::kCommonDesktop : FolderSource::kDesktop);
  if (desktop.empty()) return;
  if (!desktop_folder.empty()) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, Wide(JoinPath(desktop, desktop_folder.w_str())), nullptr);
  }
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, Wide(desktop), nullptr);
}

// An automatic run restarts without asking.
void Restart() {
  if (!RestartNeeded()) return;
  if (!AskYesNo(Message(message_number::kUninstallRestartQuestion), Message(message_number::kRestartTitle), true)) return;
  ShutDown(static_cast<int32_t>(ShutdownKind::kRestart), 0, kRestartReason);
}

void EndWithSuccess(const Run& run) {
  if (Settings().Flag2(product_flag2::kUninstallCompletionMessage)) {
    ShowNotice(Message(message_number::kUninstallCompleted), Message(message_number::kUninstallCompletedTitle));
  }
  Restart();
  if (!run.request->run_after.empty()) RunProcess(run.request->run_after.w_str(), 0);
}

void EndWithFailure() {
  const String summary = AnsiToUtf16(TheFailureSummary().text);
  ShowWarning(FillMessage(Message(message_number::kUninstallFailed), {summary}), Message(message_number::kRestartTitle));
}

// Everything the installation left, undone in order: the first batch,
// associations, fonts, log, shared files, pins, MSI packages, the records,
// folders, Start Menu, registry, firewall exceptions and drivers, then the
// product's registration.
void Remove(Run& run) {
  const String shared_path = ReadValue(run.key, uninstall_value::kSharedPath);
  const String start_menu = ReadValue(run.key, uninstall_value::kProductStartMenu);
  const String desktop_folder = ReadValue(run.key, uninstall_value::kDesktopFolder);
  uint32_t shortcut_mode = 0;
  const bool all_users = run.key.ReadNumber(uninstall_value::kShortcutMode, &shortcut_mode, 0) && shortcut_mode == 1;
  RunUninstallBatch(run, uninstall_value::kUninstallBatch1, product_flag::kHideUninstallBatch1, shared_path);
  Report(run, 1, message_number::kRunningBatch);
  if (!run.lists.associations.IsEmpty()) {
    UndoAssociations(run.lists.associations, run.display_name, run.view);
    Pause(run);
  }
  Report(run, 3, message_number::kRemovingFonts);
  RemoveFonts(run);
  DeleteInstallLog(run);
  SharedFilePassOptions shared_options;
  shared_options.automatic = run.automatic;
  RunSharedFilePass(run.key, shared_options);
  UnpinFromTaskbar(run.lists.records);
  Pause(run);
  if (!run.lists.msi.IsEmpty()) {
    ShowStatus(run, Message(message_number::kRemovingMsi));
    RemoveMsiPackages(run.lists.msi);
    Pause(run);
  }
  RecordPass(run);
  Report(run, 92, 0);
  CleanPendingOperations(run.deleted, PendingCleanupMode::kUninstall);
  RunConditionalDeletes(run);
  RemoveFolders(run);
  RewriteData(run);
  RemoveStartMenuFolder(run, start_menu, all_users);
  RemoveProductRegistryKey(run);
  UndoRegistryEntries(Settings().RegistryEntries, run.view);
  Report(run, 96, 0);
  UndoFirewallExceptions(run.lists.firewall, run.product_folder);
  Report(run, 97, 0);
  RemoveDriverPackages(run.lists.inf);
  RemoveProductFolderWithContents(run);
  RemoveSharedFolder(run, shared_path);
  Unregister(run, shared_path);
  run.key.CloseAll();
  NotifyShell(all_users, desktop_folder);
  Report(run, 100, 0);
  run.redirection.Restore();
  if (Settings().Flag(product_flag::kProgressPage)) {
    Pause(run);
    run.windows.CloseProgress();
  }
}

}  // namespace

UninstallResult RunUninstallMode(const UninstallRequest& request) {
  Run run;
  run.request = &request;
  run.automatic = request.automatic || request.silent;
  run.name = request.product_name;
  ClearFailures();
  if (!FindProduct(run)) return run.result;
  const VariableFoldersScope variables(&run.variable_folders);
  run.redirection.TurnOff(run.sixty_four_bit);
  run.windows.OpenBackground();
  if (!LoadData(run)) return run.result;
  CloseProgramsForUninstall(Settings().ProgramsToClose, kCloseBeforeConfirmation);
  if (!Confirmed(run) ||
      !CloseProgramsForUninstall(Settings().ProgramsToClose, kCloseAfterConfirmation)) {
    run.result.outcome = UninstallOutcome::kDeclined;
    return run.result;
  }
  run.progress = run.windows.OpenProgress(run.automatic);
  PrepareSelfRemoval();
  Remove(run);
  run.result.product_folder = run.product_folder;
  if (HasFailed()) {
    AbandonSelfRemoval();
    EndWithFailure();
    run.result.outcome = UninstallOutcome::kFailed;
    return run.result;
  }
  EndWithSuccess(run);
  run.result.outcome = UninstallOutcome::kSucceeded;
  return run.result;
}
