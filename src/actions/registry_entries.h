// The package's registry-entry list: lines of comma-separated fields, either a
// key path alone or key path, value name, value type, data and action. This
// file reads a line and builds the value data; registry_work_win.cpp applies
// them.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// What an entry does at install time.
enum class EntryAction : int32_t {
  kNone = 0,
  kWrite = 1,
  kRemoveOnUninstall = 2,  // nothing here; the uninstaller removes the value
  kWriteAndRemove = 3,
  kDelete = 4,
  kDeleteAndRemove = 5,
  kWriteIfMissing = 6,
};

enum class EntryForm { kKey, kValue, kIllegal };

struct RegistryEntry {
  EntryForm form = EntryForm::kIllegal;
  String key;    // UTF-16, as written (a key entry: blanks trimmed)
  String name;   // UTF-16 value name
  uint32_t type = 0;
  String data;   // UTF-16 text as written
  int32_t action = 0;
};

// Reads the record at `*position` of the UTF-16 list. False when none is left.
bool ReadRegistryEntry(const String& list, int32_t* position, RegistryEntry* entry);

// Whether the action writes the value, and whether it deletes it first.
bool EntryWrites(int32_t action);
bool EntryDeletes(int32_t action);
// Whether the uninstaller removes the value again.
bool EntryRemovedOnUninstall(int32_t action);

// The bytes to write for `text` as a value of `type`: UTF-16 for 1 and 2,
// bytes from hexadecimal (blanks ignored) for 3, a little-endian number from
// decimal text for 4 and 11. False for another type or data that does not
// read as the type asks (odd hex digits, not a number, out of range).
bool BuildEntryData(uint32_t type, const String& text, String* data);
