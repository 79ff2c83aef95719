#include <windows.h>
#include <shlobj.h>

#include "actions/action_guard.h"
#include "actions/file_install.h"
#include "actions/install_lists.h"
#include "actions/uninstall_registration.h"
#include "core/codepage.h"
#include "core/empty_folder.h"
#include "core/file_ops.h"
#include "core/format.h"
#include "core/full_path.h"
#include "core/path_rules.h"
#include "core/process_rules.h"
#include "core/process_win.h"
#include "core/shutdown_win.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "package/blowfish.h"
#include "package/corrupt_report.h"
#include "package/extras.h"
#include "package/file_blocks.h"
#include "package/locator_win.h"
#include "package/message_box.h"
#include "package/message_numbers.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "records/log_writers.h"
#include "records/restart_queue.h"
#include "records/working_log.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_folder.h"
#include "setup/install_batches_win.h"
#include "setup/install_phases.h"
#include "setup/install_state.h"
#include "setup/refusals.h"
#include "setup/run_state.h"
#include "package/variables.h"
#include "setup/install_rules.h"
#include "setup/wizard_owner_win.h"
#include "wizard/pages_win.h"

namespace {

// A planned restart for an application installation.
constexpr uint32_t kRestartReason = 0x80040002;
constexpr uint8_t kSharedBaseCommonAppData = 1;
constexpr uint8_t kSharedBaseCommonFiles32 = 2;
constexpr uint8_t kSharedBaseCommonFiles64 = 3;

// Creates a folder the run needs; a failure is logged as "<what> \"folder\": reason".
void MakeRunFolder(Journal& journal, const char16_t* what, const String& folder) {
  if (CreateFolder(folder.w_str())) return;
  const String reason = LastErrorTextW();
  LogFormatW(journal, u"%s \"%s\": %s\r\n", what, folder.w_str(), reason.w_str());
}

FolderSource SharedBaseSource(const ProductSettings& settings, uint8_t base, FolderView* view) {
  switch (base) {
    case kSharedBaseCommonAppData:
      *view = FolderView::kDefault;
      return FolderSource::kCommonAppData;
    case kSharedBaseCommonFiles32:
      *view = FolderView::k32;
      return FolderSource::kCommonFiles;
    case kSharedBaseCommonFiles64:
      *view = FolderView::k64;
      return FolderSource::kCommonFiles;
    default:
      *view = settings.Bitness == bitness::k64 ? FolderView::k64 : FolderView::kDefault;
      return FolderSource::kCommonFiles;
  }
}

void UninstallFolder(Journal& journal, const ProductSettings& settings) {
  InstallState& state = TheInstall();
  const String& subfolder = settings.UninstallSubdir;
  state.uninstall_folder =
      subfolder.empty() ? state.install_folder_full : FullPathName(JoinPath(state.install_folder_full, subfolder.w_str()));
  if (!subfolder.empty()) MakeRunFolder(journal, u"Failed to create uninstall data folder", state.uninstall_folder);
}

void SharedFolder(Journal& journal, const ProductSettings& settings) {
  InstallState& state = TheInstall();
  if (!settings.Flag(product_flag::kDetectInstallation)) return;
  if (state.portable && !settings.SharedSubfolder.empty()) {
    state.shared_folder = JoinPath(state.install_folder_full, settings.SharedSubfolder.w_str());
  } else {
    FolderView view = FolderView::kDefault;
    const FolderSource source = SharedBaseSource(settings, settings.SharedBase, &view);
    state.shared_folder = JoinPath(FolderPath(source, view), settings.SharedPath.w_str());
  }
  if (!state.shared_folder.empty()) MakeRunFolder(journal, u"Failed to create shared folder", state.shared_folder);
}

// The files' content and the extra space the product asks for; once, so that
// the folder page and the later stages see the same figure.
void ComputeRequiredSpace(InstallState& state, const ProductSettings& settings, const PackageHeader& header) {
  if (state.required_space >= 0) return;
  state.required_space = header.total_content_size() + static_cast<int64_t>(settings.ExtraSpace);
}

void RequiredSpace(const ProductSettings& settings, const PackageHeader& header) {
  InstallState& state = TheInstall();
  ComputeRequiredSpace(state, settings, header);
  // A portable installation of such a product leaves no uninstaller behind.
  if (state.portable && settings.Flag(product_flag::kPortableIgnoresDetect)) state.uninstall_supported = false;
}

// The file data made available and checked (progress 2 to 26), then every
// entry installed (28 to 93).
void InstallFiles(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  const LanguageTable& languages = run.product.languages;
  const InstallState& state = TheInstall();
  OwnPackage& package = *run.package;
  ReportProgress(run.progress, 2, MessageText(languages, message_number::kUnpacking));
  FileData data;
  MakeFileDataAvailable(package.file, package.section, package.bytes, package.header, settings.FileDataOutside != 0,
                        &data);
  WaitMinimumStatusTime(run.progress);
  ReportProgress(run.progress, 21, MessageText(languages, message_number::kCheckingFileData));
  StopOnFileDataError(CheckFileData(data.stored, package.header.file_data_checksum), package.header, data);
  WaitMinimumStatusTime(run.progress);
  ReportProgress(run.progress, 26, MessageText(languages, message_number::kInstalling));
  RunInstallFileDeletions(run.journal, settings);
  ReportProgress(run.progress, 27, String());

  Blowfish cipher;
  InstallEntrySource source;
  source.product = &run.product;
  source.uninstall_supported = state.uninstall_supported;
  source.header = &package.header;
  source.file_data = &data;
  if (package.header.has_cipher_key) {
    cipher.SetKey(package.header.cipher_key, kPackageCipherKeyLength);
    source.coding.cipher = &cipher;
  }
  source.coding.compressed = settings.Flag(product_flag::kCompressedBlocks);
  source.install_folder = state.InstallFolder();
  source.shared_folder = state.shared_folder;
  source.uninstall_folder = state.uninstall_folder;
  source.removable = state.portable;
  source.silent = TheRun().args.silent;
  source.progress = run.progress;
  // Shared files the earlier installation already counted are not counted again.
  source.journal = &run.journal;
  source.lists = &run.lists;
  source.hooks = run.hooks;
  run.lists.shared_files = Utf16ToAnsi(state.old_shared_files);
  // Fonts and files the earlier installation took on stay the product's.
  run.lists.product_fonts = Utf16ToAnsi(state.old_product_fonts);
  source.earlier_files = &state.old_recorded_files;
  InstallAllEntries(source);
}

void BeforeUninstallData(void* context) {
  const InstallRun& run = *static_cast<const InstallRun*>(context);
  WaitMinimumStatusTime(run.progress);
  ReportProgress(run.progress, 100, MessageText(run.product.languages, message_number::kSavingUninstallData));
}

// Without a kept log there is no log to view.
bool ViewLogOffered(const ProductSettings& settings) {
  return settings.Flag(product_flag::kFinishViewLog) && settings.Flag(product_flag::kKeepInstallLog);
}

bool HasFinishOption(const ProductSettings& settings) {
  return !settings.FinishProgram.empty() || !settings.FinishDocument.empty() || !settings.FinishDocument2.empty() ||
         ViewLogOffered(settings);
}

// A restart the product asks for, or one the run noted (a file staged for it).
bool AsksRestart(const ProductSettings& settings, const Journal& journal) {
  return settings.Flag(product_flag::kAskRestart) || journal.restart_needed;
}

// A successful interactive run ends with the finish page when it has
// something to offer and no restart question follows, else with a notice.
void CompletionStep(const RunProduct& product, const Journal& journal) {
  const ProductSettings& settings = product.settings;
  if (!HasFinishOption(settings) || AsksRestart(settings, journal)) {
    ShowNotice(MessageText(product.languages, message_number::kCompletedNotice),
               MessageText(product.languages, message_number::kCompleted));
    return;
  }
  const FinishChoices choices = ShowFinishPage(WizardOwner(), product, ViewLogOffered(settings));
  bool* ticked = TheInstall().finish_choices;
  ticked[0] = choices.open_document;
  ticked[1] = choices.run_program;
  ticked[2] = choices.view_log;
  ticked[3] = choices.second_document;
}

bool RestartWanted(const RunProduct& product, const Journal& journal) {
  const ProductSettings& settings = product.settings;
  InstallState& state = TheInstall();
  state.restart_needed = journal.restart_needed;
  if (!settings.Flag(product_flag::kAskRestart) && !state.restart_needed) return false;
  if (TheRun().args.automatic && !settings.Flag(product_flag::kAnswerRestartNo)) return true;
  return AskYesNo(MessageText(product.languages, message_number::kRestartQuestion),
                  MessageText(product.languages, message_number::kRestartTitle), false);
}

void RemoveIfEmpty(const String& folder) {
  if (!folder.empty()) RemoveFolderIfEmpty(folder.w_str());
}

// The working log is gone by now: a launch that fails is told in Install.log
// itself, so that it leaves a trace.
void LogLaunchFailure(const char16_t* what, const String& command) {
  const String reason = LastErrorTextW();
  String line(what);
  if (!command.empty()) {
    line.Append(command);
    line.AppendW(u" ");
  }
  line.Append(reason);
  line.AppendW(u"\r\n");
  AppendToInstallLog(InstallLogPath(TheInstall().uninstall_folder), line);
}

void LaunchRunAfter(Journal& journal) {
  const String& command = TheRun().args.run_after;
  if (command.empty() || HasFailed(journal)) return;
  // The command is handed on as the ANSI code page holds it.
  const String narrow = AnsiToUtf16(Utf16ToAnsi(command));
  if (RunProcess(narrow.w_str(), 0) == kRunNotStarted) LogLaunchFailure(u"Failed to launch command: ", command);
}

void OpenFinishDocument(const String& document) {
  const String path = DocumentUnderFolder(ExpandedVariables(document), TheInstall().InstallFolder());
  ShellOpenW(path.w_str(), nullptr, nullptr, nullptr, SW_SHOWNORMAL);
}

// The product's program, first from the install folder (a relative name
// means a program installed there) unless the product says otherwise.
void LaunchFinishProgram(const ProductSettings& settings) {
  const String& folder = TheInstall().InstallFolder();
  const String command = ExpandedVariables(settings.FinishProgram);
  if (!settings.Flag2(product_flag2::kFinishProgramNoWorkDir) &&
      RunProcess(ProgramUnderFolder(command, folder).w_str(), 0, folder.w_str()) != kRunNotStarted) {
    return;
  }
  if (RunProcess(command.w_str(), 0) == kRunNotStarted) LogLaunchFailure(u"Failed to launch app: ", String());
}

// In the order the user reads them: document, program, log, second document.
void CarryOutFinishChoices(const ProductSettings& settings) {
  const InstallState& state = TheInstall();
  if (state.finish_choices[0]) OpenFinishDocument(settings.FinishDocument);
  if (state.finish_choices[1]) LaunchFinishProgram(settings);
  if (state.finish_choices[2]) ShowInstallLog(InstallLogPath(state.uninstall_folder));
  if (state.finish_choices[3]) OpenFinishDocument(settings.FinishDocument2);
}

// The last statuses stay readable, then the page goes before the report.
void CloseProgress(InstallRun& run) {
  WaitMinimumStatusTime(run.progress);
  ExitHooks& hooks = TheExitHooks();
  if (hooks.close_progress_page) hooks.close_progress_page();
  hooks.close_progress_page = nullptr;
  run.progress = Progress();
}

}  // namespace

InstallLogFinish InstallLogFinishOf(const RunProduct& product, Journal& journal, const InstallState& state) {
  InstallLogFinish finish;
  finish.product = &product;
  finish.journal = &journal;
  finish.uninstall_supported = state.uninstall_supported;
  finish.reinstall = state.existing;
  finish.uninstall_folder = state.uninstall_folder;
  finish.install_folder = state.InstallFolder();
  finish.old_version = state.old_version;
  finish.earlier_publisher = state.earlier_publisher;
  finish.unused_folder_arg = state.unused_folder_arg;
  return finish;
}

bool IsPortableFolder(const String& folder) {
  if (folder.wlength() < 2 || folder.w_str()[1] != u':') return false;
  const wchar_t root[] = {static_cast<wchar_t>(folder.w_str()[0]), L':', L'\\', 0};
  const UINT type = GetDriveTypeW(root);
  return type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

void KeepProgramCopyStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  OwnPackage& package = *run.package;
  ProgramCopyRequest request;
  request.verify_checksum = settings.Flag(product_flag::kCheckProgramChecksum);
  request.keep_stripped = settings.Flag2(product_flag2::kStrippedCopy);
  request.file_data_after_section = settings.FileDataOutside != 0;
  KeepProgramCopy(package.file, package.section, package.header, request, &run.program);
}

void ProgressPageStage(InstallRun& run) {
  const CommandLine& args = TheRun().args;
  // No window at all in a silent run, and none for a product that asks for
  // no progress page; without a page, reports go nowhere.
  if (args.silent || !run.product.settings.Flag(product_flag::kProgressPage)) return;
  ProgressPageInputs inputs;
  inputs.product = &run.product;
  inputs.title_position_companion = run.background.title_position_companion;
  inputs.automatic = args.automatic;
  inputs.cancel_exit = CancelExit;
  if (!OpenProgressPage(WizardOwner(), inputs)) return;
  TheExitHooks().close_progress_page = CloseProgressPage;
  run.progress = ProgressPageReporter();
}

void WorkingLogStage(InstallRun& run) {
  if (StartWorkingLog(run.journal.log)) {
    TheExitHooks().working_log = &run.journal.log;
  } else {
    // The run goes on without its log, but it must not look like a clean one.
    AddFailureFormatW(run.journal, u"Failed to create the installation log: %s\r\n\r\n", LastErrorTextW().w_str());
  }
  ReportProgress(run.progress, 1, MessageText(run.product.languages, message_number::kPreparing));
}

void RequiredSpaceStage(InstallRun& run) { ComputeRequiredSpace(TheInstall(), run.product.settings, run.package->header); }

void InstallFoldersStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  UninstallFolder(run.journal, settings);
  SharedFolder(run.journal, settings);
  RequiredSpace(settings, run.package->header);
}

void PreInstallBatchesStage(InstallRun& run) { RunPreInstallBatches(run.journal, run.product.settings); }

void FilesStage(InstallRun& run) { InstallFiles(run); }

void TextCopiesStage(InstallRun& run) {
  CopyReadmeAndLicenceTexts(run.product, run.journal, TheInstall().InstallFolder(), run.progress);
}

void PostInstallBatchStage(InstallRun& run) { RunPostInstallBatch(run.journal, run.product.settings); }

// The uninstaller, the Uninstall key, the restart marker and Uninstall.DAT.
void RegistrationStage(InstallRun& run) {
  const InstallState& state = TheInstall();
  const InstallLists& lists = run.lists;
  ReportProgress(run.progress, 99, String());
  UninstallRegistration inputs;
  inputs.product = &run.product;
  inputs.journal = &run.journal;
  inputs.supported = state.uninstall_supported;
  inputs.start_menu = state.start_menu;
  inputs.restore_point_not_made =
      run.product.settings.Flag2(product_flag2::kRestorePoint) && !run.restore_point.begun;
  inputs.mono_colour_fallback = run.background.mono_colour && !run.product.settings.MonoColor;
  inputs.install_folder = state.InstallFolder();
  inputs.uninstall_folder = state.uninstall_folder;
  inputs.shared_folder = state.shared_folder;
  inputs.total_bytes = state.required_space;
  inputs.product_fonts = lists.product_fonts;
  inputs.shared_files = lists.shared_files;
  inputs.program = &run.program;
  inputs.add_to_path_subfolder = PathSubfolderSetting(run.product.settings);
  inputs.product_icon = PackageProductIcon(run.package->header);
  inputs.before_data_file = BeforeUninstallData;
  inputs.before_data_file_context = &run;
  if (state.uninstall_supported) KeepEarlierFolderRecords(run.journal.records, run.product.settings);
  RegisterUninstall(inputs);
}

void DesktopChangedStage(InstallRun& run) {
  const FolderSource source = run.product.settings.ShortcutMode == 1 ? FolderSource::kCommonDesktop : FolderSource::kDesktop;
  const String desktop = FolderPath(source);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, desktop.w_str(), nullptr);
}

void FinishInstallation(InstallRun& run) {
  const CommandLine& args = TheRun().args;
  InstallState& state = TheInstall();
  CloseProgress(run);
  if (!args.run_after.empty()) LogFormatW(run.journal, u"Launch on exit: %s\r\n", args.run_after.w_str());
  InstallLogFinish finish = InstallLogFinishOf(run.product, run.journal, state);
  finish.interactive = !args.silent;
  finish.completion_step = CompletionStep;
  FinishInstallLog(finish);
  state.restart_wanted = RestartWanted(run.product, run.journal);
  RunExitBatch(run.journal, run.product.settings);
  RemoveIfEmpty(state.shared_folder);
  RemoveIfEmpty(state.uninstall_folder);
  RemoveIfEmpty(state.install_folder_full);
  RestoreRedirection();
  bool restarting = false;
  if (state.restart_wanted) {
    restarting = ShutDown(static_cast<int32_t>(ShutdownKind::kRestart), 0, kRestartReason);
  } else {
    LaunchRunAfter(run.journal);
    CarryOutFinishChoices(run.product.settings);
  }
  const bool restart_pending = AsksRestart(run.product.settings, run.journal) && !restarting;
  CommonExit(HasFailed(run.journal) ? RunOutcome::kFailed
             : restart_pending      ? RunOutcome::kInstalledRestartPending
                                    : RunOutcome::kInstalled);
}
