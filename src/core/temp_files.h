// Temporary folder, temporary files and temporary subfolders. Names are
// UTF-16 Strings.
#pragma once

#include <cstdint>

#include "core/string.h"

// The system's temporary folder, always with a trailing backslash;
// "c:\\temp\\" when the system gives none.
String TemporaryFolder();

// Temporary names are never predictable and never reused: each is the
// prefix, 16 hexadecimal digits from the system's random generator and
// ".tmp", and the file or folder is created exclusively, so that no other
// process can plant a file or link at a name we are about to use.

// Creates a new empty file with a fresh name in `folder` (the temporary
// folder when null or empty) and returns its full name. The prefix is at
// most three characters; "QKT" unless given, and may be empty. When the
// file cannot be made in `folder` it is made in the temporary folder.
// Returns an empty String, with the system's last error, after 100 failed
// attempts. A file that is then written should rather be made with
// CreateTemporaryFile and used through its handle.
String TemporaryFileName(const char16_t* folder = nullptr, const char16_t* prefix = u"QKT");

// Windows: creates a new file exclusively under a fresh name in `folder`
// (the temporary folder when null or empty; with `fall_back`, the temporary
// folder too when `folder` refuses), opened with the system's `access` and
// `share` words and the flags and attributes word `attributes` of the
// create (FILE_ATTRIBUTE_NORMAL unless given). Returns the open handle (a HANDLE) and the full name in
// *name, or null with the system's last error after 100 attempts.
void* CreateTemporaryFile(const char16_t* folder, const char16_t* prefix, uint32_t access, uint32_t share,
                          bool fall_back, String* name, uint32_t attributes = 0x80);

// Windows: marks the file of an open `handle` (a HANDLE opened with DELETE
// access) to be deleted by the system when its last handle closes, however
// the process ends, or (false) to stay after all. False with the system's
// last error.
bool SetDeletedOnClose(void* handle, bool deleted);
// Windows: gives the file of an open `handle` (DELETE access) the full name
// `target`, replacing a file of that name when `replace`; the handle stays
// open. False with the system's last error.
bool RenameOpenFile(void* handle, const String& target, bool replace);
// Windows: gives the file of an open `handle` a second name, the full path
// `target` (a hard link), replacing a file of that name when `replace`. A
// file opened to be deleted on close keeps its new name when the handle
// closes, however the process ends: only the name it was opened by goes.
// False with the system's last error (ERROR_NOT_SUPPORTED or
// ERROR_INVALID_FUNCTION where the volume has no links).
bool LinkOpenFile(void* handle, const String& target, bool replace);

// Creates a new empty folder with a fresh name under `parent` (the
// temporary folder when null or empty) and returns it with a trailing
// backslash; an empty String after 500 failed attempts.
String TemporarySubfolder(const char16_t* parent = nullptr);

// `folder` (a trailing backslash added when missing) + `prefix` + the 16
// hexadecimal digits of `random` + ".tmp".
String RandomTemporaryName(const String& folder, const char16_t* prefix, uint64_t random);

// The temporary folder made from the system's answer: a trailing backslash
// ensured, "c:\\temp\\" for an empty answer.
String TemporaryFolderFromAnswer(const char16_t* answer, int32_t units);
