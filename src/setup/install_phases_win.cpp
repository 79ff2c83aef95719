#include <windows.h>
#include <shlobj.h>

#include "actions/file_install.h"
#include "actions/install_hooks.h"
#include "actions/install_lists.h"
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
#include "package/file_blocks.h"
#include "package/locator_win.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "records/log_writers.h"
#include "records/uninstall_registration.h"
#include "records/working_log.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_batches_win.h"
#include "setup/install_phases.h"
#include "setup/install_state.h"
#include "setup/questions.h"
#include "setup/run_state.h"

namespace {

constexpr int kFlagAnswerRestartNo = 41;
// A planned restart for an application installation.
constexpr uint32_t kRestartReason = 0x80040002;
constexpr uint8_t kSharedBaseCommonAppData = 1;
constexpr uint8_t kSharedBaseCommonFiles32 = 2;
constexpr uint8_t kSharedBaseCommonFiles64 = 3;



// Creates a folder the run needs; a failure is logged as "<what> \"folder\": reason".
void MakeRunFolder(const char16_t* what, const String& folder) {
  if (CreateFolder(folder.w_str())) return;
  const String reason = LastErrorTextW();
  LogFormatW(u"%s \"%s\": %s\r\n", what, folder.w_str(), reason.w_str());
}

FolderSource SharedBaseSource(uint8_t base, FolderView* view) {
  const ProductSettings& settings = Settings();
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
      *view = settings.Bitness == 1 ? FolderView::k64 : FolderView::kDefault;
      return FolderSource::kCommonFiles;
  }
}

void UninstallFolderPhase() {
  InstallState& state = TheInstall();
  const String& subfolder = Settings().UninstallSubdir;
  state.uninstall_folder =
      subfolder.empty() ? state.install_folder_full : FullPathName(JoinPath(state.install_folder_full, subfolder.w_str()));
  if (!subfolder.empty()) MakeRunFolder(u"Failed to create uninstall data folder", state.uninstall_folder);
}

void SharedFolderPhase() {
  const ProductSettings& settings = Settings();
  InstallState& state = TheInstall();
  if (!settings.Flag(product_flag::kDetectInstallation)) return;
  if (state.portable && !settings.SharedSubfolder.empty()) {
    state.shared_folder = JoinPath(state.install_folder_full, settings.SharedSubfolder.w_str());
  } else {
    FolderView view = FolderView::kDefault;
    const FolderSource source = SharedBaseSource(settings.SharedBase, &view);
    state.shared_folder = JoinPath(FolderPath(source, view), settings.SharedPath.w_str());
  }
  if (!state.shared_folder.empty()) MakeRunFolder(u"Failed to create shared folder", state.shared_folder);
}

void RequiredSpacePhase(const PackageHeader& header) {
  ProductSettings& settings = Settings();
  InstallState& state = TheInstall();
  if (state.required_space < 0) {
    state.required_space = header.total_content_size() + static_cast<int64_t>(settings.ExtraSpace);
  }
  if (state.portable && settings.Flag(product_flag::kPortableIgnoresDetect)) {
    settings.SetFlag(product_flag::kDetectInstallation, false);
  }
}

void UnpackPhase(OwnPackage& package) {
  const ProductSettings& settings = Settings();
  ReportProgress(2, Message(8));
  FileData data;
  MakeFileDataAvailable(package.file, package.section, package.bytes, package.header, settings.FileDataOutside != 0,
                        &data);
  ReportProgress(21, Message(62));
  StopOnFileDataError(CheckFileData(data.stored, package.header.file_data_checksum), package.header, data);
  ReportProgress(26, Message(54));
  RunInstallFileDeletions();
  ReportProgress(27, String());

  Blowfish cipher;
  InstallEntrySource source;
  source.header = &package.header;
  source.file_data = &data;
  if (package.header.has_cipher_key) {
    cipher.SetKey(package.header.cipher_key, kPackageCipherKeyLength);
    source.coding.cipher = &cipher;
  }
  source.coding.compressed = settings.Flag(product_flag::kCompressedBlocks);
  // Shared files the earlier installation already counted are not counted again.
  TheInstallLists().shared_files = Utf16ToAnsi(TheInstall().old_shared_files);
  InstallAllEntries(source);
}

void WaitMinimumStatusTime() { Sleep(Settings().MinStatusTime); }

void BeforeUninstallData() {
  WaitMinimumStatusTime();
  ReportProgress(100, Message(36));
}

// The uninstaller, the Uninstall key, the restart list and Uninstall.DAT.
void RegistrationPhase(const ProgramCopy& program) {
  CopyReadmeAndLicenceTexts();
  ReportProgress(99, String());
  UninstallRegistration inputs;
  inputs.program = &program;
  inputs.before_data_file = BeforeUninstallData;
  RegisterUninstall(inputs);
}

void CompletionStep() {
  if (TheRun().args.automatic) return;
  ShowNotice(Message(42), Message(43));
}

bool RestartWanted() {
  const ProductSettings& settings = Settings();
  InstallState& state = TheInstall();
  if (!settings.Flag(product_flag::kAskRestart) && !state.restart_needed) return false;
  if (TheRun().args.automatic && !settings.Flag(kFlagAnswerRestartNo)) return true;
  return AskYesNo(Message(37), Message(20), false);
}

void RemoveIfEmpty(const String& folder) {
  if (!folder.empty()) RemoveFolderIfEmpty(folder.w_str());
}

void LaunchRunAfter() {
  const String& command = TheRun().args.run_after;
  if (command.empty() || HasFailed()) return;
  if (RunProcess(command.w_str(), 0) == kRunNotStarted) {
    const String reason = LastErrorTextW();
    LogFormatW(u"Failed to launch command: %s %s\r\n", command.w_str(), reason.w_str());
  }
}

}  // namespace

bool IsPortableFolder(const String& folder) {
  if (folder.wlength() < 2 || folder.w_str()[1] != u':') return false;
  const wchar_t root[] = {static_cast<wchar_t>(folder.w_str()[0]), L':', L'\\', 0};
  const UINT type = GetDriveTypeW(root);
  return type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

void RunInstallPhases(OwnPackage& package, const ProgramCopy& program) {
  StartWorkingLog();
  ReportProgress(1, Message(113));
  UninstallFolderPhase();
  SharedFolderPhase();
  RequiredSpacePhase(package.header);
  RunPreInstallBatches();
  UnpackPhase(package);
  RegistrationPhase(program);
  RunPostInstallBatch();
}

void NotifyDesktopChanged() {
  const FolderSource source = Settings().ShortcutMode == 1 ? FolderSource::kCommonDesktop : FolderSource::kDesktop;
  const String desktop = FolderPath(source);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, desktop.w_str(), nullptr);
}

void FinishInstallation() {
  const CommandLine& args = TheRun().args;
  InstallState& state = TheInstall();
  if (!args.run_after.empty()) LogFormatW(u"Launch on exit: %s\r\n", args.run_after.w_str());
  FinishInstallLog(state.existing, !args.silent, CompletionStep);
  state.restart_wanted = RestartWanted();
  RunExitBatch();
  RemoveIfEmpty(state.shared_folder);
  RemoveIfEmpty(state.uninstall_folder);
  RemoveIfEmpty(state.install_folder_full);
  RestoreRedirection();
  if (state.restart_wanted) {
    ShutDown(static_cast<int32_t>(ShutdownKind::kRestart), 0, kRestartReason);
  } else {
    LaunchRunAfter();
  }
  CommonExit(1);
}
