#include "uninstall/support_offer.h"

#include <gtest/gtest.h>

namespace {

// Only a web address with a host is ever handed to the shell: a path, a
// command or a damaged value must never be opened by the elevated uninstaller.
TEST(SupportOffer, OnlyWebAddressesWithAHostAreOffered) {
  const struct {
    const char16_t* address;
    bool offered;
  } cases[] = {
      {u"https://example.com/help", true},
      {u"HTTP://example.com", true},
      {u"http://example.com/a?b=c#d", true},
      {u"", false},
      {u"https://", false},
      {u"https:///path", false},
      {u"example.com", false},
      {u"file:///C:/Windows/System32/cmd.exe", false},
      {u"C:\\Windows\\System32\\cmd.exe", false},
      {u"https://example.com/a b", false},
      {u"https://example.com/\"&calc", false},
      {u"https://example.com/\r\nx", false},
      {u"javascript:alert(1)", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWellFormedAddress(String(c.address)), c.offered) << testing::PrintToString(std::u16string(c.address));
  }
}

}  // namespace
