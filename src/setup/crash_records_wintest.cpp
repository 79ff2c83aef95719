// A crash in an installation: the failure summary gets the report under
// "INSTALLER CRASHED!" and "Install.log" is written at once.
#include <windows.h>

#include "records/journal.h"
#include "setup/crash_records_win.h"

#include <gtest/gtest.h>

#include <string>

#include "core/scratch_folder_wintest.h"
#include "core/temp_files.h"
#include "package/run_product.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/working_log.h"
#include "setup/install_state.h"
#include "testkit/files.h"

namespace {

TEST(CrashRecords, TheInstallLogEndsWithTheReportAtOnce) {
  Journal journal_;
  ScratchFolder folder;
  RunProduct product;
  product.settings.DisplayName = String(u"Crash Records");
  SetCrashRecordsRun(&product, &journal_);
  TheInstall().uninstall_folder = String(U16(folder.path()));
  ClearFailures(journal_);
  ASSERT_TRUE(StartWorkingLog(journal_.log));
  LogText(journal_, "Copying files...\r\n");

  WriteCrashToRecords(String("Exception: Integer divide by zero.\r\nCall Stack:\r\n"));

  const std::string ending =
      "Copying files...\r\n\r\n*** FAILURE SUMMARY ***\r\n\r\n\r\nINSTALLER CRASHED!\r\n"
      "Exception: Integer divide by zero.\r\nCall Stack:\r\n";
  const std::string log = testkit::ReadFileBytes(folder / L"Install.log").value_or("<none>");
  EXPECT_TRUE(HasFailed(journal_));
  ASSERT_GE(log.size(), ending.size()) << log;
  EXPECT_EQ(log.substr(log.size() - ending.size()), ending);
  EXPECT_FALSE(WorkingLogIsOpen(journal_.log));

  ClearFailures(journal_);
  SetCrashRecordsRun(nullptr, nullptr);
  TheInstall() = InstallState();
}

// A crash before the uninstall data folder is known: the log is written to
// the temporary folder, where the user is told to look.
TEST(CrashRecords, BeforeTheUninstallFolderTheLogGoesToTheTemporaryFolder) {
  Journal journal_;
  RunProduct product;
  product.settings.DisplayName = String(u"Early Crash Records");
  SetCrashRecordsRun(&product, &journal_);
  TheInstall() = InstallState();
  ClearFailures(journal_);
  const std::wstring log_path = std::wstring(reinterpret_cast<const wchar_t*>(TemporaryFolder().w_str())) + L"Install.log";
  DeleteFileW(log_path.c_str());

  WriteCrashToRecords(String("Exception: Access violation.\r\n"));

  const std::string log = testkit::ReadFileBytes(log_path).value_or("<none>");
  EXPECT_NE(log.find("Installation log for: Early Crash Records\r\n"), std::string::npos) << log;
  const std::string ending = "INSTALLER CRASHED!\r\nException: Access violation.\r\n";
  ASSERT_GE(log.size(), ending.size()) << log;
  EXPECT_EQ(log.substr(log.size() - ending.size()), ending);
  DeleteFileW(log_path.c_str());
  ClearFailures(journal_);
  SetCrashRecordsRun(nullptr, nullptr);
}

}  // namespace
