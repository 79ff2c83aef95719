#include <windows.h>
#include <shlobj.h>

#include "actions/associations.h"
#include "actions/batch_runner.h"
#include "actions/file_deletion_run.h"
#include "actions/firewall.h"
#include "actions/link_safe_removal.h"
#include "actions/path_list.h"
#include "actions/system_path.h"
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
#include "core/show_message_win.h"
#include "core/shutdown_win.h"
#include "core/string_compare.h"
#include "core/system_folders.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/marked_path.h"
#include "records/restart_queue.h"
#include "records/shared_files.h"
#include "records/uninstall_data.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"
#include "uninstall/removal_rules.h"
#include "uninstall/undo_steps.h"
#include "uninstall/uninstall_batches.h"
#include "uninstall/uninstall_flags.h"
#include "uninstall/uninstall_mode.h"

namespace {



constexpr int32_t kFolderClimbLimit = 50;
constexpr int32_t kStartMenuClimbLimit = 20;
constexpr int32_t kRegistryClimbLimit = 20;
constexpr DWORD kStepPauseMs = 700;
// Planned, application, installation.
constexpr uint32_t kRestartReason = 0x80040002;
constexpr int32_t kRestartKind = 2;
constexpr char16_t kInstallLogName[] = u"Install.log";
constexpr char16_t kSoftwarePrefix[] = u"Software\\";

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

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
  Progress progress;  // no window yet: the calls are skipped
  UninstallResult result;
};

String ReadValue(RegistryKey& key, const char16_t* name) {
  String text;
  if (!key.ReadText(name, &text, 0)) text.Clear();
  return text;
}

uint64_t ReadNumberText(RegistryKey& key, const char16_t* name) {
  const String text = ReadValue(key, name);
  uint64_t number = 0;
  for (int32_t i = 0; i < text.wlength() && text.AtW(i) >= u'0' && text.AtW(i) <= u'9'; ++i) {
    number = number * 10 + (text.AtW(i) - u'0');
  }
  return number;
}

// The pauses let a person see each step; without a progress window there is
// nobody to see them.
void Pause(const Run& run) {
  if (run.progress.position) Sleep(kStepPauseMs);
}

void Report(Run& run, int32_t percent, int status_message) {
  ReportProgress(run.progress, percent, status_message ? Message(status_message) : String());
}

void ShowStatus(Run& run, const String& text) {
  if (run.progress.status && !text.empty()) run.progress.status(run.progress.context, text);
}

// Errors: in automatic mode only when the product asks for them, never silent.
void ShowError(const Run& run, const String& text) {
  if (run.automatic && !Settings().Flag(product_flag::kErrorBoxesWhenAutomatic)) return;
  String title = Message(message_number::kErrorTitle);
  if (title.empty()) title = String(u"Error");
  ShowMessage(nullptr, text.w_str(), title.w_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Steps 1 to 4: the product key and the settings kept in it.
bool FindProduct(Run& run) {
  const String path = UninstallKeyPath(run.name);
  {
    RegistryKey probe;
    if (!probe.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, kRegWriteAccess,
                    RegView::kDefault)) {
      if (GetLastError() == ERROR_ACCESS_DENIED) {
        ShowError(run, String(u"Permission denied.  Please run the uninstaller with administrator rights."));
        run.result.outcome = UninstallOutcome::kFailed;
      } else {
        ShowError(run, FormatW(u"No product named '%s' is installed.", run.name.w_str()));
        run.result.outcome = UninstallOutcome::kNotInstalled;
      }
      return false;
    }
  }
  if (!run.key.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, KEY_READ | KEY_WRITE,
                    RegView::kDefault)) {
    ShowError(run, FormatW(u"Unable to access the uninstall information for:\r\n%s\r\n\r\n"
                           u"The uninstallation cannot be performed.",
                           run.name.w_str()));
    return false;
  }
  run.display_name = ReadValue(run.key, u"DisplayName");
  if (run.display_name.empty()) run.display_name = run.name;
  run.product_folder = WithoutTrailingSeparators(ReadValue(run.key, u"InstallLocation"));
  if (run.product_folder.empty()) {
    ShowError(run, FormatW(u"The uninstall information for %s is corrupt.\r\n\r\n"
                           u"The uninstallation cannot be performed.",
                           run.display_name.w_str()));
    return false;
  }
  Settings().ProductFlags = ReadNumberText(run.key, u"ProductFlags");
  Settings().ProductFlags2 = static_cast<uint32_t>(ReadNumberText(run.key, u"ProductFlags2"));
  if (Settings().Flag(uninstall_flag::kForceAutomatic)) run.automatic = true;
  uint32_t bitness = 0;
  run.sixty_four_bit = run.key.ReadNumber(u"Bitness", &bitness, 0) && bitness == 1;
  if (run.sixty_four_bit) run.view = RegView::k64;
  run.result.uninstall_subdir = ReadValue(run.key, u"UninstallSubdir");
  run.result.notify_url = ReadValue(run.key, u"NotifyURL");
  run.result.version = ReadValue(run.key, u"DisplayVersion");
  run.uninstall_folder = run.result.uninstall_subdir.empty()
                             ? run.product_folder
                             : JoinPath(run.product_folder, run.result.uninstall_subdir.w_str());
  return true;
}

// Step 5.
bool LoadData(Run& run) {
  const String path = UninstallDataPath(run.uninstall_folder);
  const int code = LoadUninstallData(path, run.lists);
  if (code == kFileOk) return true;
  ShowError(run, UninstallDataLoadMessage(run.display_name, path, code));
  return false;
}

// Steps 10 and 29: the batch stored under `value` runs, then the value goes.
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

// Step 7: false when the user said no.
bool Confirmed(const Run& run) {
  if (run.automatic) return true;
  return ShowMessage(nullptr, Message(message_number::kUninstallQuestion).w_str(), Message(message_number::kUninstallTitle).w_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void RemoveFonts(Run& run) {
  const bool ask = !run.automatic && Settings().Flag(uninstall_flag::kAskBeforeEachFont);
  const bool removed = RemoveProductFonts(ReadValue(run.key, u"ProductFonts"), ask);
  run.key.DeleteValue(u"ProductFonts", 0);
  if (removed) SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
  Pause(run);
}

void DeleteInstallLog(Run& run) {
  Report(run, 5, message_number::kRemovingLog);
  if (Settings().Flag(uninstall_flag::kKeepInstallLog)) return;
  DeleteFile(JoinPath(run.uninstall_folder, kInstallLogName).w_str());
}

void RemoveRecordedFile(Run& run, const String& marked, LinkCheck& links) {
  const String path = UnmarkPath(marked);
  if (!Settings().Flag(uninstall_flag::kNoNamesInProgress)) ShowStatus(run, path);
  if (GetAttributes(path.w_str()) == kNoAttributes) return;
  // A file behind a link is not the file that was installed: leave it.
  if (links.ReachedThroughLink(path)) return;
  if (DeleteFile(path.w_str())) {
    AddToFileSet(&run.deleted, path);
    return;
  }
  String failure = Message(message_number::kFileNotDeleted);
  failure.AppendW(u" ");
  failure.Append(path);
  failure.AppendW(u"\r\n");
  AddFailureW(failure.w_str());
  AddUninstallRecordW(path, kRecordFile);
}

// The parts of the data file that this run does not act on go into the
// rewritten file as they were.
void KeepSectionsNotActedOn(const Run& run) {
  for (const RecordedAssociation& a : run.lists.associations) {
    RecordAssociation(a.extension.c_str(), a.file_type.c_str(), a.verb.c_str(), a.icon.c_str());
  }
  UninstallRecords& records = TheUninstallRecords();
  for (const String& line : run.lists.firewall) {
    records.firewall.Append(line);
    records.firewall.Append("\r\n");
  }
}

// Step 17.
void RecordPass(Run& run) {
  Report(run, 10, 0);
  // The MSI packages that could not be removed were recorded just before.
  const String msi_left = TheUninstallRecords().msi;
  ClearUninstallRecords();
  TheUninstallRecords().msi = msi_left;
  KeepSectionsNotActedOn(run);
  LinkCheck links;
  const int32_t total = run.lists.records.Count();
  for (int32_t i = 0; i < total; ++i) {
    const String& record = run.lists.records[i];
    if (record.empty()) continue;
    const char kind = record.c_str()[0];
    const String rest(record.c_str() + 1, record.length() - 1);
    if (kind == '~') {
      run.folders.Add(WithoutTrailingSeparators(UnmarkPath(rest)));
    } else if (kind == '!') {
      DeleteValuePath(UnmarkPath(rest).w_str(), 0, run.view);
    } else if (kind == '^') {
      DeleteKeyPath(UnmarkPath(rest).w_str(), 0, RegView::kDefault);
    } else if (kind == '*') {
      DeleteKeyPath(UnmarkPath(rest).w_str(), 0, RegView::k64);
    } else {
      ReportProgress(run.progress, 11 + static_cast<int32_t>(81LL * i / total), String());
      RemoveRecordedFile(run, record, links);
    }
  }
}

// Step 19: what is left of the list stays in the rewritten data file.
void RunConditionalDeletes(Run& run) {
  FileDeletionRun deletions;
  deletions.uninstalling = true;
  deletions.product_folder = run.product_folder;
  RunFileDeletions(&Settings().FileDeletions, &deletions);
  if (deletions.restart_required) Settings().SetFlag(uninstall_flag::kRestartRequired, true);
}

bool RemoveFolderStep(const String& folder, void*) { return RemoveEmptyFolderOrLink(folder); }

// Step 20. A folder that stays (something is left in it) is recorded again,
// so that the rewritten data file describes what is left and a later run
// removes it.
void RemoveFolders(Run& run) {
  Report(run, 93, 0);
  SortFoldersLongestFirst(&run.folders);
  for (const String& folder : run.folders) {
    if (!Settings().Flag(uninstall_flag::kNoNamesInProgress)) ShowStatus(run, folder);
    RemoveFolderChain(folder, run.product_folder, kFolderClimbLimit, RemoveFolderStep, nullptr);
    if (GetAttributes(folder.w_str()) != kNoAttributes) AddUninstallRecordW(folder, kRecordFolder);
  }
}

void RewriteData(Run& run) {
  WriteUninstallData(UninstallDataPath(run.uninstall_folder));
  ClearUninstallRecords();
}

// Step 22. The climb stops at the Programs folder itself, which is never ours.
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
  const String name = ReadValue(run.key, u"ProductRegistry");
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
  run.key.DeleteValue(u"ProductRegistry", 0);
}

void RemoveProductFolderWithContents(const Run& run) {
  if (!Settings().Flag(uninstall_flag::kDeleteFolderWithContents)) return;
  // A damaged entry naming a drive root must never empty the drive.
  if (IsDriveRoot(run.product_folder) || run.product_folder.wlength() <= 3) return;
  RemoveFolderTree(run.product_folder);
}

void RemoveSharedFolder(Run& run, const String& shared) {
  Report(run, 98, 0);
  if (!shared.empty()) RemoveEmptyFolderOrLink(WithoutTrailingSeparators(shared));
}

// Step 29: only an error-free run lets go of the product.
// Step 11. Undone here, they are not kept for the rewritten data file.
void UndoFileAssociations(Run& run) {
  if (run.lists.associations.IsEmpty()) return;
  UndoAssociations(run.lists.associations, run.display_name, run.view);
  run.lists.associations.RemoveAll();
  Pause(run);
}

void RemovePathEntry(Run& run) {
  if (!Settings().Flag(product_flag::kAddToPath)) return;
  const String subfolder = ReadValue(run.key, u"AddToPathSubfolder");
  const String error = ChangeSystemPath(false, PathAdditionFolder(run.product_folder, subfolder));
  if (!error.empty() && !run.automatic) ShowError(run, error);
}

void Unregister(Run& run, const String& shared_path) {
  if (HasFailed()) return;
  DeleteFile(UninstallDataPath(run.uninstall_folder).w_str());
  RemovePathEntry(run);
  RunUninstallBatch(run, u"UninstallBatch2", uninstall_flag::kHideBatch2Console, shared_path);
  run.key.CloseAll();
  RegistryKey uninstall_root;
  const String path = UninstallKeyPath(String());
  if (uninstall_root.Open(RegRoot::kLocalMachine, WithoutTrailingSeparators(path).w_str(), kRegOpenOnly | kRegNoStack,
                          kRegWriteAccess, RegView::kDefault)) {
    uninstall_root.DeleteKey(run.name.w_str(), 0);
  }
}

void NotifyShell(bool all_users) {
  const String desktop = FolderPath(all_users ? FolderSource::kCommonDesktop : FolderSource::kDesktop);
  if (!desktop.empty()) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, Wide(desktop), nullptr);
}

void Restart(const Run& run) {
  if (!Settings().Flag(uninstall_flag::kRestartRequired)) return;
  if (!run.automatic && ShowMessage(nullptr, Message(message_number::kUninstallRestartQuestion).w_str(), Message(message_number::kRestartTitle).w_str(),
                                    MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES) {
    return;
  }
  ShutDown(kRestartKind, 0, kRestartReason);
}

void EndWithSuccess(const Run& run) {
  if (!run.automatic && Settings().Flag2(uninstall_flag::kCompletionMessageFlag2)) {
    ShowMessage(nullptr, Message(message_number::kUninstallCompleted).w_str(), Message(message_number::kUninstallCompletedTitle).w_str(),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  }
  Restart(run);
  if (!run.request->run_after.empty()) RunProcess(run.request->run_after.w_str(), 0);
}

void EndWithFailure(const Run& run) {
  if (run.automatic) return;
  const String summary = AnsiToUtf16(TheFailureSummary().text);
  const String text = FillMessage(Message(message_number::kUninstallFailed), {summary});
  ShowMessage(nullptr, text.w_str(), Message(message_number::kRestartTitle).w_str(), MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

// Steps 9 to 30.
void Remove(Run& run) {
  const String shared_path = ReadValue(run.key, u"SharedPath");
  const String start_menu = ReadValue(run.key, u"ProductStartMenu");
  uint32_t shortcut_mode = 0;
  const bool all_users = run.key.ReadNumber(u"ShortcutMode", &shortcut_mode, 0) && shortcut_mode == 1;
  RunUninstallBatch(run, u"UninstallBatch1", uninstall_flag::kHideBatch1Console, shared_path);
  Report(run, 1, message_number::kRunningBatch);
  UndoFileAssociations(run);
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
  RemoveFirewallExceptions(run.lists.firewall, run.product_folder);
  Report(run, 97, 0);
  RemoveDriverPackages(run.lists.inf);
  RemoveProductFolderWithContents(run);
  RemoveSharedFolder(run, shared_path);
  Unregister(run, shared_path);
  run.key.CloseAll();
  NotifyShell(all_users);
  Report(run, 100, 0);
}

// A 64-bit product's files lie in the 64-bit folders: redirection is off
// for the whole run.
class ProductRedirection {
 public:
  explicit ProductRedirection(bool sixty_four_bit) {
    if (!sixty_four_bit || !Is64BitWindows()) return;
    if (!DisableRedirection(&old_value_)) FatalMessageW(u"Wow64DisableWow64FsRedirection() failed");
    off_ = true;
  }
  ~ProductRedirection() {
    if (off_) RevertRedirection(old_value_);
  }
  ProductRedirection(const ProductRedirection&) = delete;
  ProductRedirection& operator=(const ProductRedirection&) = delete;

 private:
  void* old_value_ = nullptr;
  bool off_ = false;
};

}  // namespace

UninstallResult RunUninstallMode(const UninstallRequest& request) {
  Run run;
  run.request = &request;
  run.automatic = request.automatic || request.silent;
  run.name = request.product_name;
  ClearFailures();
  if (!FindProduct(run)) return run.result;
  ProductRedirection redirection(run.sixty_four_bit);
  if (!LoadData(run)) return run.result;
  CloseProgramsForUninstall(Settings().ProgramsToClose, kCloseBeforeConfirmation, run.automatic);
  if (!Confirmed(run) ||
      !CloseProgramsForUninstall(Settings().ProgramsToClose, kCloseAfterConfirmation, run.automatic)) {
    run.result.outcome = UninstallOutcome::kDeclined;
    return run.result;
  }
  Remove(run);
  run.result.product_folder = run.product_folder;
  if (HasFailed()) {
    EndWithFailure(run);
    run.result.outcome = UninstallOutcome::kFailed;
    return run.result;
  }
  EndWithSuccess(run);
  run.result.outcome = UninstallOutcome::kSucceeded;
  return run.result;
}
