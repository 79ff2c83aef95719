#include <windows.h>

#include "actions/system_path.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file.h"
#include "core/registry_win.h"
#include "core/scratch_folder_wintest.h"
#include "records/journal.h"
#include "records/working_log.h"
#include "records/working_log_wintest.h"
#include "testkit/files.h"

namespace {

constexpr char16_t kEnvironment[] = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

bool ReadPath(RegValue* value) {
  RegistryKey key;
  return key.Open(RegRoot::kLocalMachine, kEnvironment, kRegOpenOnly | kRegNoStack, kRegReadAccess,
                  RegView::kDefault) != RegistryKey::kFailed &&
         key.ReadValue(u"Path", value, 0);
}

bool WritePath(const RegValue& value) {
  RegistryKey key;
  return key.Open(RegRoot::kLocalMachine, kEnvironment, kRegOpenOnly | kRegNoStack, kRegWriteAccess,
                  RegView::kDefault) != RegistryKey::kFailed &&
         key.WriteValue(u"Path", value.type, value.data.c_str(), RegWriteSize(value.type, value.data.length()), 0);
}

std::u16string Text16(const String& s) { return std::u16string(s.w_str(), s.wlength()); }

class SystemPath : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    ASSERT_TRUE(ReadPath(&saved_));
    ASSERT_TRUE(StartWorkingLog(journal_.log));
  }
  void TearDown() override {
    EndWorkingLog(journal_.log);
    EXPECT_TRUE(WritePath(saved_));
  }
  std::string Log() { return WorkingLogText(journal_.log, folder_ / L"log.txt"); }

  RegValue saved_;
  ScratchFolder folder_;
};

// A PATH far longer than 2,048 characters keeps every entry through an
// addition and a removal, and stays REG_EXPAND_SZ.
TEST_F(SystemPath, LongPathKeepsEveryEntryAndItsType) {
  RegValue long_path;
  long_path.type = kRegExpandSz;
  for (int i = 0; i < 120; ++i) {
    long_path.data.AppendW(u"%SystemRoot%\\Long Folder Name Number ");
    for (char c : std::to_string(i)) long_path.data.AppendW(static_cast<char16_t>(c));
    long_path.data.AppendW(u';');
  }
  long_path.data.AppendW(u"C:\\last");
  ASSERT_GT(long_path.data.wlength(), 4000);
  ASSERT_TRUE(WritePath(long_path));

  std::wstring app = folder_ / L"App";
  CreateDirectoryW(app.c_str(), nullptr);
  CreateDirectoryW((app + L"\\bin").c_str(), nullptr);
  AddInstallFolderToPath(journal_, String(U16(app)), String(u"bin\\"));
  RegValue after;
  ASSERT_TRUE(ReadPath(&after));
  EXPECT_EQ(after.type, static_cast<uint32_t>(kRegExpandSz));
  EXPECT_EQ(Text16(after.data), Text16(long_path.data) + u";" + std::u16string(U16(app + L"\\bin")));

  AddInstallFolderToPath(journal_, String(U16(app)), String(u"bin"));  // already there: unchanged
  RegValue again;
  ASSERT_TRUE(ReadPath(&again));
  EXPECT_EQ(Text16(again.data), Text16(after.data));

  EXPECT_EQ(Text16(ChangeSystemPath(false, String(U16(app + L"\\bin")))), u"");
  RegValue removed;
  ASSERT_TRUE(ReadPath(&removed));
  EXPECT_EQ(Text16(removed.data), Text16(long_path.data));
  EXPECT_EQ(removed.type, static_cast<uint32_t>(kRegExpandSz));
}

TEST_F(SystemPath, MissingFolderIsLoggedAndNotAdded) {
  AddInstallFolderToPath(journal_, String(U16(folder_ / L"App")), String(u"missing"));
  RegValue after;
  ASSERT_TRUE(ReadPath(&after));
  EXPECT_EQ(Text16(after.data), Text16(saved_.data));
  const std::string log = Log();
  EXPECT_NE(log.find("Couldn't add \""), std::string::npos) << log;
  EXPECT_NE(log.find("\\App\\missing\" to the PATH because it does not exist.\r\n"), std::string::npos) << log;
}

}  // namespace
