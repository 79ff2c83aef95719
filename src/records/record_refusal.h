// Records the uninstaller refuses to carry out. The data file lies in a
// folder that someone other than the administrator may be able to write; a
// line planted there must never make the elevated uninstaller delete the top
// keys of a registry hive or a Windows folder.
#pragma once

#include "core/string.h"
#include "core/vector.h"
#include "records/journal.h"
#include "records/uninstall_records.h"

// Whether a key path (any root form of registry_path.h, wide) is a root, a
// key directly below a hive root (HKLM\Software, HKLM\System, HKCU\Software,
// HKU\<user>, HKU\<user>\Software, every user's Software), the 32-bit
// Software root (Software\Wow6432Node), or a Classes root (HKCR,
// Software\Classes, HKU\<user>_Classes) or a key directly below one (CLSID,
// a file type). A path without a root name is not refused: nothing can act on it.
bool IsTopRegistryKey(const String& key_path);

// Whether `path` is `folder` or lies below it, compared without regard to
// case and trailing separators.
bool IsSameOrBelow(const String& path, const String& folder);

// Whether `path` is a drive root, one of `folders`, or a folder above one of
// them: compared without regard to case and trailing separators.
bool IsProtectedFolderPath(const String& path, const Array<String>& folders);

// The Windows folders and shell folders of this system (the sources of
// system_folders.h up to the media folder, in every program-folder view),
// for IsProtectedFolderPath.
Array<String> SystemAndShellFolders();

// The check of one record before the uninstaller acts on it: true when it is
// refused, with a line in the failure summary that names it (the run then
// ends as failed, and the refused line is not kept for a later run).
bool RefuseRecord(Journal& journal, const ParsedRecord& record, const Array<String>& protected_folders);
