// Edits of the machine-wide PATH text: adding a folder and taking it out
// again. Only whole entries (between semicolons) are matched, without regard
// to case, so that "C:\App" never matches inside "C:\App2" or "D:\Tools\C:\App".
// The text is never cut short: every other entry is kept as it was.
#pragma once

#include "core/string.h"

// Appends `folder` (UTF-16) to `path` (UTF-16), with a ';' before it unless
// the text already ends in one. Nothing changes when the folder is already an
// entry. True when the text changed.
bool AddPathEntry(String& path, const char16_t* folder);

// Takes every entry equal to `folder` out of `path` together with one of its
// separators. True when the text changed.
bool RemovePathEntry(String& path, const char16_t* folder);

// The folder the PATH addition names: the install folder for an empty
// subfolder, an absolute subfolder as it is, else the subfolder below the
// install folder. A trailing backslash is dropped, except after a drive.
String PathAdditionFolder(const String& install_folder, const String& subfolder);
