#include <windows.h>

#include "records/install_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/scratch_folder_wintest.h"
#include "package/run_product.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/log_writers.h"
#include "records/working_log.h"
#include "testkit/files.h"
#include "testkit/window.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kSeparator = "\r\n\r\n" + std::string(46, '*') + "\r\n";

// A product with its install log kept, installed into a scratch folder.
class InstallLogRun : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    product_.settings.DisplayName = String(u"Bastionix Log \u00C9preuve");
    product_.settings.DisplayVersion = String(u"2.5");
    product_.settings.ProductFlags = (1ull << 6) | (1ull << 2);  // keep the log; uninstall supported
    product_.languages = LanguageTable();
    product_.languages.names.Add(String(u"English"));
    product_.languages.messages.Resize(44);
    product_.languages.messages[40] = String(u"Setup failed (100%%). The log is %s\r\nView it?");
    product_.languages.messages[41] = String(u"Installation Incomplete");
    product_.languages.messages[43] = String(u"Installation Complete");
    finish_.uninstall_folder = String(U16(folder_.path()));
    finish_.install_folder = String(u"C:\\Program Files\\Log Test");
    ClearFailures(journal_);
  }
  void TearDown() override {
    EndWorkingLog(journal_.log);
    ClearFailures(journal_);
  }

  // Ends the log as a run would: `reinstall`, at the installation's end
  // (`interactive`) with `step` as its completion step.
  bool Finish(bool reinstall, bool interactive, void (*step)(const RunProduct&, const Journal&) = nullptr) {
    InstallLogFinish finish = finish_;
    finish.product = &product_;
    finish.journal = &journal_;
    finish.uninstall_supported = product_.settings.Flag(product_flag::kDetectInstallation);
    finish.reinstall = reinstall;
    finish.interactive = interactive;
    finish.completion_step = step;
    return FinishInstallLog(finish);
  }

  // Starts the working log and checks that it is a real file.
  std::wstring StartLog() {
    EXPECT_TRUE(StartWorkingLog(journal_.log));
    const std::wstring name(reinterpret_cast<const wchar_t*>(journal_.log.file.wname().w_str()));
    EXPECT_TRUE(testkit::FileExists(name)) << name.c_str();
    return name;
  }
  InstallLogFinish finish_;
  std::string InstallLog() { return testkit::ReadFileBytes(folder_ / L"Install.log").value_or("<none>"); }

  ScratchFolder folder_;
  RunProduct product_;
};

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the file behind the working log holds, read through its own handle.
std::string WorkingLogOnDisk(const WorkingLog& log) {
  HANDLE handle = log.file.handle();
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(handle, &size)) return "<no size>";
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  LARGE_INTEGER start = {};
  LARGE_INTEGER was = {};
  SetFilePointerEx(handle, start, &was, FILE_CURRENT);
  SetFilePointerEx(handle, start, nullptr, FILE_BEGIN);
  DWORD got = 0;
  ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  SetFilePointerEx(handle, was, nullptr, FILE_BEGIN);
  bytes.resize(got);
  return bytes;
}

TEST_F(InstallLogRun, TheWorkingLogIsATemporaryUtf8File) {
  const std::wstring name = StartLog();
  LogText(journal_, "Caf\xE9 ");
  LogItem(journal_, u"Registering COM File \"", String(u"C:\\\u65E5.dll"));
  LogFailedCode(journal_, 5);
  EXPECT_EQ(WorkingLogOnDisk(journal_.log), "Caf\xC3\xA9 Registering COM File \"C:\\\xE6\x97\xA5.dll\"...FAILED, code 5\r\n");
  EndWorkingLog(journal_.log);
  EXPECT_FALSE(testkit::FileExists(name));
  EXPECT_FALSE(WorkingLogIsOpen(journal_.log));
}

TEST_F(InstallLogRun, ASecondInstallationAppendsASeparatorAndItsOwnHeader) {
  std::wstring working = StartLog();
  LogText(journal_, "first run\r\n");
  ASSERT_TRUE(Finish(false, false));
  EXPECT_FALSE(testkit::FileExists(working));
  const std::string first = InstallLog();
  ASSERT_EQ(first.substr(0, 3), kBom);
  EXPECT_EQ(first.find(std::string(46, '*')), std::string::npos);
  EXPECT_NE(first.find("Installation log for: Bastionix Log \xC3\x89preuve\r\nInstall date: "), std::string::npos);
  EXPECT_NE(first.find("Install type: New\r\nInstall location: C:\\Program Files\\Log Test\r\n"
                       "Installer version: 37.0\r\nProduct version: 2.5\r\nOperating system: "),
            std::string::npos);
  EXPECT_TRUE(EndsWith(first, "\r\n\r\nfirst run\r\n\r\nInstallation Complete\r\n")) << first;

  working = StartLog();
  LogText(journal_, "second run\r\n");
  AddFailure(journal_, "Could not write: C:\\x.dll\r\n\r\n");
  ASSERT_TRUE(Finish(true, false));
  EXPECT_FALSE(testkit::FileExists(working));
  const std::string both = InstallLog();
  ASSERT_EQ(both.substr(0, first.size()), first);
  const std::string second = both.substr(first.size());
  ASSERT_EQ(second.substr(0, kSeparator.size()), kSeparator);
  EXPECT_NE(second.find("Installation log for: "), std::string::npos);
  EXPECT_NE(second.find("Install type: Reinstall\r\n"), std::string::npos);
  EXPECT_TRUE(
      EndsWith(second, "\r\n\r\nsecond run\r\n\r\n*** FAILURE SUMMARY ***\r\nCould not write: C:\\x.dll\r\n\r\n"))
      << second;
}

TEST_F(InstallLogRun, WithoutTheLogSettingOnlyAFailedRunLeavesALog) {
  product_.settings.ProductFlags = 0;
  StartLog();
  LogText(journal_, "quiet\r\n");
  EXPECT_FALSE(Finish(false, false));
  EXPECT_FALSE(testkit::FileExists(folder_ / L"Install.log"));

  const std::wstring working = StartLog();
  AddFailure(journal_, "\r\n\r\nINSTALLER CRASHED!\r\n");
  ASSERT_TRUE(Finish(false, false));
  EXPECT_FALSE(testkit::FileExists(working));
  const std::string log = InstallLog();
  EXPECT_EQ(log.find("Install type:"), std::string::npos);  // no uninstall support
  EXPECT_NE(log.find("*** FAILURE SUMMARY ***\r\n\r\n\r\nINSTALLER CRASHED!\r\n"), std::string::npos);
}

TEST_F(InstallLogRun, ALogThatCannotBeOpenedIsSkipped) {
  finish_.uninstall_folder = String(U16(folder_ / L"missing\\folder"));
  const std::wstring working = StartLog();
  AddFailure(journal_, "failed\r\n\r\n");
  EXPECT_FALSE(Finish(false, false));
  EXPECT_FALSE(testkit::FileExists(working));
  EXPECT_FALSE(testkit::FileExists(folder_ / L"missing"));
}

int completion_steps = 0;
// Counts only a step that is told the run's product.
void CountCompletionStep(const RunProduct& product, const Journal&) {
  if (product.settings.DisplayVersion.EqualsW(u"2.5")) ++completion_steps;
}

TEST_F(InstallLogRun, AnInteractiveRunAsksOnFailureAndOtherwiseCompletes) {
  completion_steps = 0;
  StartLog();
  ASSERT_TRUE(Finish(false, true, &CountCompletionStep));
  EXPECT_EQ(completion_steps, 1);

  product_.settings.ProductFlags |= 1ull << 22;  // no completion notice
  StartLog();
  ASSERT_TRUE(Finish(false, true, &CountCompletionStep));
  EXPECT_EQ(completion_steps, 1);

  // A failed run asks first, on the thread that finishes the log.
  StartLog();
  AddFailure(journal_, "failed\r\n\r\n");
  bool written = false;
  std::thread finishing([this, &written] { written = Finish(false, true, &CountCompletionStep); });
  const HWND box = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass, L"Installation Incomplete"});
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testkit::MessageBoxText(box),
            L"Setup failed (100%). The log is " + (folder_ / L"Install.log") + L"\r\nView it?");
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDNO));
  finishing.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(completion_steps, 1);
  EXPECT_NE(InstallLog().find("*** FAILURE SUMMARY ***\r\nfailed\r\n"), std::string::npos);
}

// What happens after the log has been written goes to its end; a log that
// did not exist yet starts with the mark, once.
TEST_F(InstallLogRun, LinesAppendedAfterTheEndFollowTheRunOrStartANewLog) {
  const String path(U16(folder_ / L"Install.log"));
  ASSERT_TRUE(AppendToInstallLog(path, String(u"Failed to launch app: \u00e9chec\r\n")));
  ASSERT_TRUE(AppendToInstallLog(path, String(u"second\r\n")));
  EXPECT_EQ(InstallLog(), kBom + "Failed to launch app: \xC3\xA9" "chec\r\nsecond\r\n");
  EXPECT_FALSE(AppendToInstallLog(String(U16(folder_ / L"missing\\Install.log")), String(u"x\r\n")));
}

}  // namespace
