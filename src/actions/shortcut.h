// One shell shortcut (".lnk" file) made through the shell link object.
#pragma once

#include "core/string.h"

// UTF-16 texts.
struct ShortcutLink {
  String lnk;             // ".LNK" is appended unless it ends in ".lnk"
  String target;
  String arguments;       // empty: none
  String working_folder;  // empty: none
  String icon;            // empty: the target's own icon
};

// Creates the link file, with its missing folders. True when the shell saved
// it; otherwise false with the failure as the thread's last error. A crash in
// the shell's code is caught and reported as a failure.
bool CreateShortcut(const ShortcutLink& link);
