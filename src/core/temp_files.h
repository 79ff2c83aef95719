// Temporary folder, temporary files and temporary subfolders. Names are
// UTF-16 Strings.
#pragma once

#include "core/string.h"

// The system's temporary folder, always with a trailing backslash;
// "c:\\temp\\" when the system gives none.
String TemporaryFolder();

// Creates a new empty file with a unique name in `folder` (the temporary
// folder when null or empty) and returns its full name. The prefix is at
// most three characters; "QKT" unless given, and may be empty. When the
// file cannot be made in `folder` it is made in the temporary folder.
// Returns an empty String, with the system's last error, after 100 failed
// attempts.
String TemporaryFileName(const char16_t* folder = nullptr, const char16_t* prefix = u"QKT");

// Creates a new empty folder with a unique name under `parent` (the
// temporary folder when null or empty) and returns it with a trailing
// backslash; an empty String after 500 failed attempts.
String TemporarySubfolder(const char16_t* parent = nullptr);

// The temporary folder made from the system's answer: a trailing backslash
// ensured, "c:\\temp\\" for an empty answer.
String TemporaryFolderFromAnswer(const char16_t* answer, int32_t units);
