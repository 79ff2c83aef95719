// A System Restore point around the installation: begun before the files are
// installed, committed at the very end of a normal installation.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "records/journal.h"

struct RestorePointInputs {
  String product_name;  // UTF-16
  String version;       // UTF-16; empty: the description is the name alone
};

struct RestorePoint {
  bool begun = false;  // false: nothing to commit
  int64_t sequence = 0;
};

// The product name, then a blank and the version when there is one; at most
// 255 characters.
String RestorePointDescription(const String& product_name, const String& version);

// Logs "Creating restore point..." and its result with the reason of a failure.
RestorePoint BeginRestorePoint(Journal& journal, const RestorePointInputs& inputs);
// Logs "Failed to commit restore point." when the commit fails.
void CommitRestorePoint(Journal& journal, const RestorePoint& point);
