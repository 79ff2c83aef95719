// The stages of the install sequence from the working log to the exit:
// folders, file data and files, the install actions, the records, then the
// finish, restart and launch choices. Each takes the run's shared facts; the
// install state (TheInstall()) is read and written here and handed down to
// the layers below as their input records.
#pragma once

#include "core/progress.h"
#include "core/string.h"
#include "package/locator.h"

struct OwnPackage;

// What the stages of one run share besides the install state.
struct InstallRun {
  OwnPackage* package = nullptr;
  ProgramCopy program;  // the copy the locator kept for the uninstaller
  Progress progress;    // the progress page's reporter, or one that reports nowhere
};

// Whether a folder lies on a removable, optical or RAM-disk drive.
bool IsPortableFolder(const String& folder);

// The stages, in the order of the sequence's table.
void KeepProgramCopyStage(InstallRun& run);
void ProgressPageStage(InstallRun& run);
void WorkingLogStage(InstallRun& run);       // progress 1
void InstallFoldersStage(InstallRun& run);   // uninstall and shared folders, required space
void FilesStage(InstallRun& run);            // progress 2 to 93
void InstallActionsStage(InstallRun& run);   // progress 93 to 97
void TextCopiesStage(InstallRun& run);       // progress 98
void RegistrationStage(InstallRun& run);     // progress 99 and 100
void DesktopChangedStage(InstallRun& run);

// The completion report, restart question, exit folders and launches; ends
// the process with exit code 1.
[[noreturn]] void FinishInstallation(InstallRun& run);
