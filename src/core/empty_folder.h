// Removing a folder only when nothing is left in it: the install and
// uninstall steps tidy up the folders they made this way, never touching a
// folder that still holds something of the user's.
#pragma once

#include "core/string.h"

// Removes `folder` when it holds no files or folders other than the shell's
// "thumbs.db" and "desktop.ini" (which are deleted with it). False, with the
// system's last error, when it was not removed: missing, not empty, a drive
// root or locked.
bool RemoveFolderIfEmpty(const char16_t* folder);
