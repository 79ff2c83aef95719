// The install sequence's batches and conditional deletes from end to end.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using e2e::RunToEnd;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(InstallBatches, RunInOrderWithTheirAdditionsAndOutputInTheLog) {
  Product product = e2e::TestProduct(L"Batches");
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  const std::wstring scratch = e2e::TestFolder();
  product.files.push_back(FileFromBytes("readme.txt", "Read me.\r\n", 10));
  ProductSettings& s = product.settings;
  s.PreInstallBatch = e2e::FromWide(L"if not exist \"%InstallDir%\\readme.txt\" echo pre>> \"" + scratch +
                                    L"\\order.txt\"\r\necho captured %ProductName%\r\npause");
  s.PostInstallBatch = e2e::FromWide(L"if exist \"%InstallDir%\\readme.txt\" echo post>> \"" + scratch + L"\\order.txt\"");
  s.ExitBatch = e2e::FromWide(L"echo exit>> \"" + scratch + L"\\order.txt\"");
  s.ProductFlags2 |= 1u << 6;  // the Pre-Installation Batch's output goes to the log
  // A leftover of an older version, deleted at install when it is small.
  FileDeletion old_log;
  old_log.name = String("old*.log");
  old_log.mode = 6;  // size at most
  old_log.path = String("5");
  old_log.flags = FileDeletion::kAtInstall;
  s.FileDeletions.Add(old_log);
  CreateDirectoryW(folder.c_str(), nullptr);
  e2e::WriteBytes(folder + L"\\old1.log", "abc");
  e2e::WriteBytes(folder + L"\\old2.log", "too large");

  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder + L"\" /b2:\"echo b2>> " + scratch + L"\\order.txt\""), 1u);

  EXPECT_EQ(e2e::ReadBytes(scratch + L"\\order.txt"), "pre\r\npost\r\nb2\r\nexit\r\n");
  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  EXPECT_NE(log.find("Running Pre-Installation Batch...\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("captured " + Narrow(e2e::Wide(s.DisplayName))), std::string::npos) << log;
  EXPECT_NE(log.find("Deleted file: " + Narrow(folder) + "\\old1.log\r\n"), std::string::npos) << log;
  EXPECT_EQ(GetFileAttributesW((folder + L"\\old1.log").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\old2.log"), "too large");
}

}  // namespace
