#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }
std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

const DateTime kMarch5 = MakeDateTime(2024, 3, 5, 7, 8, 9);

TEST(DateTimeRecord, ConstructorMarksNoDateAndNoTime) {
  const DateTime d;
  EXPECT_EQ(d.leading, 0);
  EXPECT_EQ(d.month, 0);
  EXPECT_EQ(d.day, 0);
  EXPECT_EQ(d.year, 0);
  EXPECT_EQ(d.day_of_week, 0);
  EXPECT_EQ(d.hour, -1);
  EXPECT_EQ(d.minute, -1);
  EXPECT_EQ(d.second, -1);
  EXPECT_TRUE(d.IsEmpty());
}

TEST(DateTimeRecord, LeapYearsSwitchCalendarIn1582) {
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(1500));  // Julian: every fourth year
  EXPECT_FALSE(IsLeapYear(1700));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(DateTimeRecord, DayOfWeek) {
  EXPECT_EQ(DayOfWeek(2024, 3, 5), 3);   // Tuesday
  EXPECT_EQ(DayOfWeek(2000, 1, 1), 7);   // Saturday
  EXPECT_EQ(DayOfWeek(2024, 2, 29), 5);  // Thursday
  EXPECT_EQ(DayOfWeek(1970, 1, 1), 5);   // Thursday
  EXPECT_EQ(DayOfWeek(1582, 10, 15), 6);  // Friday, the first Gregorian day
  EXPECT_EQ(DayOfWeek(1492, 10, 12), 6);  // Friday in the Julian calendar
}

TEST(DateTimeRecord, EmptyValues) {
  EXPECT_FALSE(kMarch5.IsEmpty());
  EXPECT_TRUE(MakeDateTime(2023, 2, 29).IsEmpty());
  EXPECT_FALSE(MakeDateTime(2024, 2, 29).IsEmpty());
  EXPECT_TRUE(MakeDateTime(1900, 2, 29).IsEmpty());
  EXPECT_FALSE(MakeDateTime(1500, 2, 29).IsEmpty());
  EXPECT_TRUE(MakeDateTime(2024, 13, 1).IsEmpty());
  EXPECT_TRUE(MakeDateTime(2024, 4, 31).IsEmpty());
  DateTime d = kMarch5;
  d.day_of_week = 8;
  EXPECT_TRUE(d.IsEmpty());
  d = kMarch5;
  d.year = kMissingYear;
  EXPECT_TRUE(d.IsEmpty());
  EXPECT_EQ(Text(FormatDateTime(d, "yymmdd")), "");
}

TEST(DateTimeFormat, InstallerFormats) {
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "yy/mm/dd HH:ii:ss")), "2024/03/05 07:08:09");
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "yymmdd")), "20240305");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 3, 5, 0, 5, 0), "h:ii:ssap")), "12:05:00a");
}

TEST(DateTimeFormat, DefaultsWhenNoFormatIsGiven) {
  EXPECT_EQ(Text(FormatDateTime(kMarch5)), "3/5/24 7:08:09a");
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "")), "3/5/24 7:08:09a");
  EXPECT_EQ(Text(FormatDateTime(kMarch5, kDefaultDateFormat)), "3/5/24");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 3, 5, 23, 59, 1), kDefaultTimeFormat)), "11:59:01p");
  EXPECT_EQ(Wide(FormatDateTimeW(kMarch5)), u"3/5/24 7:08:09a");
}

TEST(DateTimeFormat, NumberLetters) {
  const DateTime d = MakeDateTime(2005, 11, 21, 13, 4, 5);
  EXPECT_EQ(Text(FormatDateTime(d, "y|m|d|w|ww")), "05|11|21|2|02");
  EXPECT_EQ(Text(FormatDateTime(d, "HH H hh h ii i ss s")), "13 13 01 1 04 4 05 5");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 1, 1, 12, 0, 0), "hh ap AP")), "12 p p.m.");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 1, 1, 11, 59, 59), "hh aP AP")), "11 a a.m.");
  EXPECT_EQ(Text(FormatDateTime(d, "yyy mmm")), "200505 1111");  // a doubled letter first, then one
}

TEST(DateTimeFormat, NameAndWordLetters) {
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "WW, MM D, yy")), "Tuesday, March 5th, 2024");
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "W M")), "Tue Mar");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 3, 22), "DD|D")), "twenty-second|22nd");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 3, 11), "D")), "11th");
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "YY")), "two thousand twenty-four");
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "Y")), "twenty-four");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2005, 1, 1), "Y")), "Oh five");
}

TEST(DateTimeFormat, OtherCharactersAreCopied) {
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "at [yy] A! a")), "at [2024] A! a");
  EXPECT_EQ(Wide(FormatDateTimeW(kMarch5, u"\u00E9t\u00E9 yy \u4E2D WW")), u"\u00E9t\u00E9 2024 \u4E2D Tuesday");
}

// The offset follows the local zone's rules for that date (host: the TZ variable).
TEST(DateTimeFormat, TimeZoneOffsetOfThatDate) {
  const char* saved = std::getenv("TZ");
  const std::string old = saved ? saved : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 1, 15, 12, 0, 0), "b")), "+0100");
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 7, 15, 12, 0, 0), "b")), "+0200");
  setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
  tzset();
  EXPECT_EQ(Text(FormatDateTime(MakeDateTime(2024, 1, 15), "b")), "-0500");
  setenv("TZ", "<+0530>-5:30", 1);
  tzset();
  EXPECT_EQ(Text(FormatDateTime(kMarch5, "b")), "+0530");
  if (saved) setenv("TZ", old.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST(DateTimeNow, LocalNowIsAValidDate) {
  const DateTime now = LocalNow();
  EXPECT_FALSE(now.IsEmpty());
  EXPECT_GE(now.year, 2024);
  EXPECT_EQ(now.day_of_week, DayOfWeek(now.year, now.month, now.day));
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
}

TEST(FileDateText, PlainRecord) {
  FileDate d;
  d.year = 2024;
  d.month = 3;
  d.day = 5;
  d.hour = 7;
  d.minute = 8;
  d.second = 9;
  EXPECT_EQ(Text(FileDateText(d)), "2024/03/05 07:08:09");
}

}  // namespace
