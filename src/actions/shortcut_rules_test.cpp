#include "actions/shortcut_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

TEST(ShortcutRules, LinkNameAndWorkingFolder) {
  EXPECT_EQ(Text(LinkFileName(String(u"C:\\Menu\\App"))), u"C:\\Menu\\App.LNK");
  EXPECT_EQ(Text(LinkFileName(String(u"C:\\Menu\\App.Lnk"))), u"C:\\Menu\\App.Lnk");
  EXPECT_EQ(Text(LinkFileName(String(u"C:\\Menu\\App.exe"))), u"C:\\Menu\\App.exe.LNK");
  const char16_t* folders[][2] = {
      {u"C:\\App\\", u"C:\\App"}, {u"C:\\App", u"C:\\App"}, {u"C:\\", u"C:\\"}, {u"C:", u"C:\\"}, {u"", u""}};
  for (const auto& f : folders) EXPECT_EQ(Text(LinkWorkingFolder(String(f[0]))), std::u16string(f[1]));
}

TEST(ShortcutRules, CommandSplitsIntoProgramAndArguments) {
  const char16_t* cases[][3] = {
      {u"\"C:\\Program Files\\App\\app.exe\" /x \"y z\"", u"C:\\Program Files\\App\\app.exe", u"/x \"y z\""},
      {u"C:\\App\\app.exe   -v", u"C:\\App\\app.exe", u"-v"},
      {u"  C:\\App\\app.exe  ", u"C:\\App\\app.exe", u""},
      {u"\"C:\\App\\app.exe", u"C:\\App\\app.exe", u""},
  };
  for (const auto& c : cases) {
    String program, arguments;
    SplitCommand(String(c[0]), &program, &arguments);
    EXPECT_EQ(Text(program), std::u16string(c[1]));
    EXPECT_EQ(Text(arguments), std::u16string(c[2]));
  }
}

TEST(ShortcutRules, TildeQuotedArgumentsNameTheTarget) {
  String arguments(u"~\"C:\\Windows\\notepad.exe\" C:\\App\\readme.txt");
  String target(u"C:\\App\\app.exe");
  ASSERT_TRUE(TakeTargetFromArguments(&arguments, &target));
  EXPECT_EQ(Text(target), u"C:\\Windows\\notepad.exe");
  EXPECT_EQ(Text(arguments), u"C:\\App\\readme.txt");
  String plain(u"\"quoted\" arg");
  EXPECT_FALSE(TakeTargetFromArguments(&plain, &target));
  EXPECT_EQ(Text(plain), u"\"quoted\" arg");
}

}  // namespace
