// Deleting files, creating and removing folders, attributes and times. Names
// are UTF-16. Every function reports failure by its result and the thread's
// last error.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// windows.h maps DeleteFile to DeleteFileW; this is the library's own. Win32
// files include <windows.h> before this header; the other order ends in a
// compile error at the call, never in a wrong call.
#ifdef DeleteFile
#undef DeleteFile
#endif

class File;

enum DeleteOption : uint32_t {
  // Keep the attributes: a read-only file then cannot be deleted.
  kDeleteKeepAttributes = 0x1,
  // Do not delete now: have the system delete it at the next restart.
  kDeleteAtRestart = 0x2,
  // When deleting fails for any reason but "not found", delete at restart.
  kDeleteAtRestartOnFailure = 0x10,
  // Move the file to the Recycle Bin, silently.
  kDeleteToRecycleBin = 0x80,
  // Delete only a file of 0 bytes.
  kDeleteOnlyIfEmpty = 0x100,
  // A file or path that does not exist counts as deleted.
  kDeleteMissingIsSuccess = 0x800,
};

// Deletes a file. An empty name fails without touching anything.
bool DeleteFile(const char16_t* name, uint32_t options = 0);

// Creates a folder and any missing parents. An existing folder is success; a
// missing or blank path fails with ERROR_DIRECTORY. Success means the folder
// exists afterwards, so one made meanwhile by another process counts.
bool CreateFolder(const char16_t* path);
// Whether `path` names a folder that exists (a file of that name does not count).
bool FolderExists(const char16_t* path);

enum RemoveFolderOption : uint32_t {
  // Leave "thumbs.db" and "desktop.ini" alone.
  kRemoveKeepShellFiles = 0x1,
};

// Removes an empty folder. Drive roots and paths of three characters or
// fewer are refused with ERROR_BAD_PATHNAME. A folder that holds nothing but
// the shell's "thumbs.db" and "desktop.ini" counts as empty: those are
// deleted first.
bool RemoveFolder(const char16_t* path, uint32_t options = 0);

constexpr uint32_t kNoAttributes = 0xFFFFFFFF;

// The file's attributes; kNoAttributes (-1) for an empty name or a missing file.
uint32_t GetAttributes(const char16_t* name);
// The folders of `folder` upwards that do not exist yet, deepest first: what
// making it will create.
Array<String> MissingFolders(const String& folder);
bool IsReadOnly(const char16_t* name);
// Refuses blank names with ERROR_INVALID_NAME.
bool SetAttributes(const char16_t* name, uint32_t attributes);

// Sets only the last-write time of an open file, in 100-nanosecond units
// since 1601-01-01 UTC (a FILETIME).
bool SetWriteTime(File& file, uint64_t file_time);

// Name helpers the operations share. Both "\\" and "/" separate components.
// The path without its last component and without the separator before it;
// empty when there is none.
String ParentFolder(const String& path);
// "X:" or "X:\\" alone.
bool IsDriveRoot(const String& path);
// The path without trailing separators.
String WithoutTrailingSeparators(const String& path);
// Only blanks (space, tab, CR, LF), or nothing.
bool IsBlankText(const char16_t* text);
// "thumbs.db" or "desktop.ini" in any case: files the shell leaves in
// folders that are otherwise empty.
bool IsShellFolderFile(const char16_t* name);
