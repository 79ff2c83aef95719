// Choosing the install folder: from a registry value, from an earlier
// installation, or from /d:, the package's default and the folder page.
#pragma once

#include "core/string.h"
#include "package/run_product.h"
#include "records/uninstall_records.h"

void ChooseInstallFolder(UninstallRecords& records, const RunProduct& product);

// Removes the install folder and the parents made with it while they are
// still empty: a run the user cancels leaves no empty folders behind.
void RemoveUnusedInstallFolders();
