// The version a file's version resource gives.
#pragma once

#include "core/string.h"

// Platform (file_version_win.cpp): the "FileVersion" string of the first
// translation of the file's version resource, as CleanFileVersion shows it
// (UTF-16). Empty when the file has no version resource or version.dll
// cannot be loaded from the system folder.
String FileVersion(const String& path);
