// The process environment and the program's own place: environment
// variables, environment-string expansion, the current folder and the
// running program's file. Texts are UTF-16 Strings.
//
// Platform: environment_win.cpp (the Win32 calls); environment_host.cpp (the
// host's own environment, for host tests only).
#pragma once

#include "core/string.h"

// The value of an environment variable; empty when it is not set.
String EnvironmentVariable(const char16_t* name);

// Replaces %NAME% environment strings in `text` as the system does; names
// that are no environment variable stay as written. Returns false and
// leaves `text` unchanged when the system cannot expand it.
bool ExpandEnvironment(String& text);

// The current folder, without a trailing backslash unless it is a drive root.
String CurrentFolder();

// The full path of the running program's file, however long; empty when the
// system cannot tell it. The one way to find the program's own file.
String ProgramFilePath();
// Its file name alone, without the folder.
String ProgramFileName();
