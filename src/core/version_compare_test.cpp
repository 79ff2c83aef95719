#include "core/version_compare.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionCompare, OrderingTable) {
  // Each version is smaller than the next one.
  const char* ordered[] = {"",      "0",   "0.9", "1",     "1.0",   "1.0.0", "1.2",    "1.2a",
                           "1.2.0", "1.10", "2",  "2.1",   "2.1a",  "2.1B",  "2.1c",   "10.0.19041",
                           "10.0.22000", "4294967296"};
  const int n = sizeof(ordered) / sizeof(ordered[0]);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int expected = i < j ? -1 : i > j ? 1 : 0;
      EXPECT_EQ(CompareVersions(ordered[i], ordered[j]), expected) << ordered[i] << " vs " << ordered[j];
    }
  }
}

TEST(VersionCompare, SuffixAndEndings) {
  EXPECT_EQ(CompareVersions("2.1a", "2.1A"), 0);
  EXPECT_EQ(CompareVersions("1.2 beta", "1.2"), 0);  // a blank ends the list without a suffix
  EXPECT_EQ(CompareVersions("1.2b7", "1.2b3"), 0);  // the letter ends the list
  EXPECT_EQ(CompareVersions("  3.0", "3.0"), 0);
  EXPECT_EQ(CompareVersions("1.", "1"), 0);
  EXPECT_EQ(CompareVersions("007", "7"), 0);
  EXPECT_EQ(CompareVersions(nullptr, ""), 0);
  EXPECT_EQ(CompareVersions("99999999999999999999999", "18446744073709551615"), 0);  // saturates
}

TEST(VersionCompare, WideForm) {
  EXPECT_EQ(CompareVersionsW(u"1.2", u"1.2.0"), -1);
  EXPECT_EQ(CompareVersionsW(u"2.1a", u"2.1"), 1);
  EXPECT_EQ(CompareVersionsW(u"37.0", u"37.0"), 0);
}

}  // namespace
