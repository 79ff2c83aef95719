#include "package/message_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

TEST(FillMessage, PlaceholdersTakeTheArgumentsInOrder) {
  const String drive(u"C");
  EXPECT_EQ(W(FillMessage(String(u"Free %s, needed %s on %c:"), {u"1.00 MB", u"2.00 MB", char16_t(u'C')})),
            u"Free 1.00 MB, needed 2.00 MB on C:");
  EXPECT_EQ(W(FillMessage(String(u"Error code: %d"), {int32_t(47)})), u"Error code: 47");
  EXPECT_EQ(W(FillMessage(String(u"%-5s|%05d|%x"), {u"ab", int32_t(42), int32_t(255)})), u"ab   |00042|ff");
  EXPECT_EQ(W(FillMessage(String(u"100%% sure, %s"), {drive})), u"100% sure, C");
}

TEST(FillMessage, PackageTextsCannotMisuseTheArguments) {
  // More placeholders than arguments: the rest stay empty instead of reading
  // whatever lies on the stack.
  EXPECT_EQ(W(FillMessage(String(u"%s and %s and %d"), {u"one"})), u"one and  and ");
  // A number placeholder given a text, and %n, never touch memory.
  EXPECT_EQ(W(FillMessage(String(u"%d/%n"), {u"text", int32_t(3)})), u"text/3");
  EXPECT_EQ(W(FillMessage(String(u"ends with %"), {})), u"ends with %");
  EXPECT_EQ(W(FillMessage(String(u"%I64d %lls %hs"), {int64_t(1) << 40, u"x", u"y"})), u"1099511627776 x y");
}

}  // namespace
