#include "actions/batch_text.h"

#include "actions/batch_runner.h"
#include "actions/private_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const String& s) { return std::string(s.c_str(), s.length()); }

TEST(BatchText, EncodingFollowsTextAndSystem) {
  struct Case {
    const char16_t* text;
    bool utf8_console;
    const char* expected;
  } cases[] = {
      {u"echo hi\r\n", true, "@chcp 1252 >nul\r\necho hi\r\n"},
      {u"echo h\u00e9\r\n", true, "@chcp 65001 >nul\r\necho h\xc3\xa9\r\n"},
      {u"echo h\u00e9\r\n", false, "@chcp 1252 >nul\r\necho h\xe9\r\n"},
      {u"echo \u4e2d\r\n", false, "@chcp 1252 >nul\r\necho ?\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Bytes(EncodeBatchText(String(c.text), c.utf8_console)), c.expected);
}

TEST(BatchText, OnlyPauseCommandsAreDropped) {
  const String commands(
      u"echo one\r\npause\r\n  @PAUSE > nul\r\n\tPause\r\npauses\r\necho pause\r\nrem pause\r\n@ pause\r\necho two");
  EXPECT_EQ(WithoutPauseLines(commands), String(u"echo one\r\npauses\r\necho pause\r\nrem pause\r\necho two"));
}

TEST(BatchText, PauseStaysOnlyWhereSomeoneCanAnswerIt) {
  struct Case {
    bool silent, hidden;
    const char16_t* expected;
  } cases[] = {
      {false, false, u"@echo off\r\nSET \"A=1\"\r\necho x\r\npause\r\n"},
      {true, false, u"@echo off\r\nSET \"A=1\"\r\necho x\r\n"},
      {false, true, u"@echo off\r\nSET \"A=1\"\r\necho x\r\n"},
  };
  for (const Case& c : cases) {
    BatchRequest request;
    request.commands = String(u"echo x\r\npause");
    request.variable_lines = String(u"SET \"A=1\"\r\n");
    request.silent = c.silent;
    request.hide_console = c.hidden;
    EXPECT_EQ(BatchText(request), String(c.expected));
  }
}

TEST(BatchText, PrivateNamesCarryAllTheirRandomBits) {
  EXPECT_EQ(PrivateFileName(u"delunins", 0x0123456789ABCDEFull, u".bat"), String(u"delunins-0123456789ABCDEF.bat"));
  EXPECT_EQ(PrivateFileName(u"x", 1, u""), String(u"x-0000000000000001"));
}

}  // namespace
