// The stages of the install sequence from the working log to the exit:
// folders, file data and files, the install actions, the records, then the
// finish, restart and launch choices. Each takes the run's shared facts; the
// install state (TheInstall()) is read and written here and handed down to
// the layers below as their input records.
#pragma once

#include "actions/install_hooks.h"
#include "actions/install_lists.h"
#include "actions/restore_point.h"
#include "core/progress.h"
#include "core/string.h"
#include "package/program_copy.h"
#include "package/run_product.h"
#include "records/install_log.h"
#include "records/journal.h"
#include "setup/install_state.h"
#include "wizard/background_window_win.h"

struct OwnPackage;

// What the stages of one run share besides the install state. Install mode
// owns it for the whole run: the product read from the package lives here
// and is handed down from here.
struct InstallRun {
  RunProduct product;
  BackgroundWindowState background;  // what the background window paints and found out
  OwnPackage* package = nullptr;
  ProgramCopy program;  // the copy the locator kept for the uninstaller
  Progress progress;    // the progress page's reporter, or one that reports nowhere
  RestorePoint restore_point;  // begun before the files, committed at the end
  Journal journal;             // the working log, failures, uninstall records, the restart note
  InstallLists lists;          // what the file phase lists for the later stages
  InstallHooks hooks;          // the component steps the file phase runs as it writes
};

// What ending the install log needs from this installation's state; the
// caller says whether the run is interactive and its completion step.
InstallLogFinish InstallLogFinishOf(const RunProduct& product, Journal& journal, const InstallState& state);

// Whether a folder lies on a removable, optical or RAM-disk drive.
bool IsPortableFolder(const String& folder);

// The stages, in the order of the sequence's table.
void KeepProgramCopyStage(InstallRun& run);
void RequiredSpaceStage(InstallRun& run);    // before the folder page, which checks the drive for it
void ProgressPageStage(InstallRun& run);
void WorkingLogStage(InstallRun& run);       // progress 1
void InstallFoldersStage(InstallRun& run);   // uninstall and shared folders, required space
void PreInstallBatchesStage(InstallRun& run);  // pre-installation, then upgrade or reinstall batch
void FilesStage(InstallRun& run);            // progress 2 to 93
void TextCopiesStage(InstallRun& run);       // progress 98
void RegistrationStage(InstallRun& run);     // progress 99 and 100
void PostInstallBatchStage(InstallRun& run);
void DesktopChangedStage(InstallRun& run);

// The install-action stages (install_action_stages_win.cpp), in the order of
// the sequence's table.
void CloseProgramsStage(InstallRun& run);          // the programs the package names, before the folder
void StartMenuPlaceholdersStage(InstallRun& run);  // a new installation's Start Menu folder
void RestorePointStage(InstallRun& run);           // after the working log
void InstallFolderRightsStage(InstallRun& run);
void SharedFolderRightsStage(InstallRun& run);     // after the shared folder is made
void ComponentHooksStage(InstallRun& run);         // MSI packages and applets as the file phase writes them
void ComponentRegistrationStage(InstallRun& run);  // progress 93
void ShortcutsStage(InstallRun& run);              // progress 95 to 97
void RegistryStage(InstallRun& run);               // progress 97
void FirewallStage(InstallRun& run);               // progress 98
void PathStage(InstallRun& run);                   // after the text copies
void RestorePointCommitStage(InstallRun& run);     // the last change to the system
// The PATH subfolder the package names, for the Uninstall key.
String PathSubfolderSetting(const ProductSettings& settings);

// The completion report, restart question, exit folders and launches; ends
// the process, the exit code telling a failure, a restart still owed or
// success.
[[noreturn]] void FinishInstallation(InstallRun& run);
