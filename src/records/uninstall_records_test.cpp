#include "records/uninstall_records.h"

#include <gtest/gtest.h>

#include "records/records_test_util.h"

namespace {

class UninstallRecordsTest : public testing::Test {
 protected:
  std::string Records() const { return Text(records_.records); }
  UninstallRecords records_;
};

TEST_F(UninstallRecordsTest, EachKindHasItsPrefix) {
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\App\\a.exe", kRecordFile));
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\App", kRecordFolder));
  EXPECT_TRUE(AddUninstallRecord(records_, "HKLM\\Software\\App\\Value", kRecordRegistryValue));
  EXPECT_TRUE(AddUninstallRecord(records_, "HKLM\\Software\\App", kRecordRegistryKey));
  EXPECT_TRUE(AddUninstallRecord(records_, "HKLM\\Software\\App64", kRecordRegistryKey64));
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\App\\b.exe", 7));  // an unknown kind is a file
  EXPECT_EQ(Records(),
            "C:\\App\\a.exe\r\n~C:\\App\r\n!HKLM\\Software\\App\\Value\r\n^HKLM\\Software\\App\r\n"
            "*HKLM\\Software\\App64\r\nC:\\App\\b.exe\r\n");
}

// What the writer puts down, the parser takes apart again: each kind with its
// path, a marked (UTF-8) path intact, and a line without a prefix as a file.
TEST_F(UninstallRecordsTest, EachWrittenRecordParsesBackToItsKindAndPath) {
  const struct {
    const char* path;
    RecordKind kind;
  } cases[] = {
      {"C:\\App\\a.exe", kRecordFile},
      {"|C:\\\xC3\x89t\xC3\xA9", kRecordFolder},
      {"HKLM\\Software\\App\\Value", kRecordRegistryValue},
      {"HKLM\\Software\\App", kRecordRegistryKey},
      {"HKLM\\Software\\App64", kRecordRegistryKey64},
      {"|C:\\~\\!\\^", kRecordFile},  // prefix characters inside a path are path
  };
  for (const auto& c : cases) {
    ClearUninstallRecords(records_);
    ASSERT_TRUE(AddUninstallRecord(records_, c.path, c.kind)) << c.path;
    std::string line = Records();
    line.resize(line.size() - 2);  // the CR LF
    const ParsedRecord parsed = ParseRecord(String(line.c_str()));
    EXPECT_EQ(parsed.kind, c.kind) << line;
    EXPECT_EQ(Text(parsed.path), c.path) << line;
  }
  const ParsedRecord empty = ParseRecord(String());
  EXPECT_EQ(empty.kind, kRecordFile);
  EXPECT_TRUE(empty.path.empty());
  const ParsedRecord bare = ParseRecord(String("^"));
  EXPECT_EQ(bare.kind, kRecordRegistryKey);
  EXPECT_TRUE(bare.path.empty());
}

TEST_F(UninstallRecordsTest, PathsOfThreeBytesOrFewerAreRefused) {
  EXPECT_FALSE(AddUninstallRecord(records_, "C:\\", kRecordFolder));
  EXPECT_FALSE(AddUninstallRecord(records_, "abc", kRecordFile));
  EXPECT_FALSE(AddUninstallRecord(records_, "", kRecordFile));
  EXPECT_FALSE(AddUninstallRecord(records_, static_cast<const char*>(nullptr), kRecordFile));
  EXPECT_FALSE(AddUninstallRecordW(records_, u"D:\\", kRecordFolder));
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\a", kRecordFile));
  // A wide path counts in the bytes of its marked form.
  EXPECT_FALSE(AddUninstallRecordW(records_, u"\u00E9", kRecordFile));  // "|" and two bytes
  EXPECT_TRUE(AddUninstallRecordW(records_, u"a\u00E9", kRecordFile));
  EXPECT_EQ(Records(), "C:\\a\r\n|a\xC3\xA9\r\n");
}

TEST_F(UninstallRecordsTest, AFolderIsRecordedOncePerRunInAnyCase) {
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\Program Files\\App", kRecordFolder));
  EXPECT_FALSE(AddUninstallRecord(records_, "c:\\program files\\APP", kRecordFolder));
  EXPECT_FALSE(AddUninstallRecordW(records_, u"C:\\PROGRAM FILES\\app", kRecordFolder));
  // Non-ASCII folders compare by their wide, lower-cased form.
  EXPECT_TRUE(AddUninstallRecordW(records_, u"C:\\\u00C9t\u00E9", kRecordFolder));
  EXPECT_FALSE(AddUninstallRecordW(records_, u"c:\\\u00E9T\u00C9", kRecordFolder));
  // The same text as a file is not a folder.
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\Program Files\\App", kRecordFile));
  EXPECT_EQ(Records(), "~C:\\Program Files\\App\r\n~|C:\\\xC3\x89t\xC3\xA9\r\nC:\\Program Files\\App\r\n");

  ClearUninstallRecords(records_);
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(AddUninstallRecord(records_, "C:\\Program Files\\App", kRecordFolder));
}

TEST_F(UninstallRecordsTest, SectionLines) {
  RecordAssociation(records_, ".bxd", "Bastionix.Document", "open", "C:\\App\\doc.ico");
  EXPECT_EQ(Text(records_.associations), ".bxd~!~Bastionix.Document~!~open~!~C:\\App\\doc.ico\r\n");

  EXPECT_TRUE(RecordFirewallException(records_, String("C:\\App\\server.exe;App Server;0;")));
  EXPECT_TRUE(RecordFirewallException(records_, String("8080;App Port;3;2")));
  EXPECT_FALSE(RecordFirewallException(records_, String("8081;Kept Port;1;01")));  // stays after uninstall
  EXPECT_EQ(Text(records_.firewall), "C:\\App\\server.exe;App Server;0;\r\n8080;App Port;3;2\r\n");

  RecordInfDriver(records_, u"C:\\Windows\\INF\\oem3.inf");
  RecordInfDriver(records_, u"C:\\Windows\\INF\\\u00E9.inf");
  EXPECT_EQ(Text(records_.inf), "C:\\Windows\\INF\\oem3.inf\r\n|C:\\Windows\\INF\\\xC3\xA9.inf\r\n");

  RecordMsiPackage(records_, u"C:\\App\\runtime, x86.msi", 2);
  RecordMsiLine(records_, String("\"C:\\App\\other.msi\",5"));
  EXPECT_EQ(Text(records_.msi), "\"C:\\App\\runtime, x86.msi\",2\r\n\"C:\\App\\other.msi\",5\r\n");
}

// A failed MSI removal keeps its line; the package file it names stays
// with it, whatever the case of the path, and only that one.
TEST_F(UninstallRecordsTest, AKeptMsiLineKeepsItsPackage) {
  RecordMsiPackage(records_, u"C:\\App\\Setup.msi", 2);
  RecordMsiLine(records_, String("\"|C:\\App\\\xC3\x89t\xC3\xA9.msi\",5"));
  EXPECT_TRUE(KeepsMsiPackage(records_, String(u"c:\\app\\setup.msi")));
  EXPECT_TRUE(KeepsMsiPackage(records_, String(u"C:\\App\\\u00C9t\u00E9.msi")));
  EXPECT_FALSE(KeepsMsiPackage(records_, String(u"C:\\App\\Other.msi")));
  EXPECT_FALSE(KeepsMsiPackage(UninstallRecords(), String(u"C:\\App\\Setup.msi")));
}

}  // namespace
