// The floating-point conversions of the printf engine (f F e E g G a A),
// done here rather than by the C library so that every platform prints the
// same text and setup.exe carries no C99 printf: the exact decimal value is
// expanded and rounded once, ties to even, as the C libraries do.
#pragma once

#include <cstdint>

#include "core/string.h"

struct FloatText {
  bool negative = false;
  bool finite = true;
  String body;  // after the sign and, for a and A, after "0x"
};

// `precision` < 0 stands for none given; `alternate` is the '#' flag.
FloatText FormatFloatText(long double value, char conversion, int64_t precision, bool alternate);

// The double nearest to a plain decimal text ("-12.5e3": sign, digits with
// an optional point, an optional exponent), ties to even, infinity beyond
// the largest double, as a correct strtod reads it.
double ReadDecimalReal(const char* text);
