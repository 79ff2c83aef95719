// Platform part of the conditional deletes (file_deletion_win.cpp).
#pragma once

#include "core/removal_guard.h"
#include "core/string.h"
#include "core/vector.h"
#include "package/settings.h"
#include "records/journal.h"

struct FileDeletionRun {
  bool uninstalling = false;
  String product_folder;          // relative patterns lie below it
  bool restart_required = false;  // set when a file was registered for deletion at restart
  String last_failure;            // scratch: the text of the last failed deletion
  Journal* journal = nullptr;     // the run's journal; never null
  // The uninstaller's guard over the product's folders; without it the
  // product folder alone is guarded.
  RemovalGuard* guard = nullptr;
};

// Carries out the entries of `list` that belong to the run's mode: each file
// matching the entry's pattern that meets its condition is deleted (or
// registered for deletion at restart, as the entry's flags say). The
// installer logs each outcome to the working log and puts failed
// registrations in the failure summary; the uninstaller logs nothing and
// takes off `list` the entries that deleted a file and left none, so that the rest stays
// in the rewritten uninstall data. A date condition that cannot be read is a
// damaged package.
void RunFileDeletions(Vector<FileDeletion>* list, FileDeletionRun* run);
