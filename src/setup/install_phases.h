// The install phase and the end of the run: folders, log, files and install
// actions, the records, then the finish, restart and launch choices.
#pragma once

#include "core/string.h"

struct OwnPackage;
struct ProgramCopy;

// Whether a folder lies on a removable, optical or RAM-disk drive.
bool IsPortableFolder(const String& folder);

// From the start of the install log to the uninstall data file.
void RunInstallPhases(OwnPackage& package, const ProgramCopy& program);

// Tells the shell that the desktop of the shortcut family changed.
void NotifyDesktopChanged();

// The completion report, restart question, exit folders and launches; ends
// the process with exit code 1.
[[noreturn]] void FinishInstallation();
