// Helpers shared by the host tests of the install records.
#pragma once

#include <string>

#include "core/string.h"

inline std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
inline std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }
