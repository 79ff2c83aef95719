// Ordering and pattern comparison of texts. Results are -1, 0 or +1.
#pragma once

#include <cstdint>

#include "core/string.h"

// Byte-wise (8-bit) or unit-wise (UTF-16) order; a text that is the start of
// the other sorts first.
int Compare(const String& a, const String& b);
int CompareW(const String& a, const String& b);
// 8-bit, folding ASCII letters to lower case.
int CompareNoCase(const String& a, const String& b);
int CompareNoCase(const char* a, int32_t a_bytes, const char* b, int32_t b_bytes);
// UTF-16, ignoring case as the system's invariant locale does (a plain
// character-class fold where there is no system). The three-argument form
// compares `count` units of each: a null text sorts before any other text,
// two nulls or a count <= 0 compare equal.
int CompareNoCaseW(const String& a, const String& b);
int CompareNoCaseW(const char16_t* a, const char16_t* b, int32_t count);
int CompareNoCaseW(const char16_t* a, int32_t a_units, const char16_t* b, int32_t b_units);

// Compare `count` characters of `text` with `pattern`, where a '?' in the
// pattern matches any character; otherwise the first difference decides.
// NoCase folds to upper case (ASCII for 8-bit, the character-class mapping
// for UTF-16).
int PatternCompare(const char* text, const char* pattern, int32_t count);
int PatternCompareNoCase(const char* text, const char* pattern, int32_t count);
int PatternCompareW(const char16_t* text, const char16_t* pattern, int32_t count);
int PatternCompareNoCaseW(const char16_t* text, const char16_t* pattern, int32_t count);

// Platform (string_compare_win.cpp: CompareStringW with the invariant locale,
// NORM_IGNORECASE | SORT_STRINGSORT; string_compare_host.cpp: a character
// fold). Answers -1, 0 or +1, or 2 when the system could not compare.
int SystemCompareNoCaseW(const char16_t* a, int32_t a_units, const char16_t* b, int32_t b_units);
