#include <windows.h>

#include "core/datetime.h"

DateTime LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  DateTime d;
  d.year = now.wYear;
  d.month = now.wMonth;
  d.day = now.wDay;
  d.day_of_week = now.wDayOfWeek + 1;  // Windows counts Sunday as 0
  d.hour = now.wHour;
  d.minute = now.wMinute;
  d.second = now.wSecond;
  return d;
}

int32_t UtcOffsetMinutes(const DateTime& local) {
  TIME_ZONE_INFORMATION zone;
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return 0;
  SYSTEMTIME when = {};
  when.wYear = static_cast<WORD>(local.year);
  when.wMonth = static_cast<WORD>(local.month);
  when.wDay = static_cast<WORD>(local.day);
  when.wHour = static_cast<WORD>(local.hour < 0 ? 12 : local.hour);
  when.wMinute = static_cast<WORD>(local.minute < 0 ? 0 : local.minute);
  // The zone's rules for that date decide whether daylight saving applies.
  SYSTEMTIME utc;
  FILETIME local_time, utc_time;
  if (!TzSpecificLocalTimeToSystemTime(&zone, &when, &utc) || !SystemTimeToFileTime(&when, &local_time) ||
      !SystemTimeToFileTime(&utc, &utc_time)) {
    return -static_cast<int32_t>(zone.Bias);
  }
  ULARGE_INTEGER a, b;
  a.LowPart = local_time.dwLowDateTime;
  a.HighPart = local_time.dwHighDateTime;
  b.LowPart = utc_time.dwLowDateTime;
  b.HighPart = utc_time.dwHighDateTime;
  const int64_t difference = static_cast<int64_t>(a.QuadPart) - static_cast<int64_t>(b.QuadPart);
  return static_cast<int32_t>(difference / (60LL * 10000000LL));  // 100 ns units
}

uint64_t MonotonicMilliseconds() { return GetTickCount64(); }
