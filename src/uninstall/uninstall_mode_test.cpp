#include "uninstall/uninstall_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallFlags, ReadBackAsTheInstallerWroteThem) {
  struct Case {
    const char16_t* text;
    uint64_t flags;
  };
  const Case cases[] = {
      {u"", 0},
      {u"not a number", 0},
      {u"0", 0},
      {u"2251799813685252", (uint64_t{1} << 51) | 4},
      // The top bit set: written as the signed value.
      {u"-9223372036854775804", 0x8000000000000004ull},
      {u"-1", ~uint64_t{0}},
      {u"18446744073709551615", ~uint64_t{0}},
      {u"4294967295", 0xFFFFFFFFull},
      {u"12 trailing", 12},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FlagsFromText(String(c.text)), c.flags) << "row " << (&c - cases);
  }
}

}  // namespace
