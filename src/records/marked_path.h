// Marked 8-bit paths: how the install records keep a wide path in an 8-bit
// file. A path of pure 7-bit ASCII is kept as it is; any other path is kept
// as '|' followed by its UTF-8 form, so that no character is lost to the
// ANSI code page. Unmarked texts are read in the ANSI code page, which is how
// older files and texts that were never marked come back.
#pragma once

#include <cstdint>

#include "core/string.h"

constexpr char kUtf8PathMark = '|';

// Whether `bytes` bytes of `text` are all below 0x80.
bool IsPureAscii(const char* text, int32_t bytes);

// The 8-bit form of a wide path.
String MarkPath(const char16_t* wide, int32_t units = String::kToEnd);
String MarkPath(const String& wide);

// The wide form of a marked or unmarked 8-bit path.
String UnmarkPath(const char* text, int32_t bytes = String::kToEnd);
String UnmarkPath(const String& text);
