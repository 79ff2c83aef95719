#include "core/datetime.h"

#include <type_traits>

#include "core/format.h"
#include "core/number_format.h"

namespace {

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Appends generated ASCII text as 8-bit or as UTF-16.
template <class Char>
void AppendAscii(String& out, const String& text) {
  if constexpr (std::is_same_v<Char, char>) {
    out.Append(text);
  } else {
    out.Append(WidenAscii(text));
  }
}

// The text of one letter (or doubled letter) of the format; false when the
// letter is no format letter.
bool LetterText(const DateTime& d, char letter, bool doubled, String& text) {
  const int32_t h12 = d.hour % 12 == 0 ? 12 : d.hour % 12;
  const int32_t two_digit_year = static_cast<int32_t>(FloorMod(d.year, 100));
  switch (letter) {
    case 'y': text = doubled ? Format("%04d", d.year) : Format("%02d", two_digit_year); return true;
    case 'm': text = Format(doubled ? "%02d" : "%d", d.month); return true;
    case 'd': text = Format(doubled ? "%02d" : "%d", d.day); return true;
    case 'w': text = Format(doubled ? "%02d" : "%d", d.day_of_week); return true;
    case 'H': text = Format(doubled ? "%02d" : "%d", d.hour); return true;
    case 'h': text = Format(doubled ? "%02d" : "%d", h12); return true;
    case 'i': text = Format(doubled ? "%02d" : "%d", d.minute); return true;
    case 's': text = Format(doubled ? "%02d" : "%d", d.second); return true;
    case 'M': text = String(kMonths[d.month - 1], doubled ? String::kToEnd : 3); return true;
    case 'W': text = String(kWeekdays[d.day_of_week - 1], doubled ? String::kToEnd : 3); return true;
    case 'D': text = doubled ? OrdinalInWords(d.day) : OrdinalText(d.day); return true;
    case 'Y':
      if (doubled) {
        text = NumberInWords(d.year);
      } else {
        text = two_digit_year < 10 ? String("Oh ") : String();
        text.Append(NumberInWords(two_digit_year));
      }
      return true;
    default:
      return false;
  }
}

String OffsetText(const DateTime& d) {
  const int32_t offset = UtcOffsetMinutes(d);
  const int32_t magnitude = offset < 0 ? -offset : offset;
  return Format("%c%02d%02d", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
}

template <class Char>
String FormatDate(const DateTime& d, const Char* format) {
  String out;
  if (d.IsEmpty()) return out;
  if (!format || !*format) return FormatDate(d, kDefaultDateTimeFormat);
  String text;
  for (const Char* p = format; *p;) {
    const Char c = *p;
    const bool ascii = c < 0x80;
    const bool next_is_p = p[1] == 'p' || p[1] == 'P';
    if ((c == 'a' || c == 'A') && next_is_p) {
      const bool morning = d.hour < 12;
      AppendAscii<Char>(out, String(c == 'a' ? (morning ? "a" : "p") : (morning ? "a.m." : "p.m.")));
      p += 2;
    } else if (c == 'b') {
      AppendAscii<Char>(out, OffsetText(d));
      ++p;
    } else if (ascii && LetterText(d, static_cast<char>(c), p[1] == c, text)) {
      AppendAscii<Char>(out, text);
      p += p[1] == c ? 2 : 1;
    } else {
      if constexpr (std::is_same_v<Char, char>) {
        out.Append(c);
      } else {
        out.AppendW(c);
      }
      ++p;
    }
  }
  return out;
}

}  // namespace

bool IsLeapYear(int32_t year) {
  if (year < 1582) return FloorMod(year, 4) == 0;
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int32_t DaysInMonth(int32_t year, int32_t month) {
  static const int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int32_t DayOfWeek(int32_t year, int32_t month, int32_t day) {
  // Zeller's congruence; January and February count as months 13 and 14.
  int64_t y = year;
  int64_t m = month;
  if (m < 3) {
    m += 12;
    --y;
  }
  const int64_t k = FloorMod(y, 100);
  const int64_t j = FloorDiv(y, 100);
  const int64_t calendar = year >= 1582 ? FloorDiv(j, 4) + 5 * j : 5 + 6 * j;
  const int64_t h = FloorMod(day + (13 * (m + 1)) / 5 + k + k / 4 + calendar, 7);  // 0 = Saturday
  return static_cast<int32_t>((h + 6) % 7 + 1);
}

DateTime MakeDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
  DateTime d;
  d.year = year;
  d.month = month;
  d.day = day;
  d.day_of_week = DayOfWeek(year, month, day);
  d.hour = hour;
  d.minute = minute;
  d.second = second;
  return d;
}

bool DateTime::IsEmpty() const {
  return year == kMissingYear || month < 1 || month > 12 || day_of_week < 1 || day_of_week > 7 || day < 1 ||
         day > DaysInMonth(year, month);
}

String FormatDateTime(const DateTime& date, const char* format) { return FormatDate(date, format); }

String FormatDateTimeW(const DateTime& date, const char16_t* format) {
  if (!format || !*format) return WidenAscii(FormatDate(date, kDefaultDateTimeFormat));
  return FormatDate(date, format);
}

String FileDateText(const FileDate& d) {
  return Format("%d/%02d/%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
}
