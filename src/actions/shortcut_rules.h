// The text rules of shortcuts: the link file's name, the working folder as
// the link stores it, and a command split into program and arguments. The
// link itself is made in shortcut_win.cpp.
#pragma once

#include "core/string.h"

// `path` with ".LNK" appended unless it already ends in ".lnk" (any case).
String LinkFileName(const String& path);

// The working folder as stored: a trailing backslash removed, except that a
// bare drive keeps (or gets back) its root backslash ("C:" gives "C:\").
String LinkWorkingFolder(const String& folder);

// A command line split into its program (surrounding double quotes removed)
// and the rest (leading blanks removed). Without a rest the whole command,
// unquoted, is the program.
void SplitCommand(const String& command, String* program, String* arguments);

// Arguments that begin with '~' and a double quote name the target instead:
// the quoted part becomes the target, the rest stays the arguments. True when
// that form was found.
bool TakeTargetFromArguments(String* arguments, String* target);

// The last component of a path (after the last backslash or slash).
String LastPathComponent(const String& path);
