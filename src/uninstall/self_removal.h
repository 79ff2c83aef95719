// Self-removal after a successful uninstall: the uninstaller lies in the
// product's own uninstall data folder and cannot delete itself while it
// runs, so a small batch file, started hidden, waits for it to end and then
// deletes it, the uninstall data folder and the product folder (each only
// when empty), and itself.
#pragma once

#include "core/string.h"

// Writes the batch into the user's temporary folder under a new name nobody
// can predict, and starts it. True when it was started.
bool StartSelfRemoval(const String& product_folder, const String& uninstall_subdir);
