#include <windows.h>

#include "core/empty_folder.h"
#include "core/file_ops.h"
#include "core/number_format.h"
#include "core/process_win.h"
#include "core/silent_mode.h"
#include "core/system_error_text.h"
#include "core/full_path.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "package/variables.h"
#include "records/marked_path.h"
#include "records/uninstall_data.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"
#include "records/uninstall_value_names.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_folder.h"
#include "setup/install_rules.h"
#include "setup/install_state.h"
#include "setup/refusals.h"
#include "setup/run_state.h"
#include "setup/install_phases.h"
#include "setup/wizard_owner_win.h"
#include "wizard/pages_win.h"

namespace {

// A relative default folder lies under Program Files.
String AbsoluteDefaultFolder(const RunProduct& product, String folder) {
  if (!GoesUnderProgramFiles(folder)) return folder;
  // A 64-bit product belongs in the 64-bit Program Files.
  String base = FolderPath(FolderSource::kProgramFiles, product.settings.Bitness == bitness::k64 ? FolderView::k64 : FolderView::kDefault);
  if (!base.EndsWithW(u"\\")) base.AppendW(u'\\');
  base.AppendW(folder.w_str(), folder.wlength());
  return base;
}


void FolderFromRegistry(bool local_machine, const String& value_path, const String& shown_path) {
  String path(local_machine ? u"HKLM\\" : u"HKCU\\");
  path.AppendW(value_path.w_str(), value_path.wlength());
  const String folder = ReadRegistryValueText(path);
  if (folder.empty()) {
    RefuseWithText(FillMessage(String(u"Failed to obtain installation path from \"%s\""), {shown_path}));
  }
  const String expanded = ExpandedVariables(folder);
  if (!FolderExists(expanded.w_str())) {
    RefuseWithText(FillMessage(String(u"Installation path \"%s\" obtained from \"%s\" does not exist."),
                               {expanded, shown_path}));
  }
  TheInstall().install_folder = expanded;
}

String ReadOldProductValue(RegistryKey& key, const char16_t* name) {
  String value;
  key.ReadText(name, &value, 0);
  return value;
}

// The old product must go first: the user may run its uninstaller, which
// starts this installer again when it is done; the run ends either way.
[[noreturn]] void MustUninstallFirst(const RunProduct& product, RegistryKey& key, bool opened) {
  // Nobody could answer the page in a silent run: it ends with no window.
  if (TheRun().args.silent) CommonExit(RunOutcome::kFailed);
  TheRun().args.automatic = false;
  SetAutomaticMode(false);
  String command;
  if (opened) command = ReadOldProductValue(key, uninstall_value::kQuietUninstallString);
  if (opened && command.empty()) command = ReadOldProductValue(key, uninstall_value::kUninstallString);
  if (command.empty()) RefuseWithMessage(product.languages, message_number::kMustUninstall);
  if (ShowMustUninstallPage(WizardOwner(), product) == PageResult::kAccept) {
    const String own(reinterpret_cast<const char16_t*>(GetCommandLineW()));
    const String full = MustUninstallCommand(command, own);
    if (RunProcess(full.w_str(), 0) == kRunNotStarted) ShowErrorBox(LastErrorTextW());
  }
  CommonExit(RunOutcome::kFailed);
}

// The earlier installation's folder wins over /d:; the log says so, so that
// whoever deployed with /d: learns why the files are elsewhere.
void NoteUnusedFolderArgument(InstallState& state) {
  const String& given = TheRun().args.install_folder_full;
  if (given.empty()) return;
  const String kept = WithoutTrailingSeparators(FullPathName(state.existing_location));
  if (WithoutTrailingSeparators(given).EqualsNoCaseW(kept.w_str())) return;
  state.unused_folder_arg = TheRun().args.install_folder;  // as the command line gave it
}

void InstallOverEarlierInstallation(const RunProduct& product) {
  const ProductSettings& settings = product.settings;
  InstallState& state = TheInstall();
  RegistryKey key;
  String no_downgrade_below;
  const bool opened = key.Open(RegRoot::kLocalMachine, UninstallKeyPath(settings.UninstallKeyName).w_str(),
                               kRegOpenOnly | kRegNoStack, kRegReadAccess, RegView::kDefault);
  if (settings.Flag(product_flag::kMustUninstallFirst) &&
      MustUninstallOldVersion(settings.MustUninstallVersion, state.old_version)) {
    MustUninstallFirst(product, key, opened);
  }
  if (opened) no_downgrade_below = ReadOldProductValue(key, uninstall_value::kNoDowngradeBelow);
  if (RefusedByNoDowngrade(no_downgrade_below, settings.DisplayVersion)) {
    if (!TheRun().args.automatic) ShowErrorBox(FillMessage(MessageText(product.languages, message_number::kNoDowngrade), {no_downgrade_below}));
    CommonExit(RunOutcome::kNewerInstalled);
  }
  SetInstallType(state, DetermineInstallType(settings.Flag(product_flag::kCheckInstalledVersion), state.old_version,
                                             settings.DisplayVersion));
  if (!TheRun().args.automatic && !settings.Flag(product_flag::kNoInstallOverConfirm)) {
    const String question = InstallOverQuestion(MessageText(product.languages, static_cast<int>(state.install_type)),
                                                state.existing_location, MessageText(product.languages, message_number::kInstallOverFolder));
    if (!AskYesNo(question, MessageText(product.languages, message_number::kInstallOverTitle), true)) CancelExit();
  }
  state.install_folder = state.existing_location;
  NoteUnusedFolderArgument(state);
}

// The folder's drive root ("C:\") or network share ("\\server\share\").
String VolumeRoot(const String& folder) {
  wchar_t root[MAX_PATH];
  if (!GetVolumePathNameW(reinterpret_cast<const wchar_t*>(folder.w_str()), root, MAX_PATH)) return String();
  return String(reinterpret_cast<const char16_t*>(root));
}

bool OnNetwork(const String& folder, const String& root) {
  return folder.StartsWithW(u"\\\\") || GetDriveTypeW(reinterpret_cast<const wchar_t*>(root.w_str())) == DRIVE_REMOTE;
}

bool IsProgramFilesItself(const String& folder) {
  const String bare = WithoutTrailingSeparators(folder);
  for (FolderView view : {FolderView::k32, FolderView::k64}) {
    const String program_files = WithoutTrailingSeparators(FolderPath(FolderSource::kProgramFiles, view));
    if (!program_files.empty() && bare.EqualsNoCaseW(program_files.w_str())) return true;
  }
  return false;
}

bool CannotInstallOnDrive(const RunProduct& product, const String& root) {
  const UINT type = GetDriveTypeW(reinterpret_cast<const wchar_t*>(root.w_str()));
  if (type == DRIVE_CDROM) return true;
  DWORD flags = 0;
  if (GetVolumeInformationW(reinterpret_cast<const wchar_t*>(root.w_str()), nullptr, 0, nullptr, nullptr, &flags,
                            nullptr, 0) &&
      (flags & FILE_READ_ONLY_VOLUME) != 0) {
    return true;
  }
  return product.settings.Flag(product_flag::kNoPortableFolder) && IsPortableFolder(root);
}

// Free bytes where the folder will be, measured at its nearest existing folder.
int64_t FreeSpaceFor(const String& folder) {
  String existing = folder;
  while (!existing.empty() && !FolderExists(existing.w_str())) {
    const String parent = ParentFolder(existing);
    if (parent.wlength() >= existing.wlength()) break;
    existing = parent;
  }
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(reinterpret_cast<const wchar_t*>(existing.w_str()), &available, nullptr, nullptr)) return -1;
  return static_cast<int64_t>(available.QuadPart);
}

// A file made and removed again proves the folder can be written.
bool FolderWritable(const String& folder) {
  wchar_t name[MAX_PATH + 16];
  if (GetTempFileNameW(reinterpret_cast<const wchar_t*>(folder.w_str()), L"bx", 0, name) == 0) return false;
  DeleteFileW(name);
  return true;
}

// Makes the install folder and every missing folder above it. Each one made
// is recorded for uninstall, and the run notes that it made the install
// folder: only then may its rights replace what was there, and only then
// does the uninstaller remove it as the product's own.
// The folders MakeInstallFolder made, deepest first.
Array<String>& FoldersMadeForInstall() {
  static Array<String> made;
  return made;
}

bool MakeInstallFolder(UninstallRecords& records, const String& folder) {
  const Array<String> missing = MissingFolders(folder);
  if (missing.Count() == 0) return true;
  if (!CreateFolder(folder.w_str())) return false;
  for (int32_t i = missing.Count() - 1; i >= 0; --i) AddUninstallRecordW(records, missing[i], kRecordFolder);
  for (const String& made : missing) FoldersMadeForInstall().Add(made);
  TheInstall().install_folder_created = true;
  return true;
}

bool Refuse(const RunProduct& product, int message, std::initializer_list<MessageArg> args = {}) {
  ShowErrorBox(FillMessage(MessageText(product.languages, message), args));
  return false;
}

// The checks of one folder typed on the page, in their order; false (after
// telling the user why) shows the page again. `folder` becomes the full form.
bool FolderAccepted(UninstallRecords& records, const RunProduct& product, String& folder) {
  String full = FullPathName(folder);
  if (full.empty() || !IsValidPathW(full.w_str(), kPathMustBeAbsolute | kPathAllowTrailingBackslash)) {
    return Refuse(product, message_number::kFolderNotValid);
  }
  const bool network_path = full.StartsWithW(u"\\\\");
  if (!network_path) {
    const wchar_t drive[] = {static_cast<wchar_t>(full.AtW(0)), L':', L'\\', 0};
    if (GetDriveTypeW(drive) == DRIVE_NO_ROOT_DIR) return Refuse(product, message_number::kNoSuchDrive, {full.AtW(0)});
  }
  const String root = VolumeRoot(full);
  if (product.settings.Flag(product_flag::kNoNetworkFolder) && OnNetwork(full, root)) {
    return Refuse(product, message_number::kNetworkFolder);
  }
  if (full.wlength() <= 3) return Refuse(product, message_number::kDriveRoot);
  if (IsProgramFilesItself(full)) return Refuse(product, message_number::kProgramFilesItself, {full});
  if (CannotInstallOnDrive(product, root)) return Refuse(product, message_number::kCannotInstallOnDrive);
  const int64_t required = TheInstall().required_space;
  const int64_t free = FreeSpaceFor(full);
  if (required > 0 && free >= 0 && free < required) {
    const String question = FillMessage(MessageText(product.languages, message_number::kNotEnoughSpace),
                                        {ByteSizeToTextW(free), ByteSizeToTextW(required), root});
    if (!AskYesNo(question, MessageText(product.languages, message_number::kRestartTitle), true)) return false;
  }
  const bool exists = FolderExists(full.w_str());
  if (product.settings.Flag(product_flag::kAskFolderExistence)) {
    const String question =
        FillMessage(MessageText(product.languages, exists ? message_number::kFolderExists : message_number::kFolderMissing), {full});
    if (!AskYesNo(question, MessageText(product.languages, message_number::kFolderPageTitle), true)) return false;
  }
  if (!exists && !MakeInstallFolder(records, full)) {
    const String reason = LastErrorTextW();
    return Refuse(product, message_number::kFolderFailed, {full, reason});
  }
  if (!FolderWritable(full)) return Refuse(product, message_number::kFolderNotWritable, {full});
  folder = full;
  return true;
}

void FolderPageLoop(UninstallRecords& records, const RunProduct& product, String& folder) {
  const ProductSettings& settings = product.settings;
  FolderPageInputs inputs;
  inputs.required_space = TheInstall().required_space < 0 ? 0 : TheInstall().required_space;
  inputs.start_menu_follows = settings.Flag(product_flag::kStartMenuPage);
  for (;;) {
    if (ShowFolderPage(WizardOwner(), product, inputs, folder) == PageResult::kCancel) CancelExit();
    if (IsBlankText(folder.w_str())) continue;
    if (FolderAccepted(records, product, folder)) return;
  }
}

void NewInstallationFolder(UninstallRecords& records, const RunProduct& product) {
  const ProductSettings& settings = product.settings;
  InstallState& state = TheInstall();
  const CommandLine& args = TheRun().args;
  if (!args.install_folder_full.empty()) {
    state.install_folder = args.install_folder_full;
  } else if (state.install_folder.empty()) {
    state.install_folder = AbsoluteDefaultFolder(product, ExpandedVariables(settings.DefaultInstallDir));
  }
  if (!args.automatic && settings.Flag(product_flag::kFolderPage)) {
    FolderPageLoop(records, product, state.install_folder);
    return;
  }
  // Without the page the folder is made at once, so that its rights and its
  // record do not wait for the first file. A folder that cannot be made ends
  // the run before anything is installed or registered (a product registered
  // without its files cannot be removed).
  if (!MakeInstallFolder(records, FullPathName(state.install_folder))) {
    const String reason = LastErrorTextW();
    RefuseWithText(FillMessage(MessageText(product.languages, message_number::kFolderFailed), {state.install_folder, reason}));
  }
}

}  // namespace

void RemoveUnusedInstallFolders() {
  for (const String& made : FoldersMadeForInstall()) {
    if (!RemoveFolderIfEmpty(made.w_str())) break;
  }
}

void ChooseInstallFolder(UninstallRecords& records, const RunProduct& product) {
  const ProductSettings& settings = product.settings;
  InstallState& state = TheInstall();
  bool local_machine = false;
  String value_path;
  if (RegistryFolderSource(settings.DefaultInstallDir, &local_machine, &value_path)) {
    FolderFromRegistry(local_machine, value_path, settings.DefaultInstallDir);
  } else if (settings.Flag(product_flag::kDetectInstallation) && state.existing) {
    InstallOverEarlierInstallation(product);
  } else {
    NewInstallationFolder(records, product);
  }
  state.install_folder_full = FullPathName(state.install_folder);
}

void KeepEarlierFolderRecords(UninstallRecords& records, const ProductSettings& settings) {
  RegistryKey key;
  if (!key.Open(RegRoot::kLocalMachine, UninstallKeyPath(settings.UninstallKeyName).w_str(), kRegOpenOnly | kRegNoStack,
                kRegReadAccess, RegView::kDefault)) {
    return;
  }
  String location, subdir;
  if (!key.ReadText(uninstall_value::kInstallLocation, &location, 0) || location.empty()) return;
  key.ReadText(uninstall_value::kUninstallSubdir, &subdir, 0);
  const String data_folder = subdir.empty() ? location : JoinPath(location, subdir.w_str());
  UninstallDataLists lists;
  RunProduct earlier;
  if (LoadUninstallData(UninstallDataPath(data_folder), lists, earlier) != kFileOk) return;
  for (const String& record : lists.records) {
    const ParsedRecord parsed = ParseRecord(record);
    if (parsed.kind != kRecordFolder) continue;
    const String folder = UnmarkPath(parsed.path);
    if (FolderExists(folder.w_str())) AddUninstallRecordW(records, folder, kRecordFolder);
  }
}
