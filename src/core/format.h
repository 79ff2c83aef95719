// printf-style formatting into a String, in an 8-bit and a UTF-16 form.
//
// One engine serves both forms, so results are the same on every platform:
// flags - + space # 0, width, precision, '*', length modifiers hh h l ll L z
// j t I I32 I64, conversions d i u o x X c C s S p f F e E g G a A and %%.
// %n is refused: its argument is skipped and nothing is written.
//
// Text arguments follow the Windows convention:
//   8-bit form:  %s %hs const char*      %ls %S const char16_t*
//   UTF-16 form: %s %ls const char16_t*  %hs %S const char*
// (and likewise %c / %lc / %hc / %C with a character). Text of the other width
// is converted through the ANSI code page, with "?" for what it cannot hold.
// A null text prints as "(null)"; %p prints the address in upper-case hex
// digits, two per byte.
//
// The result is first formatted into a buffer of 16384 characters; a longer
// result is formatted a second time at its full length. Arguments may point
// into the string being written.
//
// Each call returns the number of characters it formatted, or -1 (nothing
// changed) when the result would not fit a String.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/string.h"

// Replaces the content of `out`.
int32_t FormatString(String& out, const char* format, ...);
int32_t FormatStringW(String& out, const char16_t* format, ...);
int32_t VFormatString(String& out, const char* format, va_list args);
int32_t VFormatStringW(String& out, const char16_t* format, va_list args);

// Appends to the content of `out`.
int32_t AppendFormat(String& out, const char* format, ...);
int32_t AppendFormatW(String& out, const char16_t* format, ...);
int32_t VAppendFormat(String& out, const char* format, va_list args);
int32_t VAppendFormatW(String& out, const char16_t* format, va_list args);

// The formatted text as a new String.
String Format(const char* format, ...);
String FormatW(const char16_t* format, ...);
