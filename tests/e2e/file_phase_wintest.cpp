// The file phase seen from outside: destination overrides that lead inside
// and outside the install folder, and a disk that fills during the phase.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"
#include "testkit/wine.h"

namespace {

using testkit::Process;

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

PackageFile TextFile(const char* name, const std::string& content, const std::wstring& destination = L"") {
  PackageFile file = FileFromBytes(name, content.data(), content.size());
  file.entry.destination = e2e::FromWide(destination);
  return file;
}

// A product whose log names every file it writes.
Product LoggingProduct(const std::wstring& stem) {
  Product product = e2e::TestProduct(stem);
  product.settings.SetFlag(product_flag::kDetailedLog, true);
  return product;
}

// Runs the installer silently into `folder`; the Uninstall key it leaves goes.
void InstallSilently(const Product& product, const std::wstring& folder) {
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  Process process = Process::Start(installer, L"/silent /d:\"" + folder + L"\"");
  ASSERT_TRUE(process.started());
  EXPECT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                 (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(product.settings.DisplayName))
                     .c_str());
}

// Overrides are the package's choice of place: relative ones are taken from
// the install folder and normalised, absolute ones used as they are, and a
// name without a backslash renames the entry.
TEST(DestinationOverrides, LeadInsideAndOutsideTheInstallFolder) {
  const std::wstring top = e2e::TestFolder();
  const std::wstring folder = top + L"\\App";
  const struct {
    const char* name;
    std::wstring override_text;
    std::wstring lands;
  } cases[] = {
      {"inside.txt", L"sub\\..\\ok\\", folder + L"\\ok\\inside.txt"},
      {"beside.txt", L"..\\Side\\", top + L"\\Side\\beside.txt"},
      {"absolute.txt", top + L"\\Abs\\deep\\", top + L"\\Abs\\deep\\absolute.txt"},
      {"renamed.txt", L"new-name.txt", folder + L"\\new-name.txt"},
  };
  Product product = LoggingProduct(L"Overrides");
  for (const auto& c : cases) product.files.push_back(TextFile(c.name, std::string("ours: ") + c.name, c.override_text));
  InstallSilently(product, folder);

  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  EXPECT_EQ(log.find("Error code"), std::string::npos) << log;
  for (const auto& c : cases) {
    EXPECT_EQ(e2e::ReadBytes(c.lands), std::string("ours: ") + c.name) << c.name;
    EXPECT_NE(log.find(std::string(c.name) + " >>> " + Narrow(c.lands) + "\r\n"), std::string::npos)
        << c.name << "\n" << log;
  }
}

// A small tmpfs mounted on a folder of the test, so that a file written into
// it fills the disk for real; unmounted again when the test ends.
class SmallDisk {
 public:
  SmallDisk(const std::wstring& folder, int kib) : folder_(folder), unix_(testkit::UnixPath(folder)) {
    if (unix_.empty() || !CreateDirectoryW(folder.c_str(), nullptr)) return;
    const std::string script = "mount -t tmpfs -o size=" + std::to_string(kib) + "k bx-small-disk '" + unix_ +
                               "' && touch '" + unix_ + "/mounted' || touch '" + unix_ + ".failed'";
    if (!testkit::StartUnixShell(script)) return;
    testkit::WaitUntil([&] { return testkit::FileExists(Sign()) || testkit::FileExists(folder + L".failed"); });
    mounted_ = testkit::FileExists(Sign());
  }
  ~SmallDisk() {
    if (!mounted_) return;
    DeleteFileW(Sign().c_str());
    // Lazily: the Wine server may still hold the folder open.
    testkit::StartUnixShell("umount -l '" + unix_ + "'");
    // Unmounted, the folder shows the empty directory beneath.
    testkit::WaitUntil([&] { return !testkit::FileExists(Sign()) && !Mounted(); });
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }

 private:
  std::wstring Sign() const { return folder_ + L"\\mounted"; }
  // Whether a file system other than the folder's parent's is still there.
  bool Mounted() const {
    ULARGE_INTEGER here = {}, parent = {};
    GetDiskFreeSpaceExW(folder_.c_str(), nullptr, &here, nullptr);
    GetDiskFreeSpaceExW((folder_ + L"\\..").c_str(), nullptr, &parent, nullptr);
    return here.QuadPart != parent.QuadPart;
  }

  std::wstring folder_;
  std::string unix_;
  bool mounted_ = false;
};

std::string SystemText(DWORD error) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                 nullptr);
  std::string out(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// A file that does not fit is reported with the reason (the disk is full),
// never as written; the files around it are installed and logged.
TEST(FullDisk, TheFileThatDoesNotFitIsReportedAsSuchAndNotAsWritten) {
  const std::wstring top = e2e::TestFolder();
  SmallDisk disk(top + L"\\Small", 64);
  if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here (the test needs root on the Unix side)";
  const std::wstring folder = top + L"\\App";
  std::string big(256 * 1024, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  Product product = LoggingProduct(L"FullDisk");
  product.files.push_back(TextFile("before.txt", "before"));
  product.files.push_back(TextFile("big.bin", big, top + L"\\Small\\"));
  product.files.push_back(TextFile("after.txt", "after"));
  InstallSilently(product, folder);

  EXPECT_EQ(e2e::ReadBytes(folder + L"\\before.txt"), "before");
  EXPECT_EQ(e2e::ReadBytes(folder + L"\\after.txt"), "after");
  const std::string log = e2e::ReadBytes(folder + L"\\Install.log");
  EXPECT_NE(log.find("before.txt >>> "), std::string::npos) << log;
  EXPECT_NE(log.find("after.txt >>> "), std::string::npos) << log;
  EXPECT_EQ(log.find("big.bin >>> "), std::string::npos) << log;
  // The failure names the file and the disk-full reason, nothing stale.
  const std::string big_path = Narrow(top + L"\\Small\\big.bin");
  const std::string reason = SystemText(ERROR_DISK_FULL);
  ASSERT_FALSE(reason.empty());
  EXPECT_NE(log.find(big_path + "\r\n" + reason), std::string::npos) << reason << "\n" << log;
  EXPECT_EQ(log.find(SystemText(ERROR_ALREADY_EXISTS)), std::string::npos) << log;
}

}  // namespace
