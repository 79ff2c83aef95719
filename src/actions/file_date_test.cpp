#include "actions/file_date.h"

#include <gtest/gtest.h>

namespace {

FileDate Date(int32_t year, int32_t month, int32_t day, int32_t hour = -1, int32_t minute = 0, int32_t second = 0) {
  FileDate d;
  d.year = year;
  d.month = month;
  d.day = day;
  d.hour = hour;
  d.minute = minute;
  d.second = second;
  return d;
}

const FileDate kNoDate;

TEST(FileDateCompare, CalendarOrderThenTimeOfDay) {
  EXPECT_LT(CompareFileDates(Date(2023, 12, 31, 23, 59, 59), Date(2024, 1, 1, 0, 0, 0)), 0);
  EXPECT_GT(CompareFileDates(Date(2024, 2, 1, 0), Date(2024, 1, 31, 23)), 0);
  EXPECT_LT(CompareFileDates(Date(2024, 1, 30, 23), Date(2024, 1, 31, 1)), 0);
  EXPECT_GT(CompareFileDates(Date(2024, 1, 1, 10, 0, 0), Date(2024, 1, 1, 9, 59, 0)), 0);
}

TEST(FileDateCompare, OneSecondApartCountsAsEqual) {
  EXPECT_EQ(CompareFileDates(Date(2024, 1, 1, 10, 0, 0), Date(2024, 1, 1, 10, 0, 1)), 0);
  EXPECT_EQ(CompareFileDates(Date(2024, 1, 1, 10, 0, 1), Date(2024, 1, 1, 10, 0, 0)), 0);
  EXPECT_EQ(CompareFileDates(Date(2024, 1, 1, 9, 59, 59), Date(2024, 1, 1, 10, 0, 0)), 0);
  EXPECT_LT(CompareFileDates(Date(2024, 1, 1, 10, 0, 0), Date(2024, 1, 1, 10, 0, 2)), 0);
  EXPECT_GT(CompareFileDates(Date(2024, 1, 1, 10, 0, 2), Date(2024, 1, 1, 10, 0, 0)), 0);
}

TEST(FileDateCompare, MissingPartsSortLast) {
  EXPECT_GT(CompareFileDates(kNoDate, Date(2099, 12, 31, 23)), 0);
  EXPECT_LT(CompareFileDates(Date(1980, 1, 1, 0), kNoDate), 0);
  EXPECT_EQ(CompareFileDates(kNoDate, kNoDate), 0);
  // Same day: without a time of day sorts after any time.
  EXPECT_GT(CompareFileDates(Date(2024, 5, 5), Date(2024, 5, 5, 23, 59, 59)), 0);
  EXPECT_LT(CompareFileDates(Date(2024, 5, 5, 0), Date(2024, 5, 5)), 0);
  EXPECT_EQ(CompareFileDates(Date(2024, 5, 5), Date(2024, 5, 5)), 0);
  // A different day decides before the missing time does.
  EXPECT_LT(CompareFileDates(Date(2024, 5, 4), Date(2024, 5, 5, 1)), 0);
}

TEST(FileDateText, PrintsSixNumbers) {
  EXPECT_STREQ(FileDateText(Date(2024, 3, 5, 7, 8, 9)).c_str(), "2024/03/05 07:08:09");
}

TEST(FileDateFileTime, KnownMomentsBothWays) {
  uint64_t time = 0;
  ASSERT_TRUE(FileDateToFileTime(Date(2024, 3, 5, 7, 8, 9), &time));
  EXPECT_EQ(time, 133540960890000000ull);
  ASSERT_TRUE(FileDateToFileTime(Date(2000, 2, 29, 23, 59, 59), &time));
  EXPECT_EQ(time, 125963423990000000ull);
  ASSERT_TRUE(FileDateToFileTime(Date(1601, 1, 1, 0, 0, 0), &time));
  EXPECT_EQ(time, 0u);

  const FileDate back = FileDateFromFileTime(125963423990000000ull + 9999999);  // the fraction is dropped
  EXPECT_EQ(back.year, 2000);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 59);
  EXPECT_EQ(back.second, 59);
  EXPECT_EQ(CompareFileDates(FileDateFromFileTime(133540960890000000ull), Date(2024, 3, 5, 7, 8, 9)), 0);
}

TEST(FileDateFileTime, RefusesIncompleteAndImpossibleDates) {
  uint64_t time = 77;
  EXPECT_FALSE(FileDateToFileTime(kNoDate, &time));
  EXPECT_FALSE(FileDateToFileTime(Date(2024, 3, 5), &time));  // no time of day
  EXPECT_FALSE(FileDateToFileTime(Date(2023, 2, 29, 1), &time));
  EXPECT_FALSE(FileDateToFileTime(Date(2024, 13, 1, 1), &time));
  EXPECT_FALSE(FileDateToFileTime(Date(2024, 1, 1, 24), &time));
  EXPECT_FALSE(FileDateToFileTime(Date(2024, 1, 1, 1, 60), &time));
  EXPECT_FALSE(FileDateToFileTime(Date(1600, 12, 31, 1), &time));
  EXPECT_EQ(time, 77u);
  EXPECT_TRUE(IsCompleteDate(Date(2024, 1, 1, 0)));
  EXPECT_FALSE(IsCompleteDate(Date(2024, 1, 1)));
  EXPECT_FALSE(IsCompleteDate(Date(0, 0, 0, 5)));
}

}  // namespace
