#include "actions/file_deletion.h"

namespace {

// Reads digits at *p; false when there are none.
bool ReadNumber(const char*& p, int64_t* number) {
  if (*p < '0' || *p > '9') return false;
  int64_t value = 0;
  while (*p >= '0' && *p <= '9' && value < (int64_t{1} << 40)) value = value * 10 + (*p++ - '0');
  *number = value;
  return true;
}

bool IsDateSeparator(char c) { return c == '/' || c == '-' || c == '.'; }

void SkipBlanks(const char*& p) {
  while (*p == ' ' || *p == '\t') ++p;
}

bool ParseTimeOfDay(const char*& p, DateTime* date) {
  int64_t hour = 0, minute = 0, second = 0;
  if (!ReadNumber(p, &hour) || *p++ != ':' || !ReadNumber(p, &minute)) return false;
  if (*p == ':' && !ReadNumber(++p, &second)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  date->hour = static_cast<int32_t>(hour);
  date->minute = static_cast<int32_t>(minute);
  date->second = static_cast<int32_t>(second);
  return true;
}

// Days since a fixed point, for ordering dates; then seconds of the day.
int64_t DayNumber(const DateTime& d) { return (int64_t{d.year} * 12 + d.month) * 31 + d.day; }
int64_t SecondOfDay(const DateTime& d) { return (int64_t{d.hour} * 60 + d.minute) * 60 + d.second; }

// <0, 0, >0 as `a` lies before, at or after `b`; by dates alone when `b` has
// no time of day.
int CompareDates(const DateTime& a, const DateTime& b) {
  int64_t diff = DayNumber(a) - DayNumber(b);
  if (diff == 0 && b.hour >= 0) diff = SecondOfDay(a) - SecondOfDay(b);
  return diff < 0 ? -1 : diff > 0 ? 1 : 0;
}

bool ParseSize(const String& value, int64_t* size) {
  const char* p = value.c_str();
  SkipBlanks(p);
  if (!ReadNumber(p, size)) return false;
  SkipBlanks(p);
  return *p == 0;
}

}  // namespace

bool ParseConditionDate(const char* text, DateTime* date) {
  const char* p = text;
  SkipBlanks(p);
  int64_t year = 0, month = 0, day = 0;
  if (!ReadNumber(p, &year) || !IsDateSeparator(*p++) || !ReadNumber(p, &month) || !IsDateSeparator(*p++) ||
      !ReadNumber(p, &day)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(static_cast<int32_t>(year), static_cast<int32_t>(month))) {
    return false;
  }
  *date = MakeDateTime(static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day));
  SkipBlanks(p);
  if (*p == 0) return true;
  DateTime with_time = *date;
  if (ParseTimeOfDay(p, &with_time)) *date = with_time;
  return true;
}

ConditionResult TestDeletionCondition(uint8_t code, const String& value, const DeletionCandidate& file) {
  if (code == kDeleteAlways || code > kDeleteIfSizeAtMost) return ConditionResult::kDelete;
  bool keep = true;
  if (code <= kDeleteIfDateSameOrEarlier) {
    DateTime wanted;
    if (!ParseConditionDate(value.c_str(), &wanted)) return ConditionResult::kBadValue;
    const int order = CompareDates(file.written, wanted);
    keep = code == kDeleteIfDateEquals ? order != 0 : code == kDeleteIfDateSameOrLater ? order < 0 : order > 0;
  } else {
    int64_t wanted = 0;
    if (!ParseSize(value, &wanted)) return ConditionResult::kKeep;
    keep = code == kDeleteIfSizeEquals ? file.size != wanted
           : code == kDeleteIfSizeAtLeast ? file.size < wanted
                                          : file.size > wanted;
  }
  return keep ? ConditionResult::kKeep : ConditionResult::kDelete;
}
