// The exit codes of both runs for both choices of the product: the classic
// ones (1 for every end of install mode; 0 or 1 for uninstall mode) and the
// deployment ones that the product asks for with exit_codes = "deployment".
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using e2e::RunToEnd;
using testkit::Process;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Name(const Product& product) { return e2e::Wide(product.settings.DisplayName); }

Product CodesProduct(bool deployment) {
  Product product = e2e::TestProduct(deployment ? L"Deployment Codes" : L"Classic Codes");
  product.settings.SetFlag2(product_flag2::kDeploymentExitCodes, deployment);
  product.files.push_back(FileFromBytes("app.txt", "app", 3));
  return product;
}

// Removes what an installation that went through left behind.
void Uninstall(const std::wstring& name, const std::wstring& folder) {
  const std::wstring uninstaller = folder + L"\\uninstall.exe";
  if (e2e::Exists(uninstaller)) RunToEnd(uninstaller, L"/a /u:\"" + name + L"\"");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstallKey + name).c_str());
}

struct InstallCase {
  const char* what;
  unsigned long deployment_code;
  std::function<void(Product&)> change;  // null: the product as it is
  std::wstring arguments = L"/silent";   // before /d:
  std::function<void(const std::wstring& installer)> damage;  // null: the installer as built
  testkit::ProcessOptions options;
};

// Holds the single-instance mutex for the test, as another installer would.
class HeldMutex {
 public:
  HeldMutex() : handle_(CreateMutexW(nullptr, TRUE, L"Bastionix VBS")) {}
  ~HeldMutex() {
    if (handle_) {
      ReleaseMutex(handle_);
      CloseHandle(handle_);
    }
  }
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;

 private:
  HANDLE handle_;
};

bool WindowsIs64Bit() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

void RunInstallCase(const InstallCase& c) {
  for (const bool deployment : {false, true}) {
    SCOPED_TRACE(std::string(c.what) + (deployment ? ", deployment codes" : ", classic codes"));
    Product product = CodesProduct(deployment);
    if (c.change) c.change(product);
    const std::wstring folder = e2e::TestFolder() + L"\\" + Name(product);
    const std::wstring installer = e2e::BuildInstallerFile(product, Name(product) + L".exe");
    ASSERT_FALSE(installer.empty());
    if (c.damage) c.damage(installer);
    Process process = Process::Start(installer, c.arguments + L" /d:\"" + folder + L"\"", c.options);
    ASSERT_TRUE(process.started());
    ASSERT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
    EXPECT_EQ(process.ExitCode(), deployment ? c.deployment_code : 1u);
    Uninstall(Name(product), folder);
  }
}

// Each way install mode ends, as the run's outcome tells it.
TEST(ExitCodes, InstallModeTellsEachOutcome) {
  const std::wstring nowhere = e2e::TestFolder() + L"\\no such temporary folder";
  InstallCase cases[] = {
      {"installed", 0, nullptr},
      // An automatic run that answers the restart question with no.
      {"installed, the restart asked for not made", 3010,
       [](Product& p) {
         p.settings.SetFlag(product_flag::kAskRestart, true);
         p.settings.SetFlag(product_flag::kAnswerRestartNo, true);
       },
       L"/a"},
      // Nobody can type the password in a silent run: it ends as a cancelled one.
      {"cancelled", 1602, [](Product& p) { p.settings.InstallPassword = String(u"secret"); }},
      {"failed: no working log", 1603, nullptr, L"/silent", nullptr, {.environment = {{L"TMP", nowhere}, {L"TEMP", nowhere}}}},
      {"excluded system", 1633, [](Product& p) { p.settings.ExcludedSystems = -1; }},
      {"wrong bitness", 1633, [](Product& p) { p.settings.Bitness = WindowsIs64Bit() ? 2 : 1; }},
      {"corrupt package", 1620, [](Product& p) { p.settings.FileDataOutside = 1; }, L"/silent",
       [](const std::wstring& installer) {
         const std::string bytes = e2e::ReadBytes(installer);
         e2e::WriteBytes(installer, bytes.substr(0, bytes.size() - 2));
       }},
      {"bad command line", 1639, nullptr, L"/silent /x"},
  };
  for (const InstallCase& c : cases) RunInstallCase(c);
}

TEST(ExitCodes, AnotherInstallerRunning) {
  const HeldMutex held;
  RunInstallCase({"another installer holds the single-instance rule", 1618, nullptr});
}

// An installed version from 2.0 on refuses an older one.
TEST(ExitCodes, ADowngradeRefused) {
  for (const bool deployment : {false, true}) {
    SCOPED_TRACE(deployment ? "deployment codes" : "classic codes");
    Product newer = CodesProduct(deployment);
    newer.settings.DisplayVersion = String(u"2.0");
    newer.settings.NoDowngradeBelow = String(u"2.0");
    const std::wstring folder = e2e::TestFolder() + L"\\" + Name(newer);
    const std::wstring arguments = L"/silent /d:\"" + folder + L"\"";
    EXPECT_EQ(RunToEnd(e2e::BuildInstallerFile(newer, L"newer.exe"), arguments), deployment ? 0u : 1u);
    Product older = newer;
    older.settings.DisplayVersion = String(u"1.0");
    EXPECT_EQ(RunToEnd(e2e::BuildInstallerFile(older, L"older.exe"), arguments), deployment ? 1638u : 1u);
    Uninstall(Name(newer), folder);
  }
}

// An installed product, removed by its uninstaller.
struct Installed {
  explicit Installed(bool deployment) : product(CodesProduct(deployment)) {}
  void Install() {
    installer = e2e::BuildInstallerFile(product, Name(product) + L".exe");
    ASSERT_FALSE(installer.empty());
    ASSERT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder + L"\""), product.settings.Flag2(product_flag2::kDeploymentExitCodes) ? 0u : 1u);
    ASSERT_TRUE(e2e::Exists(folder + L"\\uninstall.exe"));
  }
  ~Installed() { Uninstall(Name(product), folder); }
  std::wstring Arguments(const wchar_t* before) const { return before + std::wstring(L"/u:\"") + Name(product) + L"\""; }

  Product product;
  std::wstring folder = e2e::TestFolder() + L"\\" + Name(product);
  std::wstring installer;
};

// Answers the next message box of `process` that has `title`.
void Answer(Process& process, const std::wstring& title, int answer) {
  HWND box = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, title});
  ASSERT_NE(box, nullptr) << testkit::DescribeWindows(process.id());
  ASSERT_TRUE(testkit::AnswerMessageBox(box, answer));
}

TEST(ExitCodes, UninstallModeTellsEachOutcome) {
  for (const bool deployment : {false, true}) {
    SCOPED_TRACE(deployment ? "deployment codes" : "classic codes");
    {
      Installed removed(deployment);
      removed.Install();
      EXPECT_EQ(RunToEnd(removed.folder + L"\\uninstall.exe", removed.Arguments(L"/a ")), 0u);
    }
    {
      Installed declined(deployment);
      declined.Install();
      Process process = Process::Start(declined.folder + L"\\uninstall.exe", declined.Arguments(L""));
      ASSERT_TRUE(process.started());
      Answer(process, L"Uninstall " + Name(declined.product), IDNO);
      ASSERT_TRUE(process.WaitForExit());
      EXPECT_EQ(process.ExitCode(), deployment ? 1602u : 1u);
    }
    {
      Installed failed(deployment);
      failed.Install();
      HANDLE held = CreateFileW((failed.folder + L"\\app.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
      EXPECT_EQ(RunToEnd(failed.folder + L"\\uninstall.exe", failed.Arguments(L"/a ")), deployment ? 1603u : 1u);
      CloseHandle(held);
    }
    {
      // The key is there but cannot say where the product is.
      Installed unusable(deployment);
      unusable.Install();
      const std::wstring key = kUninstallKey + Name(unusable.product);
      ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"InstallLocation"), ERROR_SUCCESS);
      EXPECT_EQ(RunToEnd(unusable.folder + L"\\uninstall.exe", unusable.Arguments(L"/a ")), deployment ? 1603u : 1u);
    }
    {
      // A restart the installer could not avoid is still owed, and the user
      // says not now.
      Installed owed(deployment);
      owed.Install();
      const std::wstring key = kUninstallKey + Name(owed.product);
      wchar_t written[32] = {};
      DWORD size = sizeof written;
      ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ProductFlags", RRF_RT_REG_SZ, nullptr, written, &size),
                ERROR_SUCCESS);
      const int64_t flags = std::stoll(written) | int64_t{1} << product_flag::kRestartRequired;
      const std::wstring text = std::to_wstring(flags);
      ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ProductFlags", REG_SZ, text.c_str(),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
      Process process = Process::Start(owed.folder + L"\\uninstall.exe", owed.Arguments(L""));
      ASSERT_TRUE(process.started());
      Answer(process, L"Uninstall " + Name(owed.product), IDYES);
      Answer(process, Name(owed.product) + L" Setup", IDNO);
      ASSERT_TRUE(process.WaitForExit());
      EXPECT_EQ(process.ExitCode(), deployment ? 3010u : 0u);
    }
  }
}

// With no such product the key that would tell is not there: the program's
// own package decides, and setup.exe without one keeps the classic 0.
TEST(ExitCodes, NoSuchProduct) {
  const std::wstring nobody = L"/a /u:\"" + testkit::UniqueName(L"Nobody") + L"\"";
  EXPECT_EQ(RunToEnd(testkit::SetupExe(), nobody), 0u);
  for (const bool deployment : {false, true}) {
    const Product product = CodesProduct(deployment);
    EXPECT_EQ(RunToEnd(e2e::BuildInstallerFile(product, Name(product) + L".exe"), nobody), deployment ? 1605u : 0u);
  }
}

}  // namespace
