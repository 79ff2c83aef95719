#include <windows.h>

#include "actions/components.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/scratch_folder_wintest.h"
#include "core/system_folders.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"
#include "records/working_log_wintest.h"
#include "testkit/files.h"
#include "testkit/paths.h"

namespace {

constexpr char16_t kMarks[] = u"Software\\Bastionix Test COM Server";

uint32_t Calls(const wchar_t* dll_name) {
  RegistryKey key;
  uint32_t count = 0;
  if (key.Open(RegRoot::kCurrentUser, kMarks, kRegOpenOnly | kRegNoStack, kRegReadAccess, RegView::kDefault) !=
      RegistryKey::kFailed) {
    key.ReadNumber(U16(dll_name), &count, 0);
  }
  return count;
}

class Components : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
    ASSERT_TRUE(StartWorkingLog(journal_.log));
    ClearMarks();
  }
  void TearDown() override {
    EndWorkingLog(journal_.log);
    ClearMarks();
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
  }
  static void ClearMarks() {
    RegistryKey key;
    if (key.Open(RegRoot::kCurrentUser, u"Software", kRegNoStack, kRegWriteAccess, RegView::kDefault)) {
      key.DeleteKey(u"Bastionix Test COM Server", 0);
    }
  }
  // The test server copied under a name that chooses its behaviour.
  String Server(const wchar_t* name) {
    const std::wstring path = folder_ / name;
    EXPECT_TRUE(CopyFileW(testkit::BuildPath(L"tests/components/test_com_server.dll").c_str(), path.c_str(), FALSE));
    return String(U16(path));
  }
  std::string Log() { return WorkingLogText(journal_.log, folder_ / L"log.txt"); }

  ScratchFolder folder_;
};

TEST_F(Components, ComServersThroughRegsvr32AndTheirOwnEntry) {
  Array<String> servers;
  servers.Add(Server(L"good.dll"));
  servers.Add(Server(L"refuse.dll"));  // regsvr32 reports failure; its own entry is then called
  const std::wstring text = folder_ / L"not-a-dll.dll";
  PutFile(text, "just text");
  servers.Add(String(U16(text)));
  RegisterComServers(servers, ComponentProgress{Progress(), String(), &journal_});

  EXPECT_EQ(Calls(L"good.dll"), 1u);
  EXPECT_EQ(Calls(L"refuse.dll"), 2u);
  const std::string log = Log();
  EXPECT_NE(log.find("good.dll\"...OK\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("refuse.dll\"...OK\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("not-a-dll.dll\"...FAILED, code "), std::string::npos) << log;
  EXPECT_NE(log.find("Registering COM File \""), std::string::npos) << log;
  EXPECT_EQ(Text(journal_.failures.text), "");  // COM failures go to the log only
}

TEST_F(Components, TypeLibraries) {
  Array<String> libraries;
  libraries.Add(JoinPath(FolderPath(FolderSource::kSystem), u"stdole2.tlb"));
  const std::wstring text = folder_ / L"broken.tlb";
  PutFile(text, "not a type library");
  libraries.Add(String(U16(text)));
  RegisterTypeLibraries(libraries, ComponentProgress{Progress(), String(), &journal_});
  const std::string log = Log();
  EXPECT_NE(log.find("stdole2.tlb\"...OK\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("broken.tlb\"...FAILED\r\n"), std::string::npos) << log;
}

TEST_F(Components, MsiPackageThatCannotBeOpenedFailsWithItsCode) {
  MsiRequest request;
  const std::wstring bad = folder_ / L"broken.msi";
  PutFile(bad, "not an MSI package");
  request.path = String(U16(bad));
  request.option = 2;
  request.remember = true;
  const uint32_t result = InstallMsiPackage(request, ComponentProgress{Progress(), String(), &journal_});
  EXPECT_NE(result, 0u);
  const std::string expected = "broken.msi\"...FAILED code " + std::to_string(result) + ": ";
  EXPECT_NE(Log().find(expected), std::string::npos) << Log();
  EXPECT_NE(Text(journal_.failures.text).find("Installing MSI package \""), std::string::npos);
  EXPECT_EQ(Text(journal_.records.msi), "");
}

// The applet's keys, fixed by its class id: removed before the test as well,
// since a key left by a stopped run would be recorded as one that was there.
void DeleteAppletKeys() {
  DeleteKeyPath(u"\\HKLM\\Software\\Classes\\CLSID\\{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}", 0, RegView::k64);
  DeleteKeyPath(u"\\HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\"
                u"{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}",
                0, RegView::k64);
}

TEST_F(Components, ControlPanelAppletKeysAreWrittenAndRecorded) {
  DeleteAppletKeys();
  ControlPanelRequest request;
  request.path = String(u"C:\\Bx\\applet.exe");
  request.display_name = String(u"Bx Applet");
  request.class_id = String(u"{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}");
  request.arguments = String(u"/panel");
  ASSERT_TRUE(RegisterControlPanelApplet(request, ComponentProgress{Progress(), String(), &journal_}));
  EXPECT_EQ(Text(ReadText(RegRoot::kLocalMachine, u"Software\\Classes\\CLSID\\{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}\\Shell\\Open\\Command\\",
                          u"", 0, RegView::k64)),
            Text(String(u"\"C:\\Bx\\applet.exe\" /panel")));
  const std::string records = Text(journal_.records.records);
  EXPECT_NE(records.find("*\\HKLM\\Software\\Classes\\CLSID\\{6A2C1F00-0000-4B1D-9A6E-B0B0B0B0B0B1}\r\n"),
            std::string::npos)
      << records;
  EXPECT_NE(records.find("*\\HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\{"),
            std::string::npos)
      << records;
  EXPECT_NE(Log().find("Registering control panel applet \"Bx Applet\"...OK\r\n"), std::string::npos) << Log();
  DeleteAppletKeys();
}

}  // namespace

namespace {

TEST_F(Components, InfDriverGoesToTheDriverStoreAndIsRecorded) {
  const std::wstring inf = folder_ / L"bxtest.inf";
  PutFile(inf,
          "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=System\r\n"
          "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}\r\nProvider=Bastionix\r\nDriverVer=01/01/2024,1.0\r\n");
  Array<String> infs;
  infs.Add(String(U16(inf)));
  InstallInfDrivers(infs, ComponentProgress{Progress(), String(), &journal_});
  const std::string log = Log();
  const std::string recorded = Text(journal_.records.inf);
  const size_t at = log.find("OK\r\nFinal driver location: ");
  if (at == std::string::npos) {
    EXPECT_NE(log.find("bxtest.inf\"...FAILED!  Code 0x"), std::string::npos) << log;
    EXPECT_EQ(recorded, "");
    return;
  }
  EXPECT_NE(log.find("Installing driver \""), std::string::npos) << log;
  const std::string final_path = log.substr(at + 27, log.find("\r\n", at + 27) - at - 27);
  EXPECT_EQ(recorded, final_path + "\r\n");
  DeleteFileA(final_path.c_str());
}

// A server whose own registration faults (through regsvr32 and then in this
// process) is one failed item under the crash guard: the log says so on its
// line, the failure summary names it, and the next server is registered.
TEST_F(Components, ComServerThatCrashesIsLoggedAndTheNextOneRegistered) {
  Array<String> servers;
  servers.Add(Server(L"crash.dll"));
  servers.Add(Server(L"good.dll"));
  RegisterComServers(servers, ComponentProgress{Progress(), String(), &journal_});

  EXPECT_GE(Calls(L"crash.dll"), 1u);
  EXPECT_EQ(Calls(L"good.dll"), 1u);
  const std::string log = Log();
  EXPECT_NE(log.find("crash.dll\"...CRASHED!\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("good.dll\"...OK\r\n"), std::string::npos) << log;
  EXPECT_EQ(Text(journal_.failures.text), "Crashed while registering COM file crash.dll\r\n");
}

}  // namespace
