#include "crash/crash_report.h"

#include <gtest/gtest.h>

#include <string>

#include "crash/crash_post.h"

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

CrashFacts AccessViolationFacts() {
  CrashFacts f;
  f.code = kAccessViolation;
  f.address = 0x00401234;
  f.write = true;
  f.memory_address = 0x10;
  f.program = "Bastionix Setup 37.0 Win32";
  f.thread_id = 12;
  f.main_thread_id = 9;
  f.has_times = true;
  f.age_seconds = 3661;
  f.kernel_ms = 1;
  f.user_ms = 12345;
  f.os = "Windows 10";
  f.ie_version = "11.0";
  f.office_version = "16";
  f.language = "English";
  f.locale = 0x409;
  f.codepage = 1252;
  f.command_line = "setup.exe /a";
  f.registers.eax = 0xDEADBEEF;
  f.registers.ss = 0x2B;
  f.has_modules = true;
  f.modules.Add(CrashModule{String("C:\\setup.exe"), 0x00400000, 0x2000});
  f.modules.Add(CrashModule{String("C:\\windows\\system32\\ntdll.dll"), 0x7BC00000, 0x1000});
  f.call_stack = "0012FF00 00401234 C:\\SETUP.EXE Fault\r\n";
  return f;
}

TEST(CrashReport, AccessViolationInAModuleGivesEveryLine) {
  const std::string report = Text(BuildCrashReport(AccessViolationFacts()));
  EXPECT_EQ(report,
            "Exception: Illegal memory access.\r\n"
            "Product: Bastionix Setup 37.0 Win32\r\n"
            "Exception code: C0000005\r\nAddress: 00401234\r\n"
            "Module: C:\\setup.exe\r\n"
            "Read/write: write\r\nMemory address: 00000010\r\n"
            "Thread ID: 12  Main Thread: 9\r\n"
            "Process/kernel/user time: 1 hour, 1 minute / 1 millisecond / 12.3 seconds\r\n"
            "OS: Windows 10\r\nIE: 11.0\r\nOffice: 16 (2016)\r\nLanguage: English\r\n"
            "Locale: 0x409  Codepage: 1252\r\n"
            "Command line: setup.exe /a\r\n"
            "\r\nCPU Registers:\r\nFlags: 00000000\r\n  EAX: DEADBEEF\r\n  EBX: 00000000\r\n  ECX: 00000000"
            "\r\n  EDX: 00000000\r\n  EDI: 00000000\r\n  ESI: 00000000\r\n  EIP: 00000000\r\n  EBP: 00000000"
            "\r\n  ESP: 00000000\r\n   CS: 00000000\r\n   DS: 00000000\r\n   ES: 00000000\r\n   FS: 00000000"
            "\r\n   GS: 00000000\r\n   SS: 0000002B"
            "\r\n\r\nModules:\r\n00400000 00401FFF C:\\setup.exe\r\n7BC00000 7BC00FFF C:\\windows\\system32\\ntdll.dll\r\n"
            "\r\nCall Stack:\r\n0012FF00 00401234 C:\\SETUP.EXE Fault\r\n");
}

TEST(CrashReport, OptionalLinesFollowTheFacts) {
  CrashFacts f = AccessViolationFacts();
  f.code = 0xC0000094;  // integer division by zero: no access line
  f.address = 0x00402000;  // just past the first module
  f.out_of_memory = true;
  f.office_version = String();
  f.command_line = String();
  f.has_times = false;
  const std::string report = Text(BuildCrashReport(f));
  EXPECT_NE(report.find("Exception: Integer divide by zero.\r\n"), std::string::npos);
  EXPECT_EQ(report.find("Read/write"), std::string::npos);
  EXPECT_EQ(report.find("Memory address"), std::string::npos);
  EXPECT_EQ(report.find("Module: "), std::string::npos);
  EXPECT_EQ(report.find("Office"), std::string::npos);
  EXPECT_EQ(report.find("Command line"), std::string::npos);
  EXPECT_EQ(report.find("Process/kernel"), std::string::npos);
  EXPECT_NE(report.find("Codepage: 1252\r\nA previous out-of-memory condition occurred.\r\n\r\nCPU"),
            std::string::npos);

  f.has_modules = false;
  EXPECT_EQ(Text(BuildCrashReport(f)).find("Modules:"), std::string::npos);
}

TEST(CrashReport, CodesAndTheirTreatment) {
  EXPECT_STREQ(ExceptionDescription(kStackOverflow), "Stack overflow.");
  EXPECT_STREQ(ExceptionDescription(kCxxException), "Visual C++ structured exception handling.");
  EXPECT_STREQ(ExceptionDescription(0x12345678), "");
  for (uint32_t code : {kBreakpoint, kSingleStep, kNoncontinuable, kCxxException}) {
    EXPECT_TRUE(IsExceptionLeftAlone(code)) << code;
  }
  for (uint32_t code : {kAccessViolation, kStackOverflow, 0xC0000094u}) EXPECT_FALSE(IsExceptionLeftAlone(code));
}

TEST(CrashReport, DurationsInWords) {
  const struct {
    int64_t seconds;
    const char* text;
  } ages[] = {{1, "1 seconds"},   {99, "99 seconds"},        {100, "1 minute, 40 seconds"},
              {3599, "59 minutes, 59 seconds"}, {3600, "1 hour, 0 minutes"},
              {86399, "23 hours, 59 minutes"},  {90000, "1 day, 1 hour"}, {200000, "2 days, 7 hours"}};
  for (const auto& row : ages) EXPECT_EQ(Text(FormatProcessAge(row.seconds)), row.text) << row.seconds;

  const struct {
    int64_t ms;
    const char* text;
  } times[] = {{0, "0 milliseconds"},      {1, "1 millisecond"},       {999, "999 milliseconds"},
               {1000, "1.0 seconds"},      {99999, "100.0 seconds"},   {100000, "1 minute, 40 seconds"},
               {3600000, "1 hour, 0 minutes"}, {86400000, "1 day, 0 hours"}, {180000000, "2 days, 2 hours"}};
  for (const auto& row : times) EXPECT_EQ(Text(FormatProcessorTime(row.ms)), row.text) << row.ms;
}

TEST(CrashPost, HeadersAndBodyFollowWhatTheUserTyped) {
  const String report("REPORT\r\n");
  const String file("setup.exe");
  CrashPost plain = BuildCrashPost(report, String(), String(), file);
  EXPECT_EQ(Text(plain.subject), "Exception - Installer 37.0: setup.exe");
  EXPECT_EQ(Text(plain.headers), "X-Veltronix-Internal: 2\r\n");
  EXPECT_EQ(Text(plain.body), "REPORT\r\n");

  CrashPost full = BuildCrashPost(report, String("me@example.com"), String("clicked Next"), file);
  EXPECT_EQ(Text(full.headers),
            "X-Veltronix-Internal: 2\r\nX-Exception-Email: me@example.com\r\nReply-To: me@example.com\r\n");
  EXPECT_EQ(Text(full.body), "REPORT\r\n\r\nEmail: me@example.com\r\n\r\nComments:\r\nclicked Next");
}

TEST(CrashPost, FormCarriesTheFieldsInOrderWithTheFixedBoundary) {
  const CrashPost post = BuildCrashPost(String("R"), String(), String(), String("a.exe"));
  EXPECT_EQ(Text(EncodeCrashForm(String("support@example.com"), post)),
            "--AaB03x\r\nContent-Disposition: form-data; name=\"from\"\r\n\r\nsupport@example.com\r\n"
            "--AaB03x\r\nContent-Disposition: form-data; name=\"body\"\r\n\r\nR\r\n"
            "--AaB03x\r\nContent-Disposition: form-data; name=\"subject\"\r\n\r\nException - Installer 37.0: a.exe\r\n"
            "--AaB03x\r\nContent-Disposition: form-data; name=\"headers\"\r\n\r\nX-Veltronix-Internal: 2\r\n\r\n"
            "--AaB03x--\r\n");
}

}  // namespace
