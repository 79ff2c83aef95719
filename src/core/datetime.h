// Calendar dates with a time of day, and their format-letter language.
#pragma once

#include <cstdint>

#include "core/string.h"

// The year that marks a missing date.
constexpr int32_t kMissingYear = INT32_MIN;

struct DateTime {
  int32_t leading = 0;      // the record's leading word; not read by the formatter
  int32_t month = 0;        // 1-12
  int32_t day = 0;          // day of month
  int32_t year = 0;
  int32_t day_of_week = 0;  // 1-7, 1 = Sunday
  int32_t hour = -1;        // 0-23; -1: no time of day
  int32_t minute = -1;
  int32_t second = -1;

  // Empty: a missing year, a month outside 1-12, a day of week outside 1-7,
  // or a day outside the month.
  bool IsEmpty() const;
};

// Gregorian from 1582 on (centuries only when divisible by 400), Julian before.
bool IsLeapYear(int32_t year);
// 28-31, or 0 for a month outside 1-12.
int32_t DaysInMonth(int32_t year, int32_t month);
// 1-7, 1 = Sunday, by the same calendar rule as IsLeapYear.
int32_t DayOfWeek(int32_t year, int32_t month, int32_t day);
// A record with its day of week filled in.
DateTime MakeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour = -1, int32_t minute = -1,
                      int32_t second = -1);

constexpr char kDefaultDateTimeFormat[] = "m/d/y h:ii:ssap";
constexpr char kDefaultDateFormat[] = "m/d/y";
constexpr char kDefaultTimeFormat[] = "h:ii:ssap";

// The format is read left to right; doubled letters are looked up first:
//   yy year "%04d"              y  year modulo 100 "%02d"
//   mm / m month "%02d" / "%d"  dd / d day   ww / w day of week
//   HH / H hour 0-23            hh / h hour 1-12 (0 shows as 12)
//   ii / i minute               ss / s second ("%02d" / plain)
//   ap "a" or "p"               AP "a.m." or "p.m."
//   MM / M month name / first three letters   WW / W weekday likewise
//   DD / D day as ordinal words / "5th"        YY / Y year in words /
//          two-digit year in words ("Oh five" below 10)
//   b  offset from UTC at that date: "+hhmm" or "-hhmm"
// Any other character is copied. A null or empty format means
// kDefaultDateTimeFormat. An empty date gives an empty text.
String FormatDateTime(const DateTime& date, const char* format = nullptr);
String FormatDateTimeW(const DateTime& date, const char16_t* format = nullptr);

// The six-number date of a packaged file (month 0: no date; negative hour:
// no time of day), printed "%d/%02d/%02d %02d:%02d:%02d".
struct FileDate {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
  int32_t hour = -1;
  int32_t minute = 0;
  int32_t second = 0;
};
String FileDateText(const FileDate& date);

// Platform (datetime_win.cpp / datetime_host.cpp).
// The current local date and time.
DateTime LocalNow();
// Milliseconds on a clock that only moves forward (for pacing, not dates).
uint64_t MonotonicMilliseconds();
// Minutes that local time at `local` (noon when it has no time) lies ahead
// of UTC, daylight saving included.
int32_t UtcOffsetMinutes(const DateTime& local);
