// Moves and deletions that the system carries out at the next restart, for
// files that are in use now. NT-family systems keep them in the
// "PendingFileRenameOperations" list (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT); older systems, and NT systems that refuse
// while "wininit.exe" still exists, read the "[rename]" section of
// "wininit.ini" in the Windows folder at start-up.
#pragma once

#include <cstdint>

#include "core/string.h"

// The last error a successful request leaves, so that a caller can tell an
// operation put off until the restart from one done at once.
constexpr uint32_t kDeferredOperationError = 170;  // ERROR_BUSY

// Asks for `source` to replace `target` at the next restart. Both are UTF-16
// paths, made full first; an empty one fails with ERROR_FILE_NOT_FOUND.
// Success leaves the last error kDeferredOperationError; failure leaves the
// system's error.
bool MoveFileAtRestart(const String& source, const String& target);

// Asks for `path` (UTF-16) to be deleted at the next restart; the same rules.
bool DeleteFileAtRestart(const String& path);

// The "[rename]" section of wininit.ini holds "target=source" lines, with
// "NUL" as the target of a deletion.
constexpr char kWininitRenameSection[] = "[rename]";
constexpr char kWininitDeleteTarget[] = "NUL";

// Adds "target=source" (8-bit text, ANSI code page) to the content of
// wininit.ini: right after the "[rename]" header when the file has one
// (found without regard to case), else as a new section at the end. A file
// whose last line has no line break gets one first, so that the header
// starts a line of its own.
void AddWininitRename(String* content, const String& target, const String& source);
