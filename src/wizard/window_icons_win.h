// The large and small icons that the run's windows carry in their title bar
// and taskbar button: the program's own, unless the run replaces them (the
// uninstaller takes the product's "uninstall.ico").
#pragma once

#include <windows.h>

#include "core/string.h"

// Loads the program's own icons at the system's icon sizes; called once at start.
void LoadWindowIcons();

// Takes both sizes from an icon file. False, with the icons as they were,
// when the file is missing or holds no usable icon.
bool UseWindowIconsFromFile(const String& path);

// Gives `window` the current icons.
void PutWindowIcons(HWND window);
