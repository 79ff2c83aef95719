#include "actions/file_date.h"

#include <gtest/gtest.h>

namespace {

const FileDate kNoDate;

TEST(FileDateCompare, CalendarOrderThenTimeOfDay) {
  EXPECT_LT(CompareFileDates(FileDate{2023, 12, 31, 23, 59, 59}, FileDate{2024, 1, 1, 0, 0, 0}), 0);
  EXPECT_GT(CompareFileDates(FileDate{2024, 2, 1, 0}, FileDate{2024, 1, 31, 23}), 0);
  EXPECT_LT(CompareFileDates(FileDate{2024, 1, 30, 23}, FileDate{2024, 1, 31, 1}), 0);
  EXPECT_GT(CompareFileDates(FileDate{2024, 1, 1, 10, 0, 0}, FileDate{2024, 1, 1, 9, 59, 0}), 0);
}

TEST(FileDateCompare, OneSecondApartCountsAsEqual) {
  EXPECT_EQ(CompareFileDates(FileDate{2024, 1, 1, 10, 0, 0}, FileDate{2024, 1, 1, 10, 0, 1}), 0);
  EXPECT_EQ(CompareFileDates(FileDate{2024, 1, 1, 10, 0, 1}, FileDate{2024, 1, 1, 10, 0, 0}), 0);
  EXPECT_EQ(CompareFileDates(FileDate{2024, 1, 1, 9, 59, 59}, FileDate{2024, 1, 1, 10, 0, 0}), 0);
  EXPECT_LT(CompareFileDates(FileDate{2024, 1, 1, 10, 0, 0}, FileDate{2024, 1, 1, 10, 0, 2}), 0);
  EXPECT_GT(CompareFileDates(FileDate{2024, 1, 1, 10, 0, 2}, FileDate{2024, 1, 1, 10, 0, 0}), 0);
}

TEST(FileDateCompare, MissingPartsSortLast) {
  EXPECT_GT(CompareFileDates(kNoDate, FileDate{2099, 12, 31, 23}), 0);
  EXPECT_LT(CompareFileDates(FileDate{1980, 1, 1, 0}, kNoDate), 0);
  EXPECT_EQ(CompareFileDates(kNoDate, kNoDate), 0);
  // Same day: without a time of day sorts after any time.
  EXPECT_GT(CompareFileDates(FileDate{2024, 5, 5}, FileDate{2024, 5, 5, 23, 59, 59}), 0);
  EXPECT_LT(CompareFileDates(FileDate{2024, 5, 5, 0}, FileDate{2024, 5, 5}), 0);
  EXPECT_EQ(CompareFileDates(FileDate{2024, 5, 5}, FileDate{2024, 5, 5}), 0);
  // A different day decides before the missing time does.
  EXPECT_LT(CompareFileDates(FileDate{2024, 5, 4}, FileDate{2024, 5, 5, 1}), 0);
}

TEST(FileDateText, PrintsSixNumbers) {
  EXPECT_STREQ(FileDateText(FileDate{2024, 3, 5, 7, 8, 9}).c_str(), "2024/03/05 07:08:09");
}

TEST(FileDateFileTime, KnownMomentsBothWays) {
  uint64_t time = 0;
  ASSERT_TRUE(FileDateToFileTime(FileDate{2024, 3, 5, 7, 8, 9}, &time));
  EXPECT_EQ(time, 133540960890000000ull);
  ASSERT_TRUE(FileDateToFileTime(FileDate{2000, 2, 29, 23, 59, 59}, &time));
  EXPECT_EQ(time, 125963423990000000ull);
  ASSERT_TRUE(FileDateToFileTime(FileDate{1601, 1, 1, 0, 0, 0}, &time));
  EXPECT_EQ(time, 0u);

  const FileDate back = FileDateFromFileTime(125963423990000000ull + 9999999);  // the fraction is dropped
  EXPECT_EQ(back.year, 2000);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 59);
  EXPECT_EQ(back.second, 59);
  EXPECT_EQ(CompareFileDates(FileDateFromFileTime(133540960890000000ull), FileDate{2024, 3, 5, 7, 8, 9}), 0);
}

TEST(FileDateFileTime, RefusesIncompleteAndImpossibleDates) {
  uint64_t time = 77;
  EXPECT_FALSE(FileDateToFileTime(kNoDate, &time));
  EXPECT_FALSE(FileDateToFileTime(FileDate{2024, 3, 5}, &time));  // no time of day
  EXPECT_FALSE(FileDateToFileTime(FileDate{2023, 2, 29, 1}, &time));
  EXPECT_FALSE(FileDateToFileTime(FileDate{2024, 13, 1, 1}, &time));
  EXPECT_FALSE(FileDateToFileTime(FileDate{2024, 1, 1, 24}, &time));
  EXPECT_FALSE(FileDateToFileTime(FileDate{2024, 1, 1, 1, 60}, &time));
  EXPECT_FALSE(FileDateToFileTime(FileDate{1600, 12, 31, 1}, &time));
  EXPECT_EQ(time, 77u);
  EXPECT_TRUE(IsCompleteDate(FileDate{2024, 1, 1, 0}));
  EXPECT_FALSE(IsCompleteDate(FileDate{2024, 1, 1}));
  EXPECT_FALSE(IsCompleteDate(FileDate{0, 0, 0, 5}));
}

}  // namespace
