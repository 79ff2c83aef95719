// How the registry layer reports a failure: the status becomes the thread's
// last error, and kRegShowError puts the system's text in a "Registry Error"
// box. Shared by the registry_*_win.cpp files only.
#pragma once

#include <windows.h>

#include "core/string.h"
#include "core/wide_win.h"

// Sets `status` as the last error, shows the box when `options` has
// kRegShowError (naming the key and value), and returns false. The last error
// is `status` again afterwards.
bool ReportRegistryFailure(LONG status, uint32_t options, const String& display, const char16_t* value_name);

// Ends the program with the message that a required registry value is
// missing or invalid, naming the program, the key and the value.
[[noreturn]] void RequiredRegistryValueMissing(const String& display, const char16_t* value_name);
