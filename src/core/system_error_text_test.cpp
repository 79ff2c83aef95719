#include "core/system_error_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Wide(const String& text) { return std::u16string(text.w_str(), static_cast<size_t>(text.wlength())); }

TEST(SystemErrorText, FixedTextsAndTrimming) {
  EXPECT_TRUE(SystemErrorTextW(0).empty());
  EXPECT_TRUE(SystemErrorText(0).empty());
  EXPECT_EQ(Wide(SystemErrorTextW(kErrorInvalidPassword)), u"Incorrect password.");
  EXPECT_STREQ(SystemErrorText(kErrorInvalidPassword).c_str(), "Incorrect password.");
  // The stand-in's text ends in a blank and a line break, as the system's do.
  EXPECT_EQ(Wide(SystemErrorTextW(5)), u"System error 5.");
  EXPECT_STREQ(SystemErrorText(5).c_str(), "System error 5.");
  EXPECT_TRUE(SystemErrorTextW(0x12345678).empty());  // a number without a message
}

}  // namespace
