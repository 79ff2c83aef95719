// The file-specification expander: turns lines of file specifications
// (wildcards, several per line separated by ";", " /s" at the end of a line
// for subfolders) into a checked list of files, and explains in plain words
// every file specification that names nothing. It never stops at a problem; only
// a cancel from a callback ends it early.
#pragma once

#include <cstdint>

#include "core/folder_walk.h"
#include "core/string.h"
#include "core/vector.h"

enum FileSpecOption : uint32_t {
  // Name forms of the result: lower case, or upper case.
  kSpecLowerCase = 0x4,
  kSpecUpperCase = 0x8,
  // Keep what the output list already holds (otherwise it is emptied).
  kSpecKeepOutput = 0x10,
  // The sorts ignore case.
  kSpecSortNoCase = 0x20,
  // Sort the result by path, ascending; or descending, which puts every
  // folder's contents before the folder itself.
  kSpecSortAscending = 0x40,
  kSpecSortDescending = 0x80,
  // Never add "on line %d " to messages.
  kSpecNoLineNumbers = 0x100,
  // Keep duplicates (otherwise a file named twice is kept once and reported).
  kSpecAllowDuplicates = 0x200,
  // An empty text is reported as "No files were specified.".
  kSpecReportEmpty = 0x400,
  // Leave out the "does not exist" and "does not match any files" messages.
  kSpecQuietMissing = 0x8000,
  // Lines that begin with ";" are comments.
  kSpecComments = 0x40000,
};
// The bits of kWalkOptionMask (folder_walk.h) are passed through to the walk.

// Told the line number for each file added; false ends that line.
using SpecProgress = bool (*)(int32_t line, void* context);
// Called with each file added and the folder that applied to its line; false
// ends that line.
using SpecFileCallback = bool (*)(const String& file, const String& folder, void* context);

// The result of an expansion that a walk cancelled.
constexpr int32_t kSpecCancelled = -2;

// What the expander needs of the system.
struct SpecSystem {
  // WalkFolder's contract (folder_walk.h).
  int64_t (*walk)(const char16_t* search_path, uint32_t options, WalkVisitor visitor, void* context);
  // Replaces %NAME% environment strings; false leaves the text as it was.
  bool (*expand_environment)(String& text);
  bool (*folder_exists)(const char16_t* path);
  String (*current_folder)();
};

struct SpecRequest {
  const String* lines = nullptr;             // UTF-16, lines separated by CR LF, LF or CR
  Array<String>* output = nullptr;           // UTF-16 full paths are appended
  const char16_t* default_folder = nullptr;  // for relative specifications; null or empty: none
  String* errors = nullptr;                  // UTF-16 messages are appended; null: none wanted
  SpecProgress progress = nullptr;
  int64_t* total_size = nullptr;  // set to the total size of the files added
  SpecFileCallback on_file = nullptr;
  void* context = nullptr;  // passed to both callbacks
  uint32_t options = 0;
};

// Expands the request with the running system (file_specification_win.cpp).
// Returns the number of files added to the output, or kSpecCancelled.
int32_t ExpandFileSpecification(const SpecRequest& request);
// The same with the given system.
int32_t ExpandFileSpecification(const SpecSystem& system, const SpecRequest& request);
