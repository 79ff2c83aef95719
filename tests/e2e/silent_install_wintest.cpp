// A silent installation from end to end: an installer made by the builder is
// run with /silent under Wine, then its files, log, uninstall data and
// registry entry are checked.
#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

// A file's last-write time as local calendar fields.
SYSTEMTIME LocalWriteTime(const std::wstring& path) {
  SYSTEMTIME local = {};
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return local;
  FILETIME local_time;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local_time);
  FileTimeToSystemTime(&local_time, &local);
  return local;
}

PackageFile DatedFile(const char* name, const std::string& content, uint32_t kind, uint32_t attributes) {
  PackageFile file = FileFromBytes(name, content.data(), content.size());
  file.entry.kind = kind;
  file.entry.attributes = attributes;
  const int32_t date[6] = {2024, 3, 5, 7, 8, 10};
  for (int i = 0; i < 6; ++i) file.entry.date[i] = date[i];
  return file;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD RunSilently(const std::wstring& installer, const std::wstring& arguments,
                  const testkit::ProcessOptions& options = {}) {
  Process process = Process::Start(installer, L"/silent " + arguments, options);
  EXPECT_TRUE(process.started());
  const bool ended = process.WaitForExit();
  EXPECT_TRUE(ended) << "still running; windows: " << testkit::DescribeWindows(process.id());
  return process.ExitCode();
}

std::wstring RegText(HKEY key, const wchar_t* name) {
  wchar_t text[2048] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return L"<missing>";
  return text;
}

void CheckUninstallKey(const std::wstring& product, const std::wstring& folder) {
  const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegText(key, L"DisplayName"), product);
  EXPECT_EQ(RegText(key, L"UninstallString"), L"\"" + folder + L"\\uninstall.exe\" /u:\"" + product + L"\"");
  EXPECT_EQ(RegText(key, L"InstallLocation"), folder);
  EXPECT_EQ(RegText(key, L"DisplayVersion"), L"1.0");
  const std::wstring date = RegText(key, L"InstallDate");
  EXPECT_EQ(date.size(), 8u) << date;
  EXPECT_EQ(date.find_first_not_of(L"0123456789"), std::wstring::npos) << date;
  DWORD size_kb = 0;
  DWORD bytes = sizeof size_kb;
  EXPECT_EQ(RegGetValueW(key, nullptr, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size_kb, &bytes), ERROR_SUCCESS);
  const std::wstring flags = RegText(key, L"ProductFlags");
  EXPECT_FALSE(flags.empty());
  EXPECT_EQ(flags.find_first_not_of(L"-0123456789"), std::wstring::npos) << flags;
  RegCloseKey(key);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
}

class SilentInstall : public testing::Test {
 protected:
  void SetUp() override {
    product_ = e2e::TestProduct(L"Silent");
    folder_ = e2e::TestFolder() + L"\\App";
  }

  Product product_;
  std::wstring folder_;
};

TEST_F(SilentInstall, ShowsNothingAndLeavesItsRecords) {
  product_.files.push_back(DatedFile("readme.txt", "Read me.\r\n", 0, FILE_ATTRIBUTE_READONLY));
  product_.files.push_back(DatedFile("bin\\tool.dat", std::string(70000, 'x'), 0, FILE_ATTRIBUTE_ARCHIVE));
  PackageFile versioned = DatedFile("data\\sub\\deep.bin", "versioned", 9, FILE_ATTRIBUTE_HIDDEN);
  versioned.entry.version = "1.2";
  product_.files.push_back(versioned);
  const std::wstring installer = e2e::BuildInstallerFile(product_);
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunSilently(installer, L"/d:\"" + folder_ + L"\""), 1u);  // a successful run also ends with 1

  EXPECT_EQ(e2e::ReadBytes(folder_ + L"\\readme.txt"), "Read me.\r\n");
  EXPECT_EQ(e2e::ReadBytes(folder_ + L"\\bin\\tool.dat"), std::string(70000, 'x'));
  EXPECT_EQ(e2e::ReadBytes(folder_ + L"\\data\\sub\\deep.bin"), "versioned");
  EXPECT_TRUE(GetFileAttributesW((folder_ + L"\\readme.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(GetFileAttributesW((folder_ + L"\\data\\sub\\deep.bin").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  const SYSTEMTIME written = LocalWriteTime(folder_ + L"\\bin\\tool.dat");
  EXPECT_EQ(written.wYear, 2024);
  EXPECT_EQ(written.wMonth, 3);
  EXPECT_EQ(written.wDay, 5);
  EXPECT_EQ(written.wHour, 7);
  EXPECT_EQ(written.wMinute, 8);
  EXPECT_EQ(written.wSecond, 10);
  SetFileAttributesW((folder_ + L"\\readme.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_TRUE(FileExists(folder_ + L"\\Uninstall.DAT"));
  EXPECT_TRUE(FileExists(folder_ + L"\\uninstall.exe"));
  CheckUninstallKey(e2e::Wide(product_.settings.DisplayName), folder_);
  const std::string log = e2e::ReadBytes(folder_ + L"\\Install.log");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.substr(0, 3), "\xEF\xBB\xBF");
}

// Without a temporary folder the run has no working log; it still installs,
// and its log says why the actions' lines are missing instead of looking clean.
TEST_F(SilentInstall, AWorkingLogThatCannotBeMadeIsNamedInTheFailureSummary) {
  const std::string content(70000, 'x');  // large enough for the key's size value
  product_.files.push_back(DatedFile("tool.dat", content, 0, FILE_ATTRIBUTE_ARCHIVE));
  const std::wstring installer = e2e::BuildInstallerFile(product_);
  ASSERT_FALSE(installer.empty());
  const std::wstring nowhere = e2e::TestFolder() + L"\\no such temporary folder";
  testkit::ProcessOptions options;
  options.environment = {{L"TMP", nowhere}, {L"TEMP", nowhere}};
  EXPECT_EQ(RunSilently(installer, L"/d:\"" + folder_ + L"\"", options), 1u);

  EXPECT_EQ(e2e::ReadBytes(folder_ + L"\\tool.dat"), content);
  const std::string log = e2e::ReadBytes(folder_ + L"\\Install.log");
  EXPECT_NE(log.find("*** FAILURE SUMMARY ***\r\nFailed to create the installation log: "), std::string::npos)
      << log;
  EXPECT_EQ(log.find("Installation Complete"), std::string::npos) << log;
  CheckUninstallKey(e2e::Wide(product_.settings.DisplayName), folder_);
}

}  // namespace
