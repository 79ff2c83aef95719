// The rules around a packaged file's date (FileDate, core/datetime.h): when
// it is complete, how two dates compare, and the conversion to and from the
// system's file times. The package stores dates in UTC, as file times are.
#pragma once

#include <cstdint>

#include "core/datetime.h"

// Month 0 means that the date is missing; a negative hour that the time of
// day is missing.
inline bool HasDate(const FileDate& date) { return date.month != 0; }
inline bool HasTime(const FileDate& date) { return date.hour >= 0; }
// A date with both a day and a time of day: only such a date is put on a file.
inline bool IsCompleteDate(const FileDate& date) { return HasDate(date) && HasTime(date); }

// Negative when `a` is earlier, 0 when equal, positive when later. A value
// without a date sorts after any value with one; equal days go on to the
// time, where a value without time sorts after one with time. Times of day
// at most one second apart count as equal: some file systems keep only
// every other second.
int CompareFileDates(const FileDate& a, const FileDate& b);

// A file time: 100-nanosecond units since 1601-01-01 UTC (FILETIME).
// False for a date that is not complete or names no real moment (a month
// outside 1-12, a day outside the month, a year before 1601, 24:00).
bool FileDateToFileTime(const FileDate& date, uint64_t* file_time);
// The complete date of a file time, to the second.
FileDate FileDateFromFileTime(uint64_t file_time);
