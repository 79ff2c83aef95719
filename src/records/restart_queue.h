// The restart queue: moves and deletions that the system carries out at the
// next restart, for files that are in use now. The installer adds to it and
// takes off what would undo its own work; the uninstaller does the same for
// the files it removed. Whoever adds to it notes in the run's journal that a
// restart is needed (Journal::restart_needed).
//
// Moves and deletions that the system carries out at the next restart, for
// files that are in use now. NT-family systems keep them in the
// "PendingFileRenameOperations" list (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT); older systems, and NT systems that refuse
// while "wininit.exe" still exists, read the "[rename]" section of
// "wininit.ini" in the Windows folder at start-up.
#pragma once

#include <cstdint>

#include "core/file_set.h"
#include "core/string.h"
#include "core/vector.h"

struct Journal;

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

// The operations Windows has queued for the next restart, and the rule that
// takes off the queue those that would undo a file just installed or bring
// back (or delete again) a file just removed.
//
// The queue is the REG_MULTI_SZ value "PendingFileRenameOperations" under
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager: a
// list of strings read in pairs (source, target). An empty target deletes
// the source; any other moves the source onto the target. Paths carry the
// system's prefixes: "\\??\\" before a path, and "!" before a target that
// may replace an existing file.
constexpr char16_t kSessionManagerKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char16_t kPendingRenamesValue[] = u"PendingFileRenameOperations";

// One queued operation, UTF-16, exactly as stored.
struct PendingRename {
  String source;
  String target;  // empty: delete the source

  bool is_deletion() const { return target.empty(); }
};

// Reads REG_MULTI_SZ data into pairs. Unlike a plain string list, empty
// strings inside the data are kept: they are the targets of deletions. The
// zeros that end the data are not items; an odd number of strings gets an
// empty target for the last source (a deletion).
void ParsePendingRenames(const String& data, Vector<PendingRename>* pairs);
// The REG_MULTI_SZ data of the pairs: each string followed by a zero unit,
// then one more zero unit.
String EncodePendingRenames(const Vector<PendingRename>& pairs);

// A stored path without the system's leading "\\", "?" and "!" characters.
String WithoutPendingPrefix(const String& stored);

// What the cleanup took off the queue.
struct PendingCleanup {
  bool changed = false;
  // Sources of dropped moves: temporary copies nobody needs any more, to be
  // removed (without their prefixes).
  Array<String> orphaned_sources;
  // The install log's lines about each dropped operation (UTF-16, CR LF).
  String log;
};

// Takes off `pairs` every move whose target is in `files`, every deletion
// whose source is in `files`, and every deletion without a source.
PendingCleanup DropPendingOperations(Vector<PendingRename>* pairs, const FileSet& files);

// Whether the cleanup writes its log lines: only the installer does.
enum class PendingCleanupMode { kInstall, kUninstall };

// Platform (pending_renames_win.cpp): reads the queue, drops what
// DropPendingOperations drops, moves the orphaned sources to the Recycle
// Bin, and writes the queue back when it changed (the value is deleted when
// nothing is left). A Session Manager key that cannot be opened for reading
// and writing, or an empty queue, leaves everything as it is. In install
// mode a blank line and a line per dropped operation go to the working log.
void CleanPendingOperations(Journal& journal, const FileSet& files, PendingCleanupMode mode);
