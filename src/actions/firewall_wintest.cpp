#include <windows.h>
#include <objbase.h>

#include "actions/firewall.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file.h"
#include "core/scratch_folder_wintest.h"
#include "records/journal.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"
#include "records/working_log_wintest.h"
#include "testkit/files.h"

namespace {

class Firewall : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ClearUninstallRecords(journal_.records);
    ASSERT_TRUE(StartWorkingLog(journal_.log));
  }
  void TearDown() override {
    EndWorkingLog(journal_.log);
    ClearUninstallRecords(journal_.records);
    CoUninitialize();
  }
  std::string Log() { return WorkingLogText(journal_.log, folder_ / L"log.txt"); }
  ScratchFolder folder_;
};

// Each line gives its own log lines, whatever the firewall service answers;
// only lines added without error and not kept are recorded.
TEST_F(Firewall, EachLineIsLoggedAndOnlyAddedOnesAreRecorded) {
  PutFile(folder_ / L"server.exe", "MZ");
  const String list(
      u"8080;Bx Web;3;0\r\n"
      u"server.exe;Bx Server;0;1\r\n"
      u"missing.exe;;0;0\r\n");
  ApplyFirewallList(journal_, list, String(U16(folder_.path())), String(u"Bx Product"));
  const std::string log = Log();
  const std::string records = Text(journal_.records.firewall);
  if (log.find("Failed to connect to the firewall service: code ") != std::string::npos) {
    EXPECT_EQ(records, "");
    return;
  }
  const bool tcp = log.find("Added firewall exception: TCP port 8080\r\n") != std::string::npos;
  const bool udp = log.find("Added firewall exception: UDP port 8080\r\n") != std::string::npos;
  EXPECT_TRUE(tcp || log.find("Failed to open firewall port 8080, code ") != std::string::npos) << log;
  EXPECT_TRUE(udp || log.find("Failed to open firewall port 8080, code ") != std::string::npos) << log;
  EXPECT_NE(log.find("server.exe"), std::string::npos) << log;
  EXPECT_NE(log.find("missing.exe\": file does not exist\r\n"), std::string::npos) << log;
  EXPECT_EQ(records, tcp && udp ? "8080;Bx Web;3;0\r\n" : "") << log;
}

}  // namespace
