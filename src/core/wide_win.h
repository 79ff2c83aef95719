// The Win32 wide interface takes wchar_t, which is UTF-16 on Windows, while
// the portable code holds UTF-16 text as char16_t: these casts are the one
// bridge between the two.
#pragma once

#include "core/string.h"

inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const wchar_t* Wide(const String& text) { return Wide(text.w_str()); }
