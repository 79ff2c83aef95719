// The bare runtime: what setup.exe does without a package and with a bad
// command line, seen through its real message boxes and exit codes.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "package/settings.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

const wchar_t kNoInstallationData[] =
    L"This program performs installations and uninstallations.\r\n"
    L"There is no installation data present.\r\n"
    L"No uninstallation parameters were specified.\r\n\r\n"
    L"You should not delete this program or execute it directly.";

const wchar_t kUsageTail[] =
    L"\r\n\r\nUsage:\r\nsetup.exe [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"] "
    L"[/n:\"name\"] [/u:\"name\"] [/r:\"program\"] [/silent]\r\n\r\n"
    L"/a                  \tAutomatic mode.\r\n/d:\"dir\"        \tOverride installation path.\r\n"
    L"/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
    L"/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
    L"/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
    L"/n:\"name\"\tOverride product name.\r\n/u:\"name\"\tUninstall product by name.\r\n"
    L"/r:\"program\"\tRun the specified program after a successful installation.\r\n"
    L"/silent\tDisplay no user interface.";

struct BoxSeen {
  std::wstring title;
  std::wstring text;
  DWORD exit_code = 0;
};

// Runs setup.exe, waits for its error box, reads and dismisses it, and
// collects the exit code.
BoxSeen RunExpectingBox(const std::wstring& arguments, const wchar_t* screenshot = nullptr,
                        const std::wstring& program = testkit::SetupExe()) {
  BoxSeen seen;
  Process process = Process::Start(program, arguments);
  EXPECT_TRUE(process.started()) << "error " << process.error();
  if (!process.started()) return seen;
  // An installer may show a window of its own (the background) before the
  // box; a box is read once its title and text are in place.
  HWND box = nullptr;
  testkit::WaitUntil([&] {
    for (HWND found : testkit::TopLevelWindows(process.id(), {testkit::kDialogClass, L""})) {
      if (testkit::IsMessageBox(found) && !testkit::WindowTitle(found).empty() &&
          !testkit::MessageBoxText(found).empty()) {
        box = found;
      }
    }
    return box != nullptr || !process.Running();
  });
  EXPECT_NE(box, nullptr) << testkit::DescribeWindows(process.id());
  if (!box) return seen;
  seen.title = testkit::WindowTitle(box);
  seen.text = testkit::MessageBoxText(box);
  if (screenshot) {
    EXPECT_TRUE(testkit::Screenshot(screenshot));
  }
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  EXPECT_TRUE(process.WaitForExit());
  seen.exit_code = process.ExitCode();
  return seen;
}

// Runs setup.exe where it must show nothing at all.
DWORD RunExpectingNoWindow(const std::wstring& arguments) {
  Process process = Process::Start(testkit::SetupExe(), arguments);
  EXPECT_TRUE(process.started());
  const bool ended = process.WaitForExit();
  EXPECT_TRUE(ended) << "still running; windows: " << testkit::DescribeWindows(process.id());
  return process.ExitCode();
}

TEST(Entry, WithoutPackageShowsNoInstallationData) {
  const BoxSeen seen = RunExpectingBox(L"", L"entry-no-installation-data");
  EXPECT_EQ(seen.title, L"Error");
  EXPECT_EQ(seen.text, kNoInstallationData);
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST(Entry, AutomaticModeStillReportsMissingPackage) {
  const BoxSeen seen = RunExpectingBox(L"/a");
  EXPECT_EQ(seen.text, kNoInstallationData);
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST(Entry, SilentShowsNothingAndExitsWithOne) {
  EXPECT_EQ(RunExpectingNoWindow(L"/silent"), 1u);
  EXPECT_EQ(RunExpectingNoWindow(L"/silent /x"), 1u);
  EXPECT_EQ(RunExpectingNoWindow(L"-SILENT install"), 1u);
}

TEST(Entry, UnexpectedParameterShowsUsage) {
  const BoxSeen seen = RunExpectingBox(L"install", L"entry-usage-error");
  EXPECT_EQ(seen.title, L"Error");
  EXPECT_EQ(seen.text, std::wstring(L"Unexpected command line parameter:\r\ninstall") + kUsageTail);
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST(Entry, IllegalAtomShowsUsage) {
  const BoxSeen seen = RunExpectingBox(L"/a /x");
  EXPECT_EQ(seen.text, std::wstring(L"Illegal command line atom:\r\nx") + kUsageTail);
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST(Entry, UninstallWithoutNameNeedsProductName) {
  const BoxSeen seen = RunExpectingBox(L"/u");
  EXPECT_EQ(seen.text, L"Product name required");
  EXPECT_EQ(seen.exit_code, 1u);
}

TEST(Entry, UninstallOfUnknownProductSaysSoAndExitsWithZero) {
  const std::wstring name = testkit::UniqueName(L"NoSuchProduct");
  const BoxSeen seen = RunExpectingBox(L"/u:\"" + name + L"\"");
  EXPECT_EQ(seen.text, L"No product named '" + name + L"' is installed.");
  EXPECT_EQ(seen.exit_code, 0u);
  // Silent uninstall of the same: nothing shown, still exit code 0.
  EXPECT_EQ(RunExpectingNoWindow(L"/silent /u:\"" + name + L"\""), 0u);
}

// Lines a user or a script can get wrong, at their worst: each ends with its
// message and exit code 1, never with a crash or a silent end.
TEST(Entry, MalformedCommandLinesEndWithTheirMessage) {
  const std::wstring long_text(30000, L'x');
  const struct {
    std::wstring arguments;
    std::wstring text;
  } cases[] = {
      {L"/d:\"C:\\" + long_text, kNoInstallationData},  // unbalanced quote, very long folder
      {L"/" + long_text, L"Illegal command line atom:\r\n" + long_text + kUsageTail},
      {L"/u:\"\"", L"Product name required"},
      {L"/a \"", std::wstring(L"Unexpected command line parameter:\r\n\"") + kUsageTail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments.size() << " characters");
    const BoxSeen seen = RunExpectingBox(c.arguments);
    EXPECT_TRUE(seen.text == c.text) << "shown: " << seen.text.substr(0, 200).c_str();
    EXPECT_EQ(seen.exit_code, 1u);
  }
}

TEST(Entry, AtomsAfterTheNineteenthAreIgnored) {
  std::wstring arguments;
  for (int i = 0; i < 19; ++i) arguments += L" /a";
  // A malformed 20th atom is never looked at: the run goes on to the package.
  const BoxSeen seen = RunExpectingBox(arguments + L" /this-is-ignored also-ignored");
  EXPECT_EQ(seen.text, kNoInstallationData);
  EXPECT_EQ(seen.exit_code, 1u);
}

// A product that allows one installer at a time: while another holds the
// name, the run stops with message 91 as an error and exit code 1; once it is
// free, the same installer runs to its end.
TEST(Entry, SingleInstanceRefusesWhileAnotherInstallerRuns) {
  Product product = e2e::TestProduct(L"Single");
  product.settings.SetFlag(product_flag::kSingleInstance, true);
  product.settings.SetFlag(product_flag::kErrorBoxesWhenAutomatic, true);
  product.languages[0].messages[91] = String(u"<product> is being installed already.");
  const std::wstring installer = e2e::BuildInstallerFile(product);
  ASSERT_FALSE(installer.empty());
  const std::wstring folder = e2e::TestFolder() + L"\\App";

  HANDLE other = CreateMutexW(nullptr, TRUE, L"Bastionix VBS");
  ASSERT_NE(other, nullptr);
  const BoxSeen seen = RunExpectingBox(L"/a /d:\"" + folder + L"\"", nullptr, installer);
  ReleaseMutex(other);
  CloseHandle(other);
  EXPECT_EQ(seen.text, e2e::Wide(product.settings.DisplayName) + L" is being installed already.");
  EXPECT_EQ(seen.title, L"Error");
  EXPECT_EQ(seen.exit_code, 1u);
  EXPECT_FALSE(e2e::Exists(folder + L"\\Install.log"));

  // Another installer's name that this one may not even open stops it too.
  SECURITY_ATTRIBUTES denied = {sizeof denied, nullptr, FALSE};
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                                   &denied.lpSecurityDescriptor, nullptr));
  other = CreateMutexW(&denied, FALSE, L"Bastionix VBS");
  ASSERT_NE(other, nullptr);
  const BoxSeen kept_out = RunExpectingBox(L"/a /d:\"" + folder + L"\"", nullptr, installer);
  CloseHandle(other);
  LocalFree(denied.lpSecurityDescriptor);
  EXPECT_EQ(kept_out.text, seen.text);
  EXPECT_EQ(kept_out.exit_code, 1u);

  EXPECT_EQ(e2e::RunToEnd(installer, L"/silent /d:\"" + folder + L"\""), 1u);
  EXPECT_TRUE(e2e::Exists(folder + L"\\Install.log"));
  const String& key = product.settings.UninstallKeyName.empty() ? product.settings.DisplayName
                                                                 : product.settings.UninstallKeyName;
  RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                 (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::Wide(key)).c_str());
}

}  // namespace
