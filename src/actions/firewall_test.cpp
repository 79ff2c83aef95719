#include "actions/firewall.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Firewall, LinesHaveExactlyFourFields) {
  struct Case {
    const char16_t* line;
    bool ok, is_port;
    int32_t port;
    uint32_t protocols;
    bool keep;
  } cases[] = {
      {u"8080;Web;3;0", true, true, 8080, 3, false},
      {u"bin\\server.exe;;0;1", true, false, 0, 0, true},
      {u"%InstallDir%\\a.exe;Name;1;", true, false, 0, 1, false},
      {u"80a;Odd;1;0", true, false, 0, 1, false},  // not all digits: a program name
      {u"8080;Web;3", false, false, 0, 0, false},
      {u"8080;Web;3;0;x", false, false, 0, 0, false},
      {u"", false, false, 0, 0, false},
  };
  for (const Case& c : cases) {
    FirewallLine line;
    ASSERT_EQ(ParseFirewallLine(String(c.line), &line), c.ok) << std::u16string(c.line).size();
    if (!c.ok) continue;
    EXPECT_EQ(line.is_port, c.is_port);
    EXPECT_EQ(line.port, c.port);
    EXPECT_EQ(line.protocols, c.protocols);
    EXPECT_EQ(line.keep, c.keep);
  }
}

}  // namespace
