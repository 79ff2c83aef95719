// The system's folder chooser, for the folder and start-menu pages.
#pragma once

#include <windows.h>

#include "core/string.h"

// Lets the user pick a folder, starting at `current` (UTF-16); `root` is a
// CSIDL value the choice is kept under, or -1 for the whole computer. True
// with the chosen folder's full path in `chosen`.
bool ChooseFolder(HWND owner, const String& title, const String& current, int root, String& chosen);
