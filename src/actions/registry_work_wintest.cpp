#include <windows.h>

#include "actions/registry_work.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "actions/association_undo.h"
#include "core/registry_win.h"
#include "core/scratch_folder_wintest.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"
#include "records/working_log_wintest.h"
#include "core/file.h"
#include "testkit/files.h"

namespace {

constexpr char16_t kKey[] = u"Software\\Bastionix Actions Test";

std::u16string Read(RegRoot root, const std::u16string& subkey, const char16_t* name, uint32_t* type = nullptr) {
  RegistryKey key;
  if (key.Open(root, subkey.c_str(), kRegOpenOnly | kRegNoStack, kRegReadAccess, RegView::kDefault) ==
      RegistryKey::kFailed) {
    return u"<no key>";
  }
  RegValue value;
  if (!key.ReadValue(name, &value, 0)) return u"<no value>";
  if (type) *type = value.type;
  if (value.type == kRegSz || value.type == kRegExpandSz) return std::u16string(value.data.w_str(), value.data.wlength());
  std::u16string hex;
  for (int32_t i = 0; i < value.data.length(); ++i) {
    const char16_t digits[] = u"0123456789abcdef";
    hex += digits[value.data.bytes()[i] >> 4];
    hex += digits[value.data.bytes()[i] & 15];
  }
  return hex;
}

void DeleteTree(RegRoot root, const char16_t* subkey) {
  RegistryKey key;
  if (key.Open(root, u"", kRegNoStack, kRegWriteAccess, RegView::kDefault) != RegistryKey::kFailed) {
    key.DeleteKey(subkey, 0);
  }
}

void SetDefault(const char16_t* subkey, const char16_t* text) {
  RegistryKey key;
  ASSERT_NE(key.Open(RegRoot::kClassesRoot, subkey, kRegNoStack, kRegWriteAccess, RegView::kDefault),
            RegistryKey::kFailed);
  ASSERT_TRUE(key.WriteText(u"", text, 0));
}

class RegistryWork : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
    ASSERT_TRUE(StartWorkingLog(journal_.log));
    Cleanup();
  }
  void TearDown() override {
    EndWorkingLog(journal_.log);
    Cleanup();
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
  }
  static void Cleanup() {
    DeleteTree(RegRoot::kCurrentUser, kKey);
    DeleteTree(RegRoot::kLocalMachine, kKey);
    Array<String> hives;
    UserHives(&hives);
    for (int32_t i = 0; i < hives.Count(); ++i) {
      DeleteTree(RegRoot::kUsers, UserHiveSubkey(hives[i].w_str(), kKey).w_str());
    }
    for (const char16_t* k : {u".bxtest1", u".bxtest2", u".bxtest3", u"BxExisting.Type", u"Bx.Doc2", u"Old.Type",
                              u".bxtest4", u"Bx.Doc4"}) {
      DeleteTree(RegRoot::kClassesRoot, k);
    }
  }
  std::string Log() { return WorkingLogText(journal_.log, folder_ / L"log.txt"); }
  std::string Failures() { return Text(journal_.failures.text); }

  ScratchFolder folder_;
};

TEST_F(RegistryWork, EntriesOfEveryTypeAndAction) {
  {
    RegistryKey key;
    ASSERT_NE(key.Open(RegRoot::kCurrentUser, kKey, kRegNoStack, kRegWriteAccess, RegView::kDefault),
              RegistryKey::kFailed);
    ASSERT_TRUE(key.WriteText(u"Kept", u"old", 0));
    ASSERT_TRUE(key.WriteText(u"Gone", u"old", 0));
  }
  const String entries(
      u"HKCU\\Software\\Bastionix Actions Test\\Empty\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Text,1,%SystemRoot%\\x,1\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Expand,2,%SystemRoot%\\x,3\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Bytes,3,01 ab FF,1\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Number,4,258,1\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Big,11,4294967296,1\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Kept,1,new,6\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Fresh,1,new,6\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Gone,1,new,5\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,Untouched,1,new,2\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,BadNumber,4,12x,1\r\n"
      u"HKCU\\Software\\Bastionix Actions Test,too,few\r\n"
      u"\\HKAU\\Software\\Bastionix Actions Test,Everyone,1,yes,1\r\n");
  ApplyRegistryEntries(journal_, entries, RegView::kDefault);

  const std::u16string key(kKey);
  wchar_t root[MAX_PATH];
  GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
  uint32_t type = 0;
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Text", &type), std::u16string(U16(root)) + u"\\x");
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Expand", &type), u"%SystemRoot%\\x");
  EXPECT_EQ(type, kRegExpandSz);
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Bytes", &type), u"01abff");
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Number", &type), u"02010000");
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Big", &type), u"0000000001000000");
  EXPECT_EQ(type, kRegQword);
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Kept"), u"old");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Fresh"), u"new");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Gone"), u"<no value>");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Untouched"), u"<no value>");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"BadNumber"), u"<no value>");
  EXPECT_TRUE(KeyExists(RegRoot::kCurrentUser, (key + u"\\Empty").c_str(), kRegReadOnly, RegView::kDefault));

  Array<String> hives;
  ASSERT_TRUE(UserHives(&hives));
  int written = 0;
  for (int32_t i = 0; i < hives.Count(); ++i) {
    const String subkey = UserHiveSubkey(hives[i].w_str(), kKey);
    if (Read(RegRoot::kUsers, std::u16string(subkey.w_str()), u"Everyone") == u"yes") ++written;
  }
  EXPECT_GE(written, 1);
  EXPECT_EQ(Read(RegRoot::kCurrentUser, key, u"Everyone"), u"yes");  // the current user is one of them

  const std::string failures = Failures();
  EXPECT_NE(failures.find("Failed to create registry value \"BadNumber\": "), std::string::npos) << failures;
  EXPECT_NE(failures.find("Illegal registry entry: HKCU\\Software\\Bastionix Actions Test,too,few\r\n"),
            std::string::npos)
      << failures;
  EXPECT_EQ(journal_.failures.count, 2);
}

TEST_F(RegistryWork, ProductKeyInEveryUserAndTheMachine) {
  CreateProductKey(journal_, String(u"Bastionix Actions Test"), RegView::kDefault);
  EXPECT_TRUE(KeyExists(RegRoot::kLocalMachine, kKey, kRegReadOnly, RegView::kDefault));
  EXPECT_TRUE(KeyExists(RegRoot::kCurrentUser, kKey, kRegReadOnly, RegView::kDefault));
  EXPECT_EQ(Failures(), "");
}

RegistryWorkInputs AssociationInputs() {
  RegistryWorkInputs inputs;
  inputs.product_name = String(u"Bx\\Product\t");
  inputs.install_folder = String(u"C:\\Bx");
  return inputs;
}

FileAssociation MakeAssociation(const char16_t* ext, const char16_t* prog_id, uint8_t mode) {
  FileAssociation a;
  a.mode = mode;
  a.extension = String(ext);
  a.prog_id = String(prog_id);
  a.description = String(u"Bx Document");
  a.verb = String(u"open");
  a.verb_label = String(u"&Open with Bx");
  a.command = String(u"\"C:\\Bx\\bx.exe\" \"%1\"");
  return a;
}

TEST_F(RegistryWork, AssociationsNewExistingAndMissing) {
  SetDefault(u".bxtest1", u"BxExisting.Type");
  SetDefault(u".bxtest2", u"Old.Type");
  RegistryWorkInputs inputs = AssociationInputs();
  inputs.journal = &journal_;
  inputs.associations.Add(MakeAssociation(u".bxtest1", u"!", 0));
  inputs.associations.Add(MakeAssociation(u".bxtest2", u"Bx.Doc2", 1));
  inputs.associations.Add(MakeAssociation(u".bxtest3", u"", 0));
  inputs.associations[1].icon = String(u"doc.ico");
  ApplyAssociations(inputs);
  ApplyAssociations(inputs);  // a second run keeps the first backup

  // "!": the registered type gets the verb; the extension is left alone.
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u".bxtest1", u""), u"BxExisting.Type");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"BxExisting.Type\\shell\\open\\command", u""), u"\"C:\\Bx\\bx.exe\" \"%1\"");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"BxExisting.Type", u""), u"<no value>");  // no description on it
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u".bxtest1\\OpenWithProgids", u"BxExisting.Type"), u"");

  // A new type: the old default kept under the backup name, once.
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u".bxtest2", u""), u"Bx.Doc2");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u".bxtest2", u"BxProduct Backup"), u"Old.Type");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Bx.Doc2", u""), u"Bx Document");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Bx.Doc2\\DefaultIcon", u""), u"C:\\Bx\\doc.ico");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Bx.Doc2\\shell", u""), u"open");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Bx.Doc2\\shell\\open", u""), u"&Open with Bx");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Bx.Doc2\\shell\\open\\command", u"BxProduct Backup"), u"<no value>");

  EXPECT_FALSE(KeyExists(RegRoot::kClassesRoot, u".bxtest3", kRegReadOnly, RegView::kDefault));

  const std::string log = Log();
  EXPECT_NE(log.find(".bxtest1 Open With \"C:\\Bx\\bx.exe\" \"%1\"\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Associated .bxtest2 with \"C:\\Bx\\bx.exe\" \"%1\"\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Associated .bxtest1"), std::string::npos) << log;
  EXPECT_NE(log.find("Association failed/key inaccessible:  \".bxtest3\".\r\n\r\n"), std::string::npos) << log;
  EXPECT_EQ(Failures(), "");
  const std::string records = Text(journal_.records.associations);
  EXPECT_NE(records.find(".bxtest1~!~BxExisting.Type~!~open~!~\r\n"), std::string::npos) << records;
  EXPECT_NE(records.find(".bxtest2~!~Bx.Doc2~!~open~!~C:\\Bx\\doc.ico\r\n"), std::string::npos) << records;
}

// Uninstall takes away what the install added, and only the keys it created.
TEST_F(RegistryWork, AssociationUndoKeepsKeysThatWereThereBefore) {
  SetDefault(u"Old.Type", u"Old Document");  // a named type the product takes over
  RegistryWorkInputs inputs = AssociationInputs();
  inputs.journal = &journal_;
  inputs.associations.Add(MakeAssociation(u".bxtest2", u"Old.Type", 0));
  inputs.associations.Add(MakeAssociation(u".bxtest4", u"Bx.Doc4", 1));
  ApplyAssociations(inputs);
  ASSERT_EQ(Read(RegRoot::kClassesRoot, u"Old.Type", u""), u"Bx Document");
  for (const auto& [extension, type] : {std::pair{u".bxtest2", u"Old.Type"}, std::pair{u".bxtest4", u"Bx.Doc4"}}) {
    UndoAssociation({String(extension), String(type), String(u"open"), String()}, inputs.product_name,
                    RegView::kDefault);
  }

  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Old.Type", u""), u"Old Document");
  EXPECT_EQ(Read(RegRoot::kClassesRoot, u"Old.Type", u"BxProduct Backup"), u"<no value>");
  EXPECT_FALSE(KeyExists(RegRoot::kClassesRoot, u"Old.Type\\shell", kRegReadOnly, RegView::kDefault));
  EXPECT_FALSE(KeyExists(RegRoot::kClassesRoot, u"Bx.Doc4", kRegReadOnly, RegView::kDefault));
  EXPECT_FALSE(KeyExists(RegRoot::kClassesRoot, u".bxtest4", kRegReadOnly, RegView::kDefault));
}

// A second undo, after a first one that already ran, leaves the user's
// extension and type exactly as they were; an install without the mark (an
// older version) still loses the type it made, and only that one.
TEST_F(RegistryWork, AssociationUndoIsSafeToRepeatWithOrWithoutTheMark) {
  for (const bool older : {false, true}) {
    SetDefault(u".bxtest1", u"BxExisting.Type");
    SetDefault(u"BxExisting.Type\\shell\\open\\command", u"notepad.exe \"%1\"");
    RegistryWorkInputs inputs = AssociationInputs();
    inputs.journal = &journal_;
    inputs.associations.Add(MakeAssociation(u".bxtest1", u"!", 0));
    inputs.associations.Add(MakeAssociation(u".bxtest4", u"Bx.Doc4", 1));
    ApplyAssociations(inputs);
    for (const char16_t* type : {u"BxExisting.Type", u"Bx.Doc4"}) {
      RegistryKey key;
      ASSERT_NE(key.Open(RegRoot::kClassesRoot, type, kRegOpenOnly | kRegNoStack, kRegWriteAccess, RegView::kDefault),
                RegistryKey::kFailed);
      ASSERT_TRUE(key.ValueExists(u"BxProduct Association")) << older;
      if (older) key.DeleteValue(u"BxProduct Association", 0);
    }
    for (int run = 0; run < 2; ++run) {
      for (const auto& [extension, type] : {std::pair{u".bxtest1", u"BxExisting.Type"}, std::pair{u".bxtest4", u"Bx.Doc4"}}) {
        UndoAssociation({String(extension), String(type), String(u"open"), String(), String(u"c:\\bx")}, inputs.product_name,
                        RegView::kDefault);
      }
    }
    EXPECT_EQ(Read(RegRoot::kClassesRoot, u".bxtest1", u""), u"BxExisting.Type") << older;
    EXPECT_EQ(Read(RegRoot::kClassesRoot, u"BxExisting.Type\\shell\\open\\command", u""), u"notepad.exe \"%1\"") << older;
    EXPECT_EQ(Read(RegRoot::kClassesRoot, u"BxExisting.Type\\shell\\open", u""), u"<no value>") << older;
    EXPECT_EQ(Read(RegRoot::kClassesRoot, u"BxExisting.Type", u"BxProduct Association"), u"<no value>") << older;
    EXPECT_EQ(Read(RegRoot::kClassesRoot, u"BxExisting.Type\\shell\\open\\command", u"BxProduct Backup"), u"<no value>")
        << older;
    EXPECT_FALSE(KeyExists(RegRoot::kClassesRoot, u"Bx.Doc4", kRegReadOnly, RegView::kDefault)) << older;
    EXPECT_FALSE(KeyExists(RegRoot::kClassesRoot, u".bxtest4", kRegReadOnly, RegView::kDefault)) << older;
    Cleanup();
  }
}

}  // namespace
