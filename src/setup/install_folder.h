// Choosing the install folder: from a registry value, from an earlier
// installation, or from /d:, the package's default and the folder page.
#pragma once

#include "core/string.h"
#include "package/run_product.h"
#include "records/uninstall_records.h"

void ChooseInstallFolder(UninstallRecords& records, const RunProduct& product);

// A reinstall or upgrade replaces the uninstall data: the folders an earlier
// installation of the product made stay the product's own, so the earlier
// data's folder records that still name a folder join `records`.
void KeepEarlierFolderRecords(UninstallRecords& records, const ProductSettings& settings);

// Removes the install folder and the parents made with it while they are
// still empty: a run the user cancels leaves no empty folders behind.
void RemoveUnusedInstallFolders();
