// The file-pattern expander: turns lines of file patterns
// (wildcards, several per line separated by ";", " /s" at the end of a line
// for subfolders) into a checked list of files, and explains in plain words
// every file pattern that names nothing. It never stops at a problem; only
// a cancel from a callback ends it early.
#pragma once

#include <cstdint>

#include "core/folder_walk.h"
#include "core/string.h"
#include "core/vector.h"

enum FilePatternOption : uint32_t {
  // Name forms of the result: lower case, or upper case.
  kPatternLowerCase = 0x4,
  kPatternUpperCase = 0x8,
  // Keep what the output list already holds (otherwise it is emptied).
  kPatternKeepOutput = 0x10,
  // The sorts ignore case.
  kPatternSortNoCase = 0x20,
  // Sort the result by path, ascending; or descending, which puts every
  // folder's contents before the folder itself.
  kPatternSortAscending = 0x40,
  kPatternSortDescending = 0x80,
  // Never add "on line %d " to messages.
  kPatternNoLineNumbers = 0x100,
  // Keep duplicates (otherwise a file named twice is kept once and reported).
  kPatternAllowDuplicates = 0x200,
  // An empty text is reported as "No files were specified.".
  kPatternReportEmpty = 0x400,
  // Leave out the "does not exist" and "does not match any files" messages.
  kPatternQuietMissing = 0x8000,
  // Lines that begin with ";" are comments.
  kPatternComments = 0x40000,
};
// The bits of kWalkOptionMask (folder_walk.h) are passed through to the walk.

// Told the line number for each file added; false ends that line.
using PatternProgress = bool (*)(int32_t line, void* context);
// Called with each file added and the folder that applied to its line; false
// ends that line.
using PatternFileCallback = bool (*)(const String& file, const String& folder, void* context);

// The result of an expansion that a walk cancelled.
constexpr int32_t kPatternCancelled = -2;

// What the expander needs of the system.
struct PatternSystem {
  // WalkFolder's contract (folder_walk.h).
  int64_t (*walk)(const char16_t* search_path, uint32_t options, WalkVisitor visitor, void* context);
  // Replaces %NAME% environment strings; false leaves the text as it was.
  bool (*expand_environment)(String& text);
  bool (*folder_exists)(const char16_t* path);
  String (*current_folder)();
};

struct PatternRequest {
  const String* lines = nullptr;             // UTF-16, lines separated by CR LF, LF or CR
  Array<String>* output = nullptr;           // UTF-16 full paths are appended
  const char16_t* default_folder = nullptr;  // for relative patterns; null or empty: none
  String* errors = nullptr;                  // UTF-16 messages are appended; null: none wanted
  PatternProgress progress = nullptr;
  int64_t* total_size = nullptr;  // set to the total size of the files added
  PatternFileCallback on_file = nullptr;
  void* context = nullptr;  // passed to both callbacks
  uint32_t options = 0;
};

// Expands the request with the running system (file_patterns_win.cpp).
// Returns the number of files added to the output, or kPatternCancelled.
int32_t ExpandFilePatterns(const PatternRequest& request);
// The same with the given system.
int32_t ExpandFilePatterns(const PatternSystem& system, const PatternRequest& request);
