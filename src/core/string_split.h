// Splitting a text at a separator into an Array<String>.
#pragma once

#include "core/string.h"
#include "core/vector.h"

// Every occurrence of `separator` ends a part: n separators give n + 1 parts
// (empty ones included); an empty text gives no parts at all. An empty
// separator leaves the text whole. The W form splits UTF-16 text.
Array<String> Split(const String& text, const char* separator);
Array<String> SplitW(const String& text, const char16_t* separator);
