#include "actions/restore_point.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

TEST(RestorePoint, DescriptionIsNameAndVersionWithinTheLimit) {
  EXPECT_EQ(Text(RestorePointDescription(String(u"Bx Product"), String(u"2.1"))), u"Bx Product 2.1");
  EXPECT_EQ(Text(RestorePointDescription(String(u"Bx Product"), String())), u"Bx Product");
  const String long_name(std::u16string(300, u'x').c_str());
  EXPECT_EQ(RestorePointDescription(long_name, String(u"1")).wlength(), 255);
}

}  // namespace
