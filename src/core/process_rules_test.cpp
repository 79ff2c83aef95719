#include "core/process_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Wide(const String& text) { return std::u16string(text.w_str(), static_cast<size_t>(text.wlength())); }

TEST(RunFlags, CreationFlagsAndPriority) {
  EXPECT_EQ(RunCreationFlags(0), 0x20u);  // NORMAL_PRIORITY_CLASS
  EXPECT_EQ(RunCreationFlags(kRunNewConsole | kRunWait), 0x30u);
  EXPECT_EQ(RunCreationFlags(kRunIdlePriority), 0x60u);
  EXPECT_EQ(RunCreationFlags(kRunHighPriority), 0xA0u);
  EXPECT_EQ(RunCreationFlags(kRunHighPriority | kRunIdlePriority), 0xA0u);  // high wins
  EXPECT_EQ(RunCreationFlags(kRunInheritHandles | kRunShowHidden), 0x20u);
}

TEST(RunFlags, FirstShowFlagInOrderWins) {
  EXPECT_EQ(RunShowCommand(kRunWait | kRunNewConsole), -1);
  EXPECT_EQ(RunShowCommand(kRunShowHidden), 0);                                         // SW_HIDE
  EXPECT_EQ(RunShowCommand(kRunShowMinimized | kRunShowHidden), 6);                     // SW_MINIMIZE
  EXPECT_EQ(RunShowCommand(kRunShowMaximized | kRunShowMinimized | kRunShowHidden), 3);  // SW_SHOWMAXIMIZED
}

TEST(RunProcessText, ProgramOfACommandLine) {
  EXPECT_EQ(Wide(CommandProgram(u"\"C:\\Program Files\\App\\app.exe\" /x \"y z\"")), u"C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(Wide(CommandProgram(u"  C:\\Tools\\run.exe /quiet")), u"C:\\Tools\\run.exe");
  EXPECT_EQ(Wide(CommandProgram(u"notepad")), u"notepad");
  EXPECT_EQ(Wide(CommandProgram(u"\"C:\\unterminated path")), u"C:\\unterminated path");
  EXPECT_EQ(Wide(CommandProgram(u"")), u"");
}

TEST(RunProcessText, FailureBox) {
  EXPECT_EQ(Wide(RunFailureText(u"missing.exe /a", String(u"The system cannot find the file specified."))),
            u"Unable to create process:\r\nmissing.exe /a\r\n\r\nThe system cannot find the file specified.");
}

TEST(RunProcessText, InterpreterCommandLineQuotesWhatNeedsIt) {
  const String cmd(u"C:\\Windows\\system32\\cmd.exe");
  EXPECT_EQ(Wide(InterpreterCommandLine(cmd, String(u"C:\\TEMP\\DELUNI~1.BAT"))),
            u"\"C:\\Windows\\system32\\cmd.exe\" /c C:\\TEMP\\DELUNI~1.BAT");
  EXPECT_EQ(Wide(InterpreterCommandLine(cmd, String(u"C:\\My Temp\\run.bat"))),
            u"\"C:\\Windows\\system32\\cmd.exe\" /c \"C:\\My Temp\\run.bat\"");
  EXPECT_EQ(Wide(InterpreterCommandLine(cmd, String(u"\"C:\\My Temp\\run.bat\""))),
            u"\"C:\\Windows\\system32\\cmd.exe\" /c \"C:\\My Temp\\run.bat\"");
}

TEST(RunProcessText, SystemToolCommandLineQuotesToolAndFile) {
  const String system(u"C:\\Windows\\system32");
  EXPECT_EQ(Wide(SystemToolCommandLine(system, u"regsvr32.exe", u"/s /u", String(u"C:\\My App\\x.dll"))),
            u"\"C:\\Windows\\system32\\regsvr32.exe\" /s /u \"C:\\My App\\x.dll\"");
  EXPECT_EQ(Wide(SystemToolCommandLine(String(u"D:\\Sys\\"), u"regsvr32.exe", u"", String(u"a.dll"))),
            u"\"D:\\Sys\\regsvr32.exe\" \"a.dll\"");
}

TEST(ShellOpenRules, OnlyTheOpenVerbIsRetriedElevated) {
  EXPECT_TRUE(RetryShellElevated(kShellAccessDenied, nullptr));
  EXPECT_TRUE(RetryShellElevated(kShellAccessDenied, u""));
  EXPECT_TRUE(RetryShellElevated(kShellAccessDenied, u"open"));
  EXPECT_TRUE(RetryShellElevated(kShellAccessDenied, u"Open"));
  EXPECT_FALSE(RetryShellElevated(kShellAccessDenied, u"print"));
  EXPECT_FALSE(RetryShellElevated(kShellAccessDenied, u"runas"));  // never a second elevation
  EXPECT_FALSE(RetryShellElevated(2, u"open"));                     // file not found
  EXPECT_FALSE(RetryShellElevated(42, nullptr));                    // success
}

TEST(ShellOpenRules, UrlDecoding) {
  EXPECT_EQ(std::string(DecodeUrl("C:/My%20Docs/a%2bb%2B.txt").c_str()), "C:/My Docs/a+b+.txt");
  EXPECT_EQ(std::string(DecodeUrl("caf%C3%A9").c_str()), "caf\xC3\xA9");
  // Broken escapes stay as written, also at the very end.
  EXPECT_EQ(std::string(DecodeUrl("100% sure %zz %4").c_str()), "100% sure %zz %4");
  EXPECT_EQ(std::string(DecodeUrl("a%41%", 5).c_str()), "aA%");
  EXPECT_EQ(DecodeUrl("%00x").length(), 2);  // a decoded zero is kept as a byte
}

TEST(ShutdownPlan, ExitWindowsKinds) {
  ShutdownPlan plan;
  ASSERT_TRUE(PlanShutdown(0, 0, true, &plan));
  EXPECT_FALSE(plan.suspend);
  EXPECT_EQ(plan.exit_flags, 0x1u | 0x10u);  // EWX_SHUTDOWN | EWX_FORCEIFHUNG
  ASSERT_TRUE(PlanShutdown(0, kShutdownForce, true, &plan));
  EXPECT_EQ(plan.exit_flags, 0x1u | 0x4u);  // EWX_FORCE instead
  ASSERT_TRUE(PlanShutdown(1, 0, true, &plan));
  EXPECT_EQ(plan.exit_flags, 0x8u | 0x10u);
  ASSERT_TRUE(PlanShutdown(2, 0, true, &plan));  // the restart after an installation
  EXPECT_EQ(plan.exit_flags, 0x2u | 0x10u);
  ASSERT_TRUE(PlanShutdown(3, kShutdownForce | kShutdownNoWakeEvents, true, &plan));
  EXPECT_EQ(plan.exit_flags, 0x4u);  // EWX_LOGOFF is 0
  ASSERT_TRUE(PlanShutdown(6, 0, true, &plan));
  EXPECT_EQ(plan.exit_flags, 0x2u | 0x10u | 0x40u);
  ASSERT_TRUE(PlanShutdown(6, 0, false, &plan));  // a system without EWX_RESTARTAPPS
  EXPECT_EQ(plan.exit_flags, 0x2u | 0x10u);
}

TEST(ShutdownPlan, SuspendKindsAndUnknownKinds) {
  ShutdownPlan plan;
  ASSERT_TRUE(PlanShutdown(4, 0, true, &plan));
  EXPECT_TRUE(plan.suspend);
  EXPECT_FALSE(plan.hibernate);
  EXPECT_FALSE(plan.force);
  EXPECT_FALSE(plan.disable_wake_events);
  ASSERT_TRUE(PlanShutdown(5, kShutdownForce | kShutdownNoWakeEvents, true, &plan));
  EXPECT_TRUE(plan.suspend);
  EXPECT_TRUE(plan.hibernate);
  EXPECT_TRUE(plan.force);
  EXPECT_TRUE(plan.disable_wake_events);
  EXPECT_FALSE(PlanShutdown(7, 0, true, &plan));
  EXPECT_FALSE(PlanShutdown(-1, 0, true, &plan));
}

TEST(SilentAnswers, DefaultButtonOfEachBoxType) {
  EXPECT_EQ(DefaultMessageBoxAnswer(0x10), 1);          // MB_OK | MB_ICONERROR: IDOK
  EXPECT_EQ(DefaultMessageBoxAnswer(0x4), 6);           // MB_YESNO: IDYES
  EXPECT_EQ(DefaultMessageBoxAnswer(0x4 | 0x100), 7);   // MB_DEFBUTTON2: IDNO
  EXPECT_EQ(DefaultMessageBoxAnswer(0x3 | 0x200), 2);   // MB_YESNOCANCEL, MB_DEFBUTTON3: IDCANCEL
  EXPECT_EQ(DefaultMessageBoxAnswer(0x5 | 0x30), 4);    // MB_RETRYCANCEL | MB_ICONWARNING: IDRETRY
  EXPECT_EQ(DefaultMessageBoxAnswer(0x2 | 0x200), 5);   // MB_ABORTRETRYIGNORE, third: IDIGNORE
  EXPECT_EQ(DefaultMessageBoxAnswer(0x6 | 0x100), 10);  // MB_CANCELTRYCONTINUE, second: IDTRYAGAIN
  EXPECT_EQ(DefaultMessageBoxAnswer(0x1 | 0x200), 1);   // no third button: the first
  EXPECT_EQ(DefaultMessageBoxAnswer(0x1 | 0x300), 1);   // MB_DEFBUTTON4 without a fourth
}

}  // namespace
