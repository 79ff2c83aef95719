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
#pragma once

#include <cstdint>

#include "core/keyed_list.h"
#include "core/string.h"
#include "core/vector.h"

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

// A set of file paths compared without regard to case: the files just
// written (install) or just deleted (uninstall). Keys are UTF-16, folded
// with FoldedPath.
using FileSet = List<Bucket<bool, String>>;
// The lower-cased form of a UTF-16 path under which it is kept in a FileSet.
String FoldedPath(const String& wide_path);
void AddToFileSet(FileSet* files, const String& wide_path);
bool FileSetHas(const FileSet& files, const String& wide_path);

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
void CleanPendingOperations(const FileSet& files, PendingCleanupMode mode);
