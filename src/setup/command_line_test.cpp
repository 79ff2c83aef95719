#include "setup/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Latin-1 stands in for the ANSI code page here.
String Latin1(const String& wide) {
  String out;
  for (int32_t i = 0; i < wide.wlength(); ++i) {
    const char16_t c = wide.w_str()[i];
    out.Append(c < 0x100 ? static_cast<char>(c) : '?');
  }
  return out;
}

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }
std::string A(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

struct Parsed {
  CommandLineResult result;
  CommandLine line;
  String offending;
};

Parsed Parse(const char16_t* text) {
  Parsed p;
  p.result = ParseCommandLine(text, Latin1, p.line, p.offending);
  return p;
}

TEST(CommandLineTokens, QuotesKeepBlanksAndStayInTheToken) {
  String tokens[5];
  const int n = SplitCommandLineTokens(u"  \"C:\\My Apps\\setup.exe\"\t/d:\"C:\\Program Files\\X\"  /a ", tokens, 5);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(W(tokens[0]), u"\"C:\\My Apps\\setup.exe\"");
  EXPECT_EQ(W(tokens[1]), u"/d:\"C:\\Program Files\\X\"");
  EXPECT_EQ(W(tokens[2]), u"/a");
  EXPECT_EQ(SplitCommandLineTokens(u"   ", tokens, 5), 0);
  EXPECT_EQ(SplitCommandLineTokens(nullptr, tokens, 5), 0);
}

TEST(CommandLineAtoms, AutomaticAndQuotedFolder) {
  Parsed p = Parse(u"setup.exe /A /D:\"C:\\My Folder\\App\"");
  ASSERT_EQ(p.result, CommandLineResult::kOk);
  EXPECT_TRUE(p.line.automatic);
  EXPECT_FALSE(p.line.silent);
  EXPECT_EQ(W(p.line.install_folder), u"C:\\My Folder\\App");
}

TEST(CommandLineAtoms, SilentForcesAutomaticAndHyphenWorksLikeSlash) {
  Parsed p = Parse(u"setup.exe -silent /a /min /n:\"Other Name\"");
  ASSERT_EQ(p.result, CommandLineResult::kOk);
  EXPECT_TRUE(p.line.silent);
  EXPECT_TRUE(p.line.automatic);
  EXPECT_TRUE(p.line.minimized);
  EXPECT_EQ(W(p.line.product_name), u"Other Name");
  EXPECT_FALSE(Parse(u"x /silently").result == CommandLineResult::kOk);  // whole word only
}

TEST(CommandLineAtoms, UninstallTakesAnyAtomStartingWithU) {
  Parsed named = Parse(u"setup.exe /u:\"My Product\"");
  EXPECT_TRUE(named.line.uninstall);
  EXPECT_EQ(W(named.line.uninstall_name), u"My Product");
  Parsed bare = Parse(u"setup.exe /u");
  EXPECT_TRUE(bare.line.uninstall);
  EXPECT_TRUE(bare.line.uninstall_name.empty());
  Parsed word = Parse(u"setup.exe /uninstall");
  ASSERT_EQ(word.result, CommandLineResult::kOk);
  EXPECT_TRUE(word.line.uninstall);
  EXPECT_TRUE(word.line.uninstall_name.empty());
}

TEST(CommandLineAtoms, RunAfterProgramTurnsBackquotesIntoQuotes) {
  Parsed p = Parse(u"setup.exe /r:\"`C:\\Program Files\\App\\app.exe` /first\"");
  ASSERT_EQ(p.result, CommandLineResult::kOk);
  EXPECT_EQ(W(p.line.run_after), u"\"C:\\Program Files\\App\\app.exe\" /first");
}

TEST(CommandLineAtoms, BatchAdditionsBecomeAnsiLines) {
  Parsed p = Parse(u"setup.exe /b1:\"echo `word`~~pause\" /B3:\"del x\u0416\"");
  ASSERT_EQ(p.result, CommandLineResult::kOk);
  EXPECT_EQ(A(p.line.batch_additions[0]), "echo \"word\"\r\npause");
  EXPECT_TRUE(p.line.batch_additions[1].empty());
  EXPECT_EQ(A(p.line.batch_additions[2]), "del x?");
}

TEST(CommandLineErrors, UnexpectedParameterKeepsTheWholeToken) {
  Parsed p = Parse(u"setup.exe /a install");
  EXPECT_EQ(p.result, CommandLineResult::kUnexpectedParameter);
  EXPECT_EQ(W(p.offending), u"install");
}

TEST(CommandLineErrors, IllegalAtomNamesTheAtomWithoutItsSlash) {
  Parsed p = Parse(u"setup.exe /x");
  EXPECT_EQ(p.result, CommandLineResult::kIllegalAtom);
  EXPECT_EQ(W(p.offending), u"x");
  EXPECT_EQ(Parse(u"setup.exe / /a").result, CommandLineResult::kOk);  // a lone slash is ignored
  EXPECT_EQ(Parse(u"setup.exe /r:noquote").result, CommandLineResult::kIllegalAtom);
}

TEST(CommandLineErrors, AtomsAfterTheNineteenthAreIgnored) {
  std::u16string line = u"setup.exe";
  for (int i = 0; i < 19; ++i) line += u" /a";
  Parsed ok = Parse((line + u" /bogus install").c_str());
  EXPECT_EQ(ok.result, CommandLineResult::kOk);
  Parsed bad = Parse((line.substr(0, line.size() - 3) + u" /bogus").c_str());
  EXPECT_EQ(bad.result, CommandLineResult::kIllegalAtom);
}

// Lines a user can get wrong: each ends either in a usage error naming the
// token, or in the values the atoms' rules give; none is taken half-read.
TEST(CommandLineErrors, MalformedLinesGiveTheirErrorOrTheirValues) {
  const std::u16string long_folder(40000, u'x');
  struct Case {
    std::u16string line;
    CommandLineResult result;
    std::u16string offending_or_value;  // the token, or the folder / uninstall name
  };
  const Case cases[] = {
      {u"s /d:\"C:\\My Folder /a", CommandLineResult::kOk, u"\"C:\\My Folder /a"},  // unbalanced: runs to the end, quote kept
      {u"s /d:\"\"C:\\App\"\"", CommandLineResult::kOk, u"\"C:\\App\""},  // one pair removed, no more
      {u"s /d:C:\\App\"", CommandLineResult::kOk, u"C:\\App\""},
      {u"s /d:\"", CommandLineResult::kOk, u"\""},
      {u"s /d:\"" + long_folder + u"\"", CommandLineResult::kOk, long_folder},
      {u"s /u:\"\"", CommandLineResult::kOk, u""},
      {u"s /u:\"", CommandLineResult::kOk, u""},
      {u"s /u:", CommandLineResult::kOk, u""},
      {u"s \"/a\"", CommandLineResult::kUnexpectedParameter, u"\"/a\""},
      {u"s /a \"", CommandLineResult::kUnexpectedParameter, u"\""},
      {u"s /a - /a", CommandLineResult::kOk, u""},
      {u"s /" + long_folder, CommandLineResult::kIllegalAtom, long_folder},
      {u"s /d", CommandLineResult::kIllegalAtom, u"d"},
      {u"s /b1:echo", CommandLineResult::kIllegalAtom, u"b1:echo"},
      {u"s /silent:", CommandLineResult::kIllegalAtom, u"silent:"},
  };
  for (const Case& c : cases) {
    const std::u16string shown = c.line.size() > 60 ? c.line.substr(0, 60) : c.line;
    SCOPED_TRACE(std::string(shown.begin(), shown.end()));
    Parsed p = Parse(c.line.c_str());
    ASSERT_EQ(p.result, c.result);
    if (c.result != CommandLineResult::kOk) {
      EXPECT_EQ(W(p.offending), c.offending_or_value);
    } else if (p.line.uninstall) {
      EXPECT_EQ(W(p.line.uninstall_name), c.offending_or_value);
    } else {
      EXPECT_EQ(W(p.line.install_folder), c.offending_or_value);
    }
  }
}

TEST(CommandLineUsage, FullTextWithErrorLineAndProgramName) {
  const String text = UsageErrorText(CommandLineResult::kIllegalAtom, String(u"x"), String(u"setup.exe"));
  const std::u16string expected =
      u"Illegal command line atom:\r\nx\r\n\r\nUsage:\r\nsetup.exe [/a] [/b1:\"commands\"] [/b2:\"commands\"] "
      u"[/b3:\"commands\"] [/d:\"dir\"] [/n:\"name\"] [/u:\"name\"] [/r:\"program\"] [/silent]\r\n\r\n"
      u"/a                  \tAutomatic mode.\r\n/d:\"dir\"        \tOverride installation path.\r\n"
      u"/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
      u"/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
      u"/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
      u"/n:\"name\"\tOverride product name.\r\n/u:\"name\"\tUninstall product by name.\r\n"
      u"/r:\"program\"\tRun the specified program after a successful installation.\r\n"
      u"/silent\tDisplay no user interface.";
  EXPECT_EQ(W(text), expected);
  const String other = UsageErrorText(CommandLineResult::kUnexpectedParameter, String(u"install"), String(u"a.exe"));
  EXPECT_EQ(W(other).rfind(u"Unexpected command line parameter:\r\ninstall\r\n\r\nUsage:\r\na.exe [/a]", 0), 0u);
}

}  // namespace
