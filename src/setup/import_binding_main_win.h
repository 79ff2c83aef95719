#pragma once

#include <windows.h>

// Loads setup.exe's system libraries (all but kernel32 and the C runtime)
// from the system folder and fills its import slots; false when a library or
// function is missing. Call it after RestrictDllSearchToSystem and before
// anything else: until then every call into those libraries faults.
bool BindSystemImports();
