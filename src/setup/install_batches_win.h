// The install sequence's batch phases and its conditional deletes.
#pragma once

#include "package/settings.h"
#include "records/journal.h"

// Before the files: the Pre-Installation Batch (with /b1:), then the Upgrade
// Batch after an upgrade or the Reinstall Batch over an existing installation.
void RunPreInstallBatches(Journal& journal, const ProductSettings& settings);
// After the uninstall data: the Post-Installation Batch (with /b2:).
void RunPostInstallBatch(Journal& journal, const ProductSettings& settings);
// At the very end: the Installation-Exit Batch (with /b3:).
void RunExitBatch(Journal& journal, const ProductSettings& settings);
// Before the files: the package's files to delete at install.
void RunInstallFileDeletions(Journal& journal, const ProductSettings& settings);
