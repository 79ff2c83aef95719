// The full form of a path, made by the system.
#pragma once

#include "core/string.h"

// The absolute form of `path` (UTF-16), of any length; empty when the path is
// empty or the system cannot make one.
String FullPathName(const String& path);
