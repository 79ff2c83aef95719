// Walking the files that a folder and pattern (a file specification) match, optionally with
// subfolders, as the system's directory search matches them.
#pragma once

#include <cstdint>

#include "core/string.h"

enum WalkOption : uint32_t {
  // Report folders too ("." and ".." never).
  kWalkFolders = 0x1,
  // Report no files (with kWalkFolders: folders only).
  kWalkNoFiles = 0x2,
  // Skip "thumbs.db" and "desktop.ini".
  kWalkSkipShellFiles = 0x1000,
  // Do not handle pending window messages between entries.
  kWalkNoMessages = 0x2000,
  // Report bare names instead of full paths.
  kWalkBareNames = 0x4000,
};

// The bits above do not overlap the options of the file-pattern
// expander, which passes its own options through to the walk.
constexpr uint32_t kWalkOptionMask =
    kWalkFolders | kWalkNoFiles | kWalkSkipShellFiles | kWalkNoMessages | kWalkBareNames;

struct WalkEntry {
  const String* path;   // UTF-16: the full path, or the bare name with kWalkBareNames
  uint32_t attributes;  // the system's attribute bits
  int64_t size;         // 0 for folders
  uint64_t write_time;  // last-write time, 100-nanosecond units since 1601 (UTC)
  bool is_folder;
};

// Answers false to stop the walk.
using WalkVisitor = bool (*)(const WalkEntry& entry, void* context);

// The walk's result when the visitor stopped it.
constexpr int64_t kWalkCancelled = -2;

// Walks `search_path` (a folder and a pattern, e.g. "C:\\data\\*.txt"); a
// trailing " /s" includes subfolders, which are walked depth-first after the
// entries of their parent. The visitor may be null. Returns the total size of
// the files reported, or kWalkCancelled with last error ERROR_CANCELLED when
// the visitor stopped the walk.
int64_t WalkFolder(const char16_t* search_path, uint32_t options, WalkVisitor visitor, void* context);

// Splits a walk's file specification: the folder part with its trailing backslash
// (empty when there is none), the pattern, and whether " /s" asked for
// subfolders. Surrounding blanks of the file specification are ignored.
struct WalkSpecification {
  String folder;
  String pattern;
  bool subfolders = false;
};
WalkSpecification SplitWalkSpecification(const char16_t* search_path);
