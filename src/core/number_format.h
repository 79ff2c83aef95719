// Numbers as text: integers, reals, byte counts, ordinals and English words.
#pragma once

#include <cstdint>

#include "core/string.h"

// Decimal text of an integer.
String IntToText(int64_t value);
String UIntToText(uint64_t value);
String IntToTextW(int64_t value);
String UIntToTextW(uint64_t value);

// Precision >= 0: that many decimals ("%.*f"). Precision < 0: six decimals
// with trailing zeros and a trailing point removed (2.5, 3). Negative zero,
// also after rounding, prints without its sign.
String RealToText(double value, int precision);
String RealToTextW(double value, int precision);

// "%d bytes" below 1024 and for negative counts, then "%.2f KB", "MB", "GB",
// "TB" in binary multiples (1024 gives "1.00 KB").
String ByteSizeToText(int64_t bytes);
String ByteSizeToTextW(int64_t bytes);

// "st", "nd", "rd" or "th": 11-13 and 4-20 take "th" (in every hundred).
const char* OrdinalSuffix(int64_t n);
// The number followed by its suffix: "1st", "22nd", "111th".
String OrdinalText(int64_t n);

// English words: "one hundred twenty-three", "minus seven", "zero".
String NumberInWords(int64_t n);
// Ordinal words: "first", "twenty-second", "one hundredth".
String OrdinalInWords(int64_t n);

// ASCII text widened unit by unit to UTF-16.
String WidenAscii(const String& text);
