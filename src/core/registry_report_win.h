// How the registry layer reports a failure: the status becomes the thread's
// last error, and kRegShowError puts the system's text in a "Registry Error"
// box. Shared by the registry_*_win.cpp files only.
#pragma once

#include <windows.h>

#include "core/string.h"

// The wide interface takes wchar_t, which is UTF-16 on Windows.
inline const wchar_t* WideText(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* WideText(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// Sets `status` as the last error, shows the box when `options` has
// kRegShowError (naming the key and value), and returns false. The last error
// is `status` again afterwards.
bool ReportRegistryFailure(LONG status, uint32_t options, const String& display, const char16_t* value_name);

// Ends the program with the message that a required registry value is
// missing or invalid, naming the program, the key and the value.
[[noreturn]] void RequiredRegistryValueMissing(const String& display, const char16_t* value_name);
