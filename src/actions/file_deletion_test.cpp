#include "actions/file_deletion.h"

#include <gtest/gtest.h>

namespace {

TEST(FileDeletion, DatesParseWithOrWithoutTimeOfDay) {
  struct Case {
    const char* text;
    bool ok;
    int32_t year, month, day, hour, minute, second;
  } cases[] = {
      {"2024/03/05", true, 2024, 3, 5, -1, -1, -1},
      {"2024-3-5 07:08", true, 2024, 3, 5, 7, 8, 0},
      {" 2024/03/05 07:08:10", true, 2024, 3, 5, 7, 8, 10},
      {"2024/03/05 25:00", true, 2024, 3, 5, -1, -1, -1},  // a bad time of day leaves the date
      {"2023/02/29", false, 0, 0, 0, 0, 0, 0},
      {"2024/13/01", false, 0, 0, 0, 0, 0, 0},
      {"yesterday", false, 0, 0, 0, 0, 0, 0},
      {"", false, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    DateTime date;
    ASSERT_EQ(ParseConditionDate(c.text, &date), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(date.year, c.year) << c.text;
    EXPECT_EQ(date.month, c.month) << c.text;
    EXPECT_EQ(date.day, c.day) << c.text;
    EXPECT_EQ(date.hour, c.hour) << c.text;
    EXPECT_EQ(date.minute, c.minute) << c.text;
    EXPECT_EQ(date.second, c.second) << c.text;
  }
}

TEST(FileDeletion, ConditionsOnDateAndSize) {
  DeletionCandidate file;
  file.written = MakeDateTime(2024, 3, 5, 7, 8, 10);
  file.size = 100;
  const auto D = ConditionResult::kDelete;
  const auto K = ConditionResult::kKeep;
  struct Case {
    uint8_t code;
    const char* value;
    ConditionResult expected;
  } cases[] = {
      {0, "", D},
      {7, "junk", D},
      {1, "2024/03/05", D},  // without a time of day only the dates count
      {1, "2024/03/05 07:08:10", D},
      {1, "2024/03/05 07:08:11", K},
      {1, "2024/03/04", K},
      {2, "2024/03/05", D},
      {2, "2024/03/06", K},
      {2, "2024/03/05 07:08:11", K},
      {3, "2024/03/05", D},
      {3, "2024/03/04", K},
      {3, "2024/03/05 07:08:09", K},
      {1, "not a date", ConditionResult::kBadValue},
      {4, "100", D},
      {4, "99", K},
      {5, "100", D},
      {5, "101", K},
      {6, "100", D},
      {6, "99", K},
      {4, "1OO", K},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TestDeletionCondition(c.code, String(c.value), file), c.expected)
        << "code " << int{c.code} << " value " << c.value;
  }
}

}  // namespace
