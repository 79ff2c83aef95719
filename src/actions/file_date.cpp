#include "actions/file_date.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kUnitsPerSecond = 10000000;  // file times count 100 ns
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDaysFrom1601To1970 = 134774;
// The last year a file time reaches in the system's calendar record.
constexpr int32_t kLastYear = 30827;

int Sign(int64_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Days since 1970-01-01 of a Gregorian date (Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The inverse (Hinnant's civil_from_days).
void CivilFromDays(int64_t days, FileDate* date) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;
  date->day = static_cast<int32_t>(day_of_year - (153 * month_index + 2) / 5 + 1);
  date->month = static_cast<int32_t>(month_index < 10 ? month_index + 3 : month_index - 9);
  date->year = static_cast<int32_t>(year_of_era + era * 400 + (date->month <= 2 ? 1 : 0));
}

bool IsRealMoment(const FileDate& d) {
  return d.year >= 1601 && d.year <= kLastYear && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.year, d.month) && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 &&
         d.second >= 0 && d.second <= 59;
}

int64_t SecondsOfDay(const FileDate& d) {
  return static_cast<int64_t>(d.hour) * 3600 + static_cast<int64_t>(d.minute) * 60 + d.second;
}

}  // namespace

int CompareFileDates(const FileDate& a, const FileDate& b) {
  if (HasDate(a) != HasDate(b)) return HasDate(a) ? -1 : 1;
  if (a.year != b.year) return Sign(static_cast<int64_t>(a.year) - b.year);
  if (a.month != b.month) return Sign(static_cast<int64_t>(a.month) - b.month);
  if (a.day != b.day) return Sign(static_cast<int64_t>(a.day) - b.day);
  if (HasTime(a) != HasTime(b)) return HasTime(a) ? -1 : 1;
  if (!HasTime(a)) return 0;
  const int64_t difference = SecondsOfDay(a) - SecondsOfDay(b);
  return difference >= -1 && difference <= 1 ? 0 : Sign(difference);
}

bool FileDateToFileTime(const FileDate& date, uint64_t* file_time) {
  if (!IsCompleteDate(date) || !IsRealMoment(date)) return false;
  const int64_t days = DaysFromCivil(date.year, date.month, date.day) + kDaysFrom1601To1970;
  *file_time = static_cast<uint64_t>((days * kSecondsPerDay + SecondsOfDay(date)) * kUnitsPerSecond);
  return true;
}

FileDate FileDateFromFileTime(uint64_t file_time) {
  const int64_t seconds = static_cast<int64_t>(file_time / kUnitsPerSecond);
  const int64_t days = seconds / kSecondsPerDay;
  const int64_t of_day = seconds % kSecondsPerDay;
  FileDate date;
  CivilFromDays(days - kDaysFrom1601To1970, &date);
  date.hour = static_cast<int32_t>(of_day / 3600);
  date.minute = static_cast<int32_t>(of_day / 60 % 60);
  date.second = static_cast<int32_t>(of_day % 60);
  return date;
}
