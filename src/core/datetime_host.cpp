#include <chrono>
#include <ctime>

#include "core/datetime.h"

DateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec);
}

int32_t UtcOffsetMinutes(const DateTime& local) {
  std::tm when{};
  when.tm_year = local.year - 1900;
  when.tm_mon = local.month - 1;
  when.tm_mday = local.day;
  when.tm_hour = local.hour < 0 ? 12 : local.hour;
  when.tm_min = local.minute < 0 ? 0 : local.minute;
  when.tm_isdst = -1;  // let the zone rules decide
  const std::time_t t = std::mktime(&when);
  std::tm resolved{};
  if (t == static_cast<std::time_t>(-1) || !localtime_r(&t, &resolved)) return 0;
  return static_cast<int32_t>(resolved.tm_gmtoff / 60);
}

uint64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
