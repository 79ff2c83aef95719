#include "records/install_log.h"

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/file_stream.h"
#include "records/journal.h"
#include "records/log_writers.h"
#include "records/records_test_util.h"
#include "records/working_log.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kSeparator = "\r\n\r\n" + std::string(46, '*') + "\r\n";

InstallLogHeader SampleHeader() {
  InstallLogHeader header;
  header.product = String(u"Bastionix Demo \u00C9dition");
  header.date = MakeDateTime(2024, 3, 9, 14, 5, 7);
  header.uninstall_supported = true;
  header.reinstall = true;
  header.install_folder = String(u"C:\\Program Files\\Demo");
  header.product_version = String(u"2.5.1");
  header.overwriting_version = String(u"2.4");
  header.os_name = String(u"Windows 10 Pro x64");
  return header;
}

// The fixed lines of SampleHeader(), without the blank line that ends them.
const std::string kSampleHeaderLines =
    "Installation log for: Bastionix Demo \xC3\x89" "dition\r\n"
    "Install date: 2024/03/09 14:05:07\r\n"
    "Install type: Reinstall\r\n"
    "Install location: C:\\Program Files\\Demo\r\n"
    "Installer version: 37.0\r\n"
    "Product version: 2.5.1\r\n"
    "Overwriting version: 2.4\r\n"
    "Operating system: Windows 10 Pro x64\r\n";

TEST(InstallLogText, HeaderLines) {
  InstallLogHeader header = SampleHeader();
  EXPECT_EQ(Text(InstallLogHeaderText(header)), kSampleHeaderLines + "\r\n");

  header.reinstall = false;
  EXPECT_NE(Text(InstallLogHeaderText(header)).find("Install type: New\r\n"), std::string::npos);
  header.uninstall_supported = false;
  header.product_version.Clear();
  header.overwriting_version.Clear();
  EXPECT_EQ(Text(InstallLogHeaderText(header)),
            "Installation log for: Bastionix Demo \xC3\x89" "dition\r\n"
            "Install date: 2024/03/09 14:05:07\r\n"
            "Install location: C:\\Program Files\\Demo\r\n"
            "Installer version: 37.0\r\n"
            "Operating system: Windows 10 Pro x64\r\n\r\n");
}

// Notes follow the fixed lines and the blank line still ends the header.
TEST(InstallLogText, NotesComeAfterTheFixedLines) {
  const std::string warning =
      "Warning: the earlier installation under this key was published by \"Other \xC3\x9C" "ber\", not \"Acme\"\r\n";
  const std::string unused =
      "/d:\"D:\\Tools\\Demo\" was not used: the earlier installation's folder is kept (C:\\Program Files\\Demo)\r\n";
  struct Case {
    const char16_t* earlier;
    bool uninstall_supported;
    const char16_t* folder_arg;
    std::string notes;
  } cases[] = {
      {u"Other \u00DCber", true, u"", warning},
      {u"ACME", true, u"", ""},               // the same publisher, spelt in another case
      {u"", true, u"", ""},                   // none recorded: nothing to compare
      {u"Other \u00DCber", false, u"", ""},   // no uninstaller, so the key is not replaced
      {u"", true, u"D:\\Tools\\Demo", unused},
      {u"Other \u00DCber", true, u"D:\\Tools\\Demo", warning + unused},
  };
  for (const Case& c : cases) {
    InstallLogHeader header = SampleHeader();
    header.publisher = String(u"Acme");
    header.earlier_publisher = String(c.earlier);
    header.uninstall_supported = c.uninstall_supported;
    header.unused_folder_arg = String(c.folder_arg);
    std::string expected = kSampleHeaderLines + c.notes + "\r\n";
    if (!c.uninstall_supported) expected.erase(expected.find("Install type: Reinstall\r\n"), 25);
    EXPECT_EQ(Text(InstallLogHeaderText(header)), expected) << Text(Utf16ToUtf8(header.earlier_publisher));
  }
}

TEST(InstallLogText, TheSummaryOrTheCompletionMessageEndsTheRun) {
  EXPECT_EQ(Text(InstallLogEnding(String(), String(u"Installation Complete"))), "\r\nInstallation Complete\r\n");
  // The summary is in the ANSI code page (Windows-1252 on the host).
  EXPECT_EQ(Text(InstallLogEnding(String("Could not write: C:\\Caf\xE9\r\n\r\n"), String(u"Installation Complete"))),
            "\r\n*** FAILURE SUMMARY ***\r\nCould not write: C:\\Caf\xC3\xA9\r\n\r\n");
}

TEST(InstallLogText, OlderLogsAreConvertedOnce) {
  EXPECT_FALSE(IsOlderLog(String()));
  EXPECT_TRUE(IsOlderLog(String("Installation log for: Caf\xE9")));
  EXPECT_FALSE(IsOlderLog(String("\xEF\xBB\xBFInstallation log")));
  // Windows-1252, bytes 0x80-0x9F included.
  EXPECT_EQ(Text(ConvertOlderLog(String("Caf\xE9 \x80 \x93"))), kBom + "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C");
}

// The working log and an Install.log, both in memory.
class InstallLogFile : public testing::Test {
 protected:
  void SetUp() override {
    journal_.log.file.AttachStream(working_.stream());
    log_.AttachStream(install_log_.stream());
  }
  void TearDown() override {
    journal_.log.file.Close();
    log_.Close();
  }
  std::string Log() const { return Text(install_log_.content()); }
  std::string Working() const { return Text(working_.content()); }

  Journal journal_;
  MemoryStream working_;
  MemoryStream install_log_;
  File log_;
};

TEST_F(InstallLogFile, WritersSendUtf8ToTheWorkingLog) {
  LogText(journal_, "Caf\xE9 ");                   // Windows-1252
  LogFormat(journal_, "%d files, %s\r\n", 3, "ok");
  LogTextW(journal_, u"\u65E5\u672C ");
  LogFormatW(journal_, u"%s=%d\r\n", u"\u00FC", 7);
  LogTextW(journal_, u"Copying \"", String(u"C:\\\u00E9"), u"\" done\r\n");
  LogItem(journal_, u"Registering COM File \"", String(u"C:\\App\\x.dll"));
  LogOk(journal_);
  LogItem(journal_, u"Registering Type Library \"", String(u"C:\\App\\x.tlb"));
  LogFailed(journal_);
  LogItem(journal_, u"Installing \"", String(u"a.inf"));
  LogFailedBang(journal_);
  LogItem(journal_, u"Installing \"", String(u"b.msi"));
  LogFailedCode(journal_, 1603);
  LogResult(journal_, true);
  LogResult(journal_, false);
  EXPECT_EQ(Working(),
            "Caf\xC3\xA9 3 files, ok\r\n\xE6\x97\xA5\xE6\x9C\xAC \xC3\xBC=7\r\nCopying \"C:\\\xC3\xA9\" done\r\n"
            "Registering COM File \"C:\\App\\x.dll\"...OK\r\n"
            "Registering Type Library \"C:\\App\\x.tlb\"...FAILED\r\n"
            "Installing \"a.inf\"...FAILED!\r\n"
            "Installing \"b.msi\"...FAILED, code 1603\r\n"
            "OK\r\nFAILED\r\n");

  // Nothing is kept while no log is open.
  journal_.log.file.Close();
  LogText(journal_, "lost");
  LogTextW(journal_, u"lost");
  LogOk(journal_);
  EXPECT_EQ(Working().find("lost"), std::string::npos);
}

TEST_F(InstallLogFile, FirstRunStartsWithTheMarkAndASecondRunIsSeparated) {
  LogText(journal_, "first run line\r\n");
  const String header = InstallLogHeaderText(SampleHeader());
  ASSERT_TRUE(AppendRunToLog(log_, journal_.log, header, InstallLogEnding(String(), String(u"Installation Complete"))));
  const std::string first = kBom + Text(header) + "first run line\r\n\r\nInstallation Complete\r\n";
  EXPECT_EQ(Log(), first);
  EXPECT_EQ(Log().find(std::string(46, '*')), std::string::npos);

  // The working log goes on at its end after being copied.
  LogText(journal_, "second run line\r\n");
  EXPECT_EQ(Working(), "first run line\r\nsecond run line\r\n");

  working_.Reset(String("second run line\r\n"));
  ASSERT_TRUE(AppendRunToLog(log_, journal_.log, header, InstallLogEnding(String("failed\r\n\r\n"), String(u"unused"))));
  EXPECT_EQ(Log(), first + kSeparator + Text(header) +
                       "second run line\r\n\r\n*** FAILURE SUMMARY ***\r\nfailed\r\n\r\n");
}

TEST_F(InstallLogFile, AnOlderAnsiLogIsConvertedAndKeepsItsContent) {
  install_log_.Reset(String("Installation log for: Caf\xE9\r\nOld line \x80\r\n"));
  journal_.log.file.Close();  // a crash before the working log existed
  ASSERT_TRUE(AppendRunToLog(log_, journal_.log, String("H\r\n"), String("\r\nE\r\n")));
  EXPECT_EQ(Log(), kBom + "Installation log for: Caf\xC3\xA9\r\nOld line \xE2\x82\xAC\r\n" + kSeparator +
                       "H\r\n\r\nE\r\n");
  // Once converted it is left alone.
  const std::string once = Log();
  ASSERT_TRUE(AppendRunToLog(log_, journal_.log, String("H\r\n"), String("\r\nE\r\n")));
  EXPECT_EQ(Log(), once + kSeparator + "H\r\n\r\nE\r\n");
}

TEST(InstallLogPath, InTheUninstallDataFolder) {
  EXPECT_EQ(Wide(InstallLogPath(String(u"C:\\App\\uninstall"))), u"C:\\App\\uninstall\\Install.log");
}

TEST(FailureSummaryText, AnyEntryMeansFailure) {
  Journal journal;
  ClearFailures(journal);
  EXPECT_FALSE(HasFailed(journal));
  AddFailure(journal, "");
  AddFailureW(journal, u"");
  EXPECT_FALSE(HasFailed(journal));
  EXPECT_EQ(journal.failures.count, 0);
  AddFailure(journal, "Could not write: C:\\a.txt\r\n\r\n");
  AddFailureW(journal, u"Caf\u00E9 \u65E5\r\n\r\n");  // '?' where ANSI has no character
  AddFailureFormat(journal, "Failed to uninstall %s, code %d: %s\r\n", "x.msi", 1603, "Fatal error");
  AddFailureFormatW(journal, u"%s %s\r\n", u"Could not delete:", u"C:\\\u00E9");
  EXPECT_TRUE(HasFailed(journal));
  EXPECT_EQ(journal.failures.count, 4);
  EXPECT_EQ(Text(journal.failures.text),
            "Could not write: C:\\a.txt\r\n\r\nCaf\xE9 ?\r\n\r\nFailed to uninstall x.msi, code 1603: Fatal error\r\n"
            "Could not delete: C:\\\xE9\r\n");
  ClearFailures(journal);
  EXPECT_FALSE(HasFailed(journal));
  EXPECT_EQ(journal.failures.count, 0);
}

TEST(FailureSummaryText, TwoJournalsStayApart) {
  Journal run;
  Journal other;
  AddFailure(run, "Could not write: C:\\a.txt\r\n\r\n");
  other.restart_needed = true;
  EXPECT_TRUE(HasFailed(run));
  EXPECT_FALSE(HasFailed(other));
  EXPECT_EQ(other.failures.count, 0);
  EXPECT_FALSE(run.restart_needed);
}

}  // namespace
