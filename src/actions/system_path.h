// The machine-wide PATH (the "Path" value of the session manager's
// environment key): a folder added at install and taken out at uninstall.
// The value is read and written at its full length and keeps its type, so
// that no entry of a long PATH is ever lost.
#pragma once

#include "core/string.h"
#include "records/journal.h"

// Adds (`add`) or removes `folder` (UTF-16, absolute) and tells running
// programs that the environment changed. An empty "Path" is left alone. The
// result is the text of a failure to write the value back; empty on success
// or when nothing had to change.
String ChangeSystemPath(bool add, const String& folder);

// The install step: adds PathAdditionFolder(install_folder, subfolder),
// logging "Couldn't add ..." when that folder does not exist.
void AddInstallFolderToPath(Journal& journal, const String& install_folder, const String& subfolder);
