// The installer's notifications from end to end: the launch address reaches a
// loopback listener with "%version%" replaced, and the installer lets its own
// program through the firewall before the request and takes it out again at
// its exit. Wine's firewall keeps no list, but it traces each call it gets, so
// the installer runs from a Unix shell that keeps that trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/format.h"
#include "e2e/installer_win.h"
#include "net/loopback_listener_wintest.h"
#include "testkit/testkit.h"

namespace {

std::wstring TracePath() { return e2e::TestFolder() + L"\\trace.txt"; }

// Starts `program /silent /d:"folder"` under Wine with the firewall's trace
// on; its error output lands in TracePath() once it has ended.
// (The scratch folders are ASCII.)
bool StartWithFirewallTrace(const std::wstring& program, const std::wstring& folder) {
  const std::string trace = testkit::UnixPath(TracePath());
  const std::string script = "WINEDEBUG=fixme+hnetcfg wine " + testkit::ShellQuoted(testkit::UnixPath(program)) +
                             " /silent " + testkit::ShellQuoted("/d:" + std::string(folder.begin(), folder.end())) + " 2>" +
                             testkit::ShellQuoted(trace + ".part") + "; mv " + testkit::ShellQuoted(trace + ".part") + " " +
                             testkit::ShellQuoted(trace);
  return testkit::StartUnixShell(script);
}

// The trace of the run, empty when it did not end in time.
std::string WaitForTrace() {
  const std::wstring trace = TracePath();
  if (!testkit::WaitUntil([&] { return GetFileAttributesW(trace.c_str()) != INVALID_FILE_ATTRIBUTES; })) {
    return std::string();
  }
  return e2e::ReadBytes(trace);
}

// Each test's product, of its own version, with one notification address
// that points at the test's loopback listener.
class Notifications : public testing::Test {
 protected:
  // The installer of that product; `path` keeps "%version%" for the
  // installer to fill in. Empty, with the test failed, when it cannot be made.
  std::wstring BuildInstaller(const wchar_t* stem, const char16_t* version, String ProductSettings::*address,
                              const char16_t* path) {
    if (listener_.port() == 0) {
      ADD_FAILURE() << "the listener did not start";
      return std::wstring();
    }
    product_ = e2e::TestProduct(stem);
    product_.settings.DisplayVersion = String(version);
    product_.settings.*address = FormatW(u"http://127.0.0.1:%d%s", listener_.port(), path);
    return e2e::BuildInstallerFile(product_);
  }

  Listener listener_;
  Product product_;
};

TEST_F(Notifications, LaunchAddressIsRequestedThroughTheInstallersOwnFirewallEntry) {
  if (!testkit::RunningUnderWine()) GTEST_SKIP() << "reads Wine's firewall trace";
  const std::wstring installer =
      BuildInstaller(L"Notify", u"2.5", &ProductSettings::LaunchNotifyURL, u"/launch?v=%version%&n=1");
  ASSERT_FALSE(installer.empty());

  ASSERT_TRUE(StartWithFirewallTrace(installer, e2e::TestFolder() + L"\\App"));
  const std::string request = listener_.AcceptOneRequest(testkit::kHangTimeoutMs);
  const std::string trace = WaitForTrace();
  EXPECT_EQ(request.rfind("GET /launch?v=2.5&n=1 HTTP/1.1\r\n", 0), 0u) << request;
  ASSERT_FALSE(trace.empty()) << "the installer did not end";

  const size_t named = trace.find("fw_app_put_Name");
  const size_t added = trace.find("fw_apps_Add");
  const size_t removed = trace.find("fw_apps_Remove");
  ASSERT_NE(named, std::string::npos) << trace;
  EXPECT_NE(trace.find("L\"Bastionix Setup Installer\"", named), std::string::npos) << trace;
  EXPECT_NE(trace.find("setup-test.exe", trace.find("fw_app_put_ProcessImageFileName")), std::string::npos) << trace;
  ASSERT_NE(added, std::string::npos) << trace;
  ASSERT_NE(removed, std::string::npos) << trace;
  EXPECT_LT(added, removed);
  EXPECT_NE(trace.find("setup-test.exe", removed), std::string::npos) << trace;
}

// After a successful removal the uninstaller requests the product's
// uninstall address, with the version it was installed with.
TEST_F(Notifications, SuccessfulUninstallRequestsTheUninstallAddress) {
  const std::wstring installer = BuildInstaller(L"NotifyBye", u"3.1", &ProductSettings::NotifyURL, u"/bye?v=%version%");
  ASSERT_FALSE(installer.empty());
  const std::wstring folder = e2e::TestFolder() + L"\\App";
  testkit::Process install = testkit::Process::Start(installer, L"/silent /d:\"" + folder + L"\"");
  ASSERT_TRUE(install.WaitForExit()) << testkit::DescribeWindows(install.id());
  ASSERT_TRUE(testkit::FileExists(folder + L"\\uninstall.exe"));

  const std::wstring name = e2e::Wide(product_.settings.DisplayName);
  testkit::Process uninstall = testkit::Process::Start(folder + L"\\uninstall.exe", L"/a /u:\"" + name + L"\"");
  const std::string request = listener_.AcceptOneRequest(testkit::kHangTimeoutMs);
  ASSERT_TRUE(uninstall.WaitForExit()) << testkit::DescribeWindows(uninstall.id());
  EXPECT_EQ(uninstall.ExitCode(), 0u);
  EXPECT_EQ(request.rfind("GET /bye?v=3.1 HTTP/1.1\r\n", 0), 0u) << request;
}

}  // namespace
