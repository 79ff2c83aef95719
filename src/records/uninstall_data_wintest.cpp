#include <windows.h>

#include "records/journal.h"
#include "records/uninstall_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_errors.h"
#include "core/handle_win.h"
#include "core/scratch_folder_wintest.h"
#include "package/run_product.h"
#include "records/marked_path.h"
#include "testkit/files.h"

namespace {

class UninstallDataFile : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    ClearUninstallRecords(journal_.records);
  }
  void TearDown() override {
    ClearUninstallRecords(journal_.records);
  }

  ScratchFolder folder_;
  RunProduct product_;
};

TEST_F(UninstallDataFile, WrittenAndLoadedBackFromARealFile) {
  // A folder whose name the ANSI code page may not hold.
  const std::wstring data_folder = folder_ / L"Donn\u00E9es \u65E5";
  ASSERT_TRUE(CreateDirectoryW(data_folder.c_str(), nullptr));
  const String path = UninstallDataPath(String(U16(data_folder)));

  AddUninstallRecordW(journal_.records, String(U16(data_folder + L"\\app.exe")), kRecordFile);
  AddUninstallRecordW(journal_.records, String(U16(data_folder)), kRecordFolder);
  AddUninstallRecord(journal_.records, "HKLM\\Software\\Bastionix Data Test", kRecordRegistryKey);
  RecordAssociation(journal_.records, ".bxt", "Bastionix.Test", "open", "");
  RecordMsiPackage(journal_.records, u"C:\\pkg\\\u00E9.msi", 2);
  product_.languages.names.Add(String(u"English"));
  product_.languages.messages.Resize(112);
  product_.languages.messages[53] = String(u"Remove <product>?\r\nAll of it.");
  product_.languages.product = String(u"Data Test");
  product_.settings.WindowTitle = String(u"Data Test Setup");
  product_.settings.RegistryEntries = String(u"HKLM\\Software\\Bastionix Data Test\r\n");
  CloseRule rule;
  rule.window_class = String("DataTestWindow");
  rule.display_name = String("Data Test");
  rule.action = 0;
  product_.settings.ProgramsToClose.Add(rule);

  int code = -1;
  ASSERT_TRUE(WriteUninstallData(product_, journal_.records, path, &code));
  EXPECT_EQ(code, kFileOk);
  const std::wstring wide_path(reinterpret_cast<const wchar_t*>(path.w_str()));
  const std::string on_disk = testkit::ReadFileBytes(wide_path).value_or("<none>");
  const String built = BuildUninstallData(journal_.records, product_.settings, product_.languages);
  EXPECT_EQ(on_disk, std::string(built.c_str(), static_cast<size_t>(built.length())));
  EXPECT_NE(on_disk.substr(0, 3), "\xEF\xBB\xBF");

  // The uninstaller starts with nothing but the file.
  RunProduct loaded;
  UninstallDataLists lists;
  ASSERT_EQ(LoadUninstallData(path, lists, loaded), kFileOk);
  ASSERT_GE(lists.records.Count(), 3);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(UnmarkPath(lists.records[0]).w_str())),
            data_folder + L"\\app.exe");
  EXPECT_EQ(lists.records[1].c_str()[0], '~');
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(UnmarkPath(lists.records[1].c_str() + 1).w_str())),
            data_folder);
  ASSERT_EQ(lists.associations.Count(), 1);
  ASSERT_EQ(lists.msi.Count(), 1);
  EXPECT_EQ(std::u16string(MessageText(loaded.languages, 53).w_str()), u"Remove Data Test?\r\nAll of it.");
  EXPECT_EQ(std::u16string(loaded.settings.WindowTitle.w_str()), u"Data Test Setup");
  ASSERT_EQ(loaded.settings.ProgramsToClose.Count(), 1);
  EXPECT_EQ(std::string(loaded.settings.ProgramsToClose[0].window_class.c_str()), "DataTestWindow");
  EXPECT_EQ(std::u16string(loaded.settings.RegistryEntries.w_str()), u"HKLM\\Software\\Bastionix Data Test\r\n");

  // Rewritten with nothing re-recorded, the file loses the record list and
  // the sections the uninstaller acted on.
  ClearUninstallRecords(journal_.records);
  ASSERT_TRUE(WriteUninstallData(product_, journal_.records, path));
  const std::string rewritten = testkit::ReadFileBytes(wide_path).value_or("<none>");
  EXPECT_EQ(rewritten.find("\r\n\r\n[Strings]\r\n"), 0u);
  EXPECT_EQ(rewritten.find("[Associations]"), std::string::npos);
  EXPECT_EQ(rewritten.find("[MSI]"), std::string::npos);
  EXPECT_NE(rewritten.find("[AutoClose]\r\nDataTestWindow,,Data Test,0\r\n"), std::string::npos);
}

// The names in `folder` (files and folders, without "." and "..").
std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// A rewrite replaces the old file only with a complete new one: when the new
// file cannot take its place, the old one is left byte for byte, and no
// temporary file is left beside it either way.
TEST_F(UninstallDataFile, ARewriteReplacesTheOldFileWholeOrNotAtAll) {
  struct Case {
    const char* name;
    DWORD share;  // sharing of a handle held on the old file; 0: none held
    bool replaced;
  };
  const Case cases[] = {
      {"free", 0, true},
      // Open without sharing for deletion, the old file cannot be renamed
      // over: the new file fails to take its place.
      {"held open, not shared for deletion", FILE_SHARE_READ | FILE_SHARE_WRITE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const String path = UninstallDataPath(String(U16(folder.path())));
    const std::wstring wide_path(reinterpret_cast<const wchar_t*>(path.w_str()));
    const std::string old_bytes = "C:\\old\\file.txt\r\n\r\n\r\n[Strings]\r\n~10\r\nold\r\n";
    PutFile(wide_path, old_bytes);
    FileHandle held;
    if (c.share != 0) {
      held.Reset(CreateFileW(wide_path.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held.valid());
    }
    ClearUninstallRecords(journal_.records);
    AddUninstallRecordW(journal_.records, String(u"C:\\new\\file.txt"), kRecordFile);
    int code = -1;
    const bool written = WriteUninstallData(product_, journal_.records, path, &code);
    held.Close();

    const std::string on_disk = testkit::ReadFileBytes(wide_path).value_or("<none>");
    const String built = BuildUninstallData(journal_.records, product_.settings, product_.languages);
    EXPECT_EQ(written, c.replaced);
    EXPECT_EQ(code, c.replaced ? kFileOk : kFileNotWritten);
    EXPECT_EQ(on_disk, c.replaced ? std::string(built.c_str(), static_cast<size_t>(built.length())) : old_bytes);
    EXPECT_EQ(NamesIn(folder.path()), std::vector<std::wstring>{L"Uninstall.DAT"});
  }
}

TEST_F(UninstallDataFile, AMissingFileGivesTheLoadMessage) {
  const String path = UninstallDataPath(String(U16(folder_.path())));
  UninstallDataLists lists;
  const int code = LoadUninstallData(path, lists, product_);
  EXPECT_EQ(code, kFileNotFound);
  const String message = UninstallDataLoadMessage(String(u"Data Test"), path, code);
  EXPECT_EQ(std::u16string(message.w_str()).find(u"The uninstall information for Data Test could not be loaded."), 0u);
  EXPECT_FALSE(WriteUninstallData(product_, journal_.records, UninstallDataPath(String(U16(folder_ / L"none\\deeper")))));
}

}  // namespace
