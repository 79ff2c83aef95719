// What a registry merge file (the ".reg" text the builder packed) writes,
// read so that the installation can record what it creates and the
// uninstaller can take it out again.
#pragma once

#include "core/string.h"
#include "core/vector.h"

struct MergeWrite {
  String key;         // the section's key path, as written ("HKEY_LOCAL_MACHINE\\Software\\...")
  String value_name;  // "" for the default value ("@")
  bool value = false;  // false: the section line itself (the key is created)
};

// The keys and values the text (UTF-16, with or without its mark) sets, in
// order: each "[key]" section, then each value set in it. Deletions
// ("[-key]", "name"=-) and the lines continued after a backslash are not
// writes; a value whose name holds a backslash is passed over, since a value
// record could not name it.
Vector<MergeWrite> MergeFileWrites(const String& text);
