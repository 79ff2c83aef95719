// Rights to the install folder for products that ask for them. Everyone gets
// modify rights (read, write, execute, delete), inherited by subfolders and
// files, but never the right to change permissions or take ownership: a
// folder under Program Files that any user could re-permission would let
// them replace programs an administrator later runs. Deny entries are removed
// only from a folder this run created, so that an existing folder keeps the
// restrictions someone put on it.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "records/journal.h"

struct FolderRightsInputs {
  String folder;  // UTF-16
  bool created_by_this_run = false;
  Journal* journal = nullptr;  // the run's journal, for the log line; never null
};

// Logs "Granting rights to directory ..." and its result; returns 0 or the
// system error (3 for a folder that does not exist, 0x8000FFFF for a crash).
uint32_t GrantFolderRights(const FolderRightsInputs& inputs);

// Rights for what the elevated uninstaller trusts (its data folder and data
// file): administrators and SYSTEM have full control, users may read and
// run, and nothing is inherited from the parent. A folder passes them on to
// what it holds. Returns 0 or the system error.
uint32_t RestrictToAdministrators(const String& path, bool folder);
// Whether this process's token holds the Administrators group (elevated).
bool RunsAsAdministrator();
