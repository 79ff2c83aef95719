// Silent installations in harder situations: a file in use, a shared file of
// two products, and refusals that must leave nothing behind.
#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kSharedDlls[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

DWORD RunSilently(const std::wstring& installer, const std::wstring& arguments) {
  Process process = Process::Start(installer, L"/silent " + arguments);
  EXPECT_TRUE(process.started());
  EXPECT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  return process.ExitCode();
}

std::string Utf8(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                        static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(bytes > 0 ? bytes : 0);
  return out;
}

std::wstring Quoted(const std::wstring& folder) { return L"/d:\"" + folder + L"\""; }

// The restart question must never be answered yes by a test run.
Product ProductThatNeverRestarts(const std::wstring& stem) {
  Product product = e2e::TestProduct(stem);
  product.settings.SetFlag(product_flag::kAnswerRestartNo, true);
  return product;
}

std::wstring PendingRenames() {
  HKEY key = nullptr;
  std::wstring text;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return text;
  DWORD size = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    text.resize(size / sizeof(wchar_t));
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(&text[0]),
                     &size);
    for (wchar_t& c : text) {
      if (c == 0) c = L'|';
    }
  }
  RegCloseKey(key);
  return text;
}

void ClearPendingRenames() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, L"PendingFileRenameOperations");
  RegCloseKey(key);
}

DWORD SharedCount(const std::wstring& path) {
  DWORD count = 0;
  DWORD size = sizeof count;
  RegGetValueW(HKEY_LOCAL_MACHINE, kSharedDlls, path.c_str(), RRF_RT_REG_DWORD, nullptr, &count, &size);
  return count;
}

std::wstring CommonFilesFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD size = sizeof folder;
  RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"CommonFilesDir", RRF_RT_REG_SZ,
               nullptr, folder, &size);
  return folder;
}

void DeleteUninstallKey(const Product& product) {
  const std::wstring key =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

TEST(InstallCases, FileInUseIsStagedForTheRestart) {
  Product product = ProductThatNeverRestarts(L"Locked");
  const char content[] = "version one";
  product.files.push_back(FileFromBytes("locked.dll", content, sizeof content - 1));
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  const std::wstring first = e2e::BuildInstallerFile(product, L"first.exe");
  ASSERT_EQ(RunSilently(first, Quoted(folder)), 1u);

  product.files[0].content = String("version two");
  const std::wstring second = e2e::BuildInstallerFile(product, L"second.exe");
  const std::wstring target = folder + L"\\locked.dll";
  {
    testkit::FileHandle held(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(held));
    EXPECT_EQ(RunSilently(second, Quoted(folder)), 1u);
  }
  EXPECT_EQ(e2e::ReadBytes(target), "version one");  // replaced only at the restart
  const std::wstring pending = PendingRenames();
  EXPECT_NE(pending.find(L"\\??\\" + target), std::wstring::npos) << pending;
  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  EXPECT_NE(log.find("locked.dll\" was successfully registered for replacement."), std::string::npos) << log;
  EXPECT_NE(log.find("Reboot will be required."), std::string::npos);
  ClearPendingRenames();
  DeleteUninstallKey(product);
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(InstallCases, InstallingAgainFollowsTheVersionAndDateRules) {
  Product product = ProductThatNeverRestarts(L"Again");
  const char plain[] = "always replaced";
  product.files.push_back(FileFromBytes("plain.txt", plain, sizeof plain - 1));
  const char data[] = "versioned data";
  PackageFile versioned = FileFromBytes("lib\\engine.bin", data, sizeof data - 1);
  versioned.entry.kind = 9;
  versioned.entry.version = "2.0";
  const int32_t date[6] = {2023, 11, 2, 10, 20, 30};
  for (int i = 0; i < 6; ++i) versioned.entry.date[i] = date[i];
  product.files.push_back(versioned);
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_EQ(RunSilently(installer, Quoted(folder)), 1u);
  ASSERT_EQ(RunSilently(installer, Quoted(folder)), 1u);

  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  EXPECT_EQ(Occurrences(log, "Installation log for: "), 2u) << log;
  EXPECT_EQ(Occurrences(log, "**********************************************"), 1u);
  EXPECT_NE(log.find("Install type: New"), std::string::npos);
  EXPECT_NE(log.find("Install type: Reinstall"), std::string::npos) << log;
  // The data file has no version resource, so its date decides: the same date is not newer.
  EXPECT_NE(log.find("engine.bin was not installed because its date (2023/11/02 10:20:30) is not newer than "
                     "2023/11/02 10:20:30."),
            std::string::npos)
      << log;
  DeleteUninstallKey(product);
}

// Another vendor's product of the same name takes the Uninstall entry over
// and the earlier folder wins over /d:; the install goes on, the log says both.
TEST(InstallCases, TakingOverAnotherPublishersEntryIsLogged) {
  Product first = ProductThatNeverRestarts(L"SameName");
  first.settings.Publisher = String(u"First Vendor");
  Product second = first;
  second.settings.Publisher = String(u"Second Vendor");
  const std::wstring folder = e2e::TestFolder() + L"\\First";
  const std::wstring elsewhere = e2e::TestFolder() + L"\\Elsewhere";
  ASSERT_EQ(RunSilently(e2e::BuildInstallerFile(first, L"first.exe"), Quoted(folder)), 1u);
  ASSERT_EQ(RunSilently(e2e::BuildInstallerFile(second, L"second.exe"), Quoted(elsewhere)), 1u);

  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  const size_t second_run = log.find("**********************************************");
  ASSERT_NE(second_run, std::string::npos) << log;
  // The first run found no entry, so only the second one warns.
  EXPECT_EQ(log.find("Warning: the earlier installation"), log.find("Warning: the earlier installation", second_run))
      << log;
  // The notes follow the fixed lines, and the blank line still ends the header.
  const size_t os_line = log.find("Operating system: ", second_run);
  const size_t line_end = log.find("\r\n", os_line) + 2;
  EXPECT_EQ(log.substr(line_end, log.find("\r\n\r\n", line_end) + 4 - line_end),
            "Warning: the earlier installation under this key was published by \"First Vendor\", not \"Second Vendor\"\r\n"
            "/d:\"" + Utf8(elsewhere) + "\" was not used: the earlier installation's folder is kept (" +
                Utf8(folder) + ")\r\n\r\n")
      << log;
  EXPECT_FALSE(e2e::Exists(elsewhere));
  DeleteUninstallKey(second);
}

TEST(InstallCases, LargeFilesComeWholeFromEitherPlaceOfTheFileData) {
  // Larger than a block, so that it is written piece by piece as its blocks
  // are decoded; text-like and random halves, as real files are.
  std::string big(3 * 1024 * 1024 + 12345, '\0');
  uint32_t state = 7;
  for (size_t i = 0; i < big.size(); ++i) {
    state = state * 1103515245u + 12345u;
    big[i] = i < big.size() / 2 ? static_cast<char>('a' + (i / 7 + i / 4096) % 26) : static_cast<char>(state >> 24);
  }
  const char small[] = "after the large one";
  struct Variant {
    const wchar_t* name;
    uint8_t file_data_outside;
    bool enciphered;
  };
  for (const Variant& variant : {Variant{L"Inside", 0, false}, Variant{L"After", 1, false},
                                 Variant{L"Ciphered", 1, true}}) {
    Product product = ProductThatNeverRestarts(std::wstring(L"Large") + variant.name);
    product.settings.FileDataOutside = variant.file_data_outside;
    if (variant.enciphered) {
      product.settings.ProductFlags2 |= 1u << product_flag2::kEnciphered;
      for (size_t i = 0; i < kPackageCipherKeyLength; ++i) product.options.cipher_key[i] = static_cast<uint8_t>(i * 37 + 1);
    }
    product.options.block_size = 256 * 1024;
    product.files.push_back(FileFromBytes("data\\big.bin", big.data(), big.size()));
    product.files.push_back(FileFromBytes("small.txt", small, sizeof small - 1));
    const std::wstring folder = e2e::TestFolder() + L"\\" + variant.name;
    const std::wstring installer = e2e::BuildInstallerFile(product, std::wstring(variant.name) + L".exe");
    ASSERT_EQ(RunSilently(installer, Quoted(folder)), 1u) << variant.name;
    EXPECT_TRUE(e2e::ReadBytes(folder + L"\\data\\big.bin") == big) << variant.name;
    EXPECT_EQ(e2e::ReadBytes(folder + L"\\small.txt"), small) << variant.name;
    DeleteUninstallKey(product);
  }
}

TEST(InstallCases, SharedFileOfTwoProductsCountsTwo) {
  const std::wstring shared = testkit::UniqueName(L"BxShared");
  Product products[2] = {e2e::TestProduct(L"ShareA"), e2e::TestProduct(L"ShareB")};
  for (int i = 0; i < 2; ++i) {
    products[i].settings.SharedPath = e2e::FromWide(shared);
    const char content[] = "shared library";
    PackageFile file = FileFromBytes("common.dll", content, sizeof content - 1);
    file.entry.kind = 1;
    products[i].files.push_back(file);
    const std::wstring installer = e2e::BuildInstallerFile(products[i], L"share" + std::to_wstring(i) + L".exe");
    EXPECT_EQ(RunSilently(installer, Quoted(e2e::TestFolder() + L"\\App" + std::to_wstring(i))), 1u);
  }
  const std::wstring path = CommonFilesFolder() + L"\\" + shared + L"\\common.dll";
  EXPECT_EQ(e2e::ReadBytes(path), "shared library");
  EXPECT_EQ(SharedCount(path), 2u);

  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, path.c_str());
    RegCloseKey(key);
  }
  DeleteFileW(path.c_str());
  RemoveDirectoryW((CommonFilesFolder() + L"\\" + shared).c_str());
  for (const Product& product : products) DeleteUninstallKey(product);
}

TEST(InstallCases, MissingRegistrySourcedFolderIsRefusedAndLeavesNothing) {
  Product product = e2e::TestProduct(L"RegFolder");
  const std::wstring source = L"HKCU\\Software\\" + testkit::UniqueName(L"BxMissing") + L"\\Path";
  product.settings.DefaultInstallDir = e2e::FromWide(source);
  product.settings.SetFlag(product_flag::kErrorBoxesWhenAutomatic, true);
  const char content[] = "never written";
  product.files.push_back(FileFromBytes("app.exe", content, sizeof content - 1));
  const std::wstring installer = e2e::BuildInstallerFile(product);

  // Automatic runs that show errors say why; silent ones say nothing. Both end with 1.
  Process process = Process::Start(installer, L"/a");
  ASSERT_TRUE(process.started());
  HWND box = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, L""});
  ASSERT_NE(box, nullptr) << testkit::DescribeWindows(process.id());
  EXPECT_EQ(testkit::MessageBoxText(box), L"Failed to obtain installation path from \"" + source + L"\"");
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  EXPECT_TRUE(process.WaitForExit());
  EXPECT_EQ(process.ExitCode(), 1u);
  EXPECT_EQ(RunSilently(installer, L""), 1u);

  const std::wstring key =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName);
  HKEY opened = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
}

}  // namespace
