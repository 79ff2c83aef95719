// The printf engine behind format.h, for callers that have a buffer of their
// own. Same conversions and text-argument rules as format.h.
#pragma once

#include <cstdarg>
#include <cstdint>

// Writes at most `capacity` characters of the result to `buffer` (no
// terminator) and returns the length of the whole result. The arguments are
// read from a copy of `args`, so the caller may use it again.
int64_t FormatToBuffer(char* buffer, int64_t capacity, const char* format, va_list args);
int64_t FormatToBufferW(char16_t* buffer, int64_t capacity, const char16_t* format, va_list args);

// snprintf's contract: at most `size` - 1 characters and a terminator, the
// length of the whole result returned.
int64_t VFormatTerminated(char* buffer, int64_t size, const char* format, va_list args);
int64_t FormatTerminated(char* buffer, int64_t size, const char* format, ...);
