#include "records/record_refusal.h"

#include <gtest/gtest.h>

#include "records/records_test_util.h"

namespace {

TEST(RecordRefusal, TopRegistryKeysAreRefusedAndProductKeysAreNot) {
  const struct {
    const char16_t* key;
    bool refused;
  } cases[] = {
      {u"HKEY_LOCAL_MACHINE", true},
      {u"HKEY_LOCAL_MACHINE\\Software", true},
      {u"HKLM\\SOFTWARE\\", true},
      {u"\\HKLM\\System", true},
      {u"HKLM\\SAM", true},
      {u"HKCU\\Software", true},
      {u"HKCU\\Environment", true},
      {u"HKU\\S-1-5-21-1", true},
      {u"HKU\\S-1-5-21-1\\Software", true},
      {u"HKU\\.DEFAULT\\Software", true},
      {u"\\HKAU\\Software", true},
      {u"HKLM\\Software\\Wow6432Node", true},
      {u"HKEY_CLASSES_ROOT", true},
      {u"HKCR\\CLSID", true},
      {u"HKCR\\.txt", true},
      {u"HKLM\\Software\\Classes", true},
      {u"HKLM\\Software\\Classes\\CLSID", true},
      {u"HKCU\\Software\\Classes\\txtfile", true},
      {u"HKLM\\Software\\Wow6432Node\\Classes\\CLSID", true},
      {u"HKU\\S-1-5-21-1_Classes", true},
      {u"HKU\\S-1-5-21-1_Classes\\CLSID", true},
      {u"HKU\\S-1-5-21-1\\Software\\Classes", true},
      // A product's own keys, and COM registrations below the Classes roots.
      {u"HKLM\\Software\\Acme", false},
      {u"HKLM\\Software\\Wow6432Node\\Acme", false},
      {u"HKCU\\Software\\Acme\\Settings", false},
      {u"HKU\\S-1-5-21-1\\Software\\Acme", false},
      {u"\\HKAU\\Software\\Acme", false},
      {u"HKLM\\Software\\Classes\\CLSID\\{00000000-0000-0000-0000-000000000001}", false},
      {u"HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}", false},
      {u"HKLM\\System\\CurrentControlSet\\Services\\AcmeDriver", false},
      {u"Software\\Acme", false},  // no root: nothing can act on it
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsTopRegistryKey(String(c.key)), c.refused) << Text(String(c.key));
  }
}

TEST(RecordRefusal, SystemFoldersTheirParentsAndDriveRootsAreRefused) {
  Array<String> folders;
  folders.Add(String(u"C:\\Windows\\System32"));
  folders.Add(String(u"C:\\Users\\Ann\\Documents"));
  folders.Add(String(u"C:\\Program Files"));
  const struct {
    const char16_t* path;
    bool refused;
  } cases[] = {
      {u"C:\\Windows\\System32", true},
      {u"c:\\windows\\system32\\", true},
      {u"C:\\Windows", true},
      {u"C:\\Users", true},
      {u"C:\\Users\\Ann", true},
      {u"C:\\PROGRAM FILES", true},
      {u"C:\\", true},
      {u"D:", true},
      {u"C:\\Windows\\System32\\acme.dll", false},
      {u"C:\\Users\\Ann\\Documents\\Acme", false},
      {u"C:\\Program Files\\Acme", false},
      {u"C:\\Program Files (x86)", false},
      {u"C:\\Users\\Annette", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsProtectedFolderPath(String(c.path), folders), c.refused) << Text(String(c.path));
  }
}

TEST(RecordRefusal, ARefusedRecordIsNamedInTheFailureSummary) {
  Array<String> folders;
  folders.Add(String(u"C:\\Windows"));
  Journal journal;
  EXPECT_TRUE(RefuseRecord(journal, ParseRecord(String("^HKEY_LOCAL_MACHINE\\Software")), folders));
  EXPECT_TRUE(RefuseRecord(journal, ParseRecord(String("!HKCU\\Software\\Run")), folders));
  EXPECT_TRUE(RefuseRecord(journal, ParseRecord(String("~C:\\Windows")), folders));
  EXPECT_FALSE(RefuseRecord(journal, ParseRecord(String("!HKCU\\Software\\Acme\\Run")), folders));
  EXPECT_FALSE(RefuseRecord(journal, ParseRecord(String("C:\\Windows\\acme.ini")), folders));
  EXPECT_EQ(Text(journal.failures.text),
            "Refused to remove \"HKEY_LOCAL_MACHINE\\Software\": it is a system folder or a top registry key.\r\n\r\n"
            "Refused to remove \"HKCU\\Software\\Run\": it is a system folder or a top registry key.\r\n\r\n"
            "Refused to remove \"C:\\Windows\": it is a system folder or a top registry key.\r\n\r\n");
}

}  // namespace
