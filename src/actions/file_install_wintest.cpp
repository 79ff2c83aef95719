#include <windows.h>

#include "actions/file_install.h"

#include <gtest/gtest.h>

#include "records/uninstall_entry.h"

#include <deque>
#include <string>
#include <vector>

#include "actions/file_date.h"
#include "actions/file_install_rules.h"
#include "actions/file_version.h"
#include "actions/file_writer.h"
#include "actions/fonts.h"
#include "actions/install_hooks.h"
#include "actions/install_lists.h"
#include "core/codepage.h"
#include "core/file.h"
#include "core/registry_win.h"
#include "core/scratch_folder_wintest.h"
#include "core/system_folders.h"
#include "package/byte_order.h"
#include "package/entry_queue.h"
#include "package/entry_record.h"
#include "package/locator.h"
#include "package/message_numbers.h"
#include "package/run_product.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/marked_path.h"
#include "records/shared_files.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"
#include "testkit/files.h"

namespace {

const FileDate kEntryDate{2024, 3, 9, 14, 5, 7};
constexpr char16_t kFontName[] = u"Bastionix Test Courier (TrueType)";

std::wstring WideOf(const String& s) { return std::wstring(reinterpret_cast<const wchar_t*>(s.w_str())); }

// A package's file entries as the installer reads them: the entry stream in
// file-data blocks and the header's list of content sizes.
class EntryPackage {
 public:
  explicit EntryPackage(BlockCoding coding = BlockCoding()) : coding_(coding), writer_(coding, &data_, 256) {}

  EntryRecord& Add(uint32_t kind, const char* name, const std::string& content, uint32_t flags = 0) {
    entries_.emplace_back();
    Item& item = entries_.back();
    item.record.name = String(name);
    item.record.kind = kind;
    item.record.flags = flags;
    item.record.attributes = 0xFFFFFFFF;
    item.content = content;
    return item.record;
  }

  InstallEntrySource Source() {
    for (Item& item : entries_) {
      item.record.content = ByteSpan{reinterpret_cast<const uint8_t*>(item.content.data()), item.content.size()};
      String record;
      EXPECT_TRUE(EncodeEntryRecord(item.record, &record));
      EXPECT_TRUE(writer_.AddEntry(record.bytes(), static_cast<size_t>(record.length())));
      uint8_t size[4];
      StoreLe32(size, static_cast<uint32_t>(item.content.size()));
      sizes_.Append(size, 4);
    }
    EXPECT_TRUE(writer_.Finish());
    header_.entry_count = static_cast<int32_t>(entries_.size());
    header_.content_sizes = ByteSpan{sizes_.bytes(), static_cast<size_t>(sizes_.length())};
    InstallEntrySource source;
    source.header = &header_;
    file_data_.stored = StoredData(data_.bytes(), static_cast<size_t>(data_.length()));
    source.file_data = &file_data_;
    source.coding = coding_;
    return source;
  }

 private:
  struct Item {
    EntryRecord record;
    std::string content;
  };
  std::deque<Item> entries_;  // the records handed out stay in place
  BlockCoding coding_;
  String data_;
  FileData file_data_;
  String sizes_;
  FileDataWriter writer_;
  PackageHeader header_;
};

std::vector<std::pair<int32_t, std::wstring>>& ProgressSeen() {
  static std::vector<std::pair<int32_t, std::wstring>> seen;
  return seen;
}
// A reporter that keeps each position with the status shown with it.
void SeePosition(void*, int32_t percent) { ProgressSeen().emplace_back(percent, std::wstring()); }
void SeeStatus(void*, const String& text) {
  if (!ProgressSeen().empty()) ProgressSeen().back().second = WideOf(text);
}

std::vector<std::wstring>& ComponentsSeen() {
  static std::vector<std::wstring> seen;
  return seen;
}
void SeeMsi(const MsiRequest& request, const Progress&, const LanguageTable&, Journal&) { ComponentsSeen().push_back(L"msi " + WideOf(request.path)); }
void SeeApplet(const ControlPanelRequest& request, const Progress&, const LanguageTable&, Journal&) { ComponentsSeen().push_back(L"cpl " + WideOf(request.path)); }

FileDate WriteTimeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return FileDate();
  return FileDateFromFileTime(static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                              data.ftLastWriteTime.dwLowDateTime);
}

void SetWriteTime(const std::wstring& path, const FileDate& date) {
  uint64_t time = 0;
  ASSERT_TRUE(FileDateToFileTime(date, &time));
  HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  FILETIME file_time{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &file_time));
  CloseHandle(handle);
}

void SetDate(EntryRecord& entry, const FileDate& date) {
  const int32_t parts[6] = {date.year, date.month, date.day, date.hour, date.minute, date.second};
  std::copy(parts, parts + 6, entry.date);
}

// Built by appending: GCC 12 warns falsely about '"' + std::string.
std::string Quoted(const std::string& text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

std::string Bytes(const std::wstring& path) { return testkit::ReadFileBytes(path).value_or("<none>"); }

std::string Utf8(const std::wstring& text) {
  std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.pop_back();
  return out;
}

// An installation into a scratch folder, with its own shared folder.
class FileInstallRun : public testing::Test {
 protected:
  Journal journal_;      // this test's run journal
  InstallLists lists_;   // what the file phase lists
  InstallHooks hooks_{&SeeMsi, &SeeApplet};
  void SetUp() override {
    install_ = folder_ / L"Product";
    shared_ = folder_ / L"Shared";
    product_.settings.ProductFlags = 1ull << product_flag::kDetectInstallation | 1ull << product_flag::kDetailedLog;
    product_.languages = LanguageTable();
    product_.languages.names.Add(String(u"English"));
    product_.languages.messages.Resize(80);
    product_.languages.messages[message_number::kFolderFailed] = String(u"The folder %s could not be created.\r\n\r\n%s");
    product_.languages.messages[message_number::kInstalling] = String(u"Installing");
    product_.languages.messages[message_number::kInstallingFont] = String(u"Installing <file>...");
    ProgressSeen().clear();
    ComponentsSeen().clear();
    ClearUninstallRecords(journal_.records);
    ClearFailures(journal_);
    ASSERT_TRUE(StartWorkingLog(journal_.log));
  }

  void TearDown() override {
    EndWorkingLog(journal_.log);
    RemoveCounts();
    RegistryKey fonts;
    if (fonts.Open(RegRoot::kLocalMachine, kFontsKeyNT, kRegOpenOnly, kRegWriteAccess, RegView::kDefault)) {
      fonts.DeleteValue(kFontName, 0);
    }
    for (const std::wstring& font : fonts_added_) RemoveFontResourceW(font.c_str());
    ClearUninstallRecords(journal_.records);
    ClearFailures(journal_);
    // The scratch folder goes with its read-only files too.
    SetFileAttributesW((install_ + L"\\bin\\app.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  // Installs the package's entries into this test's folders.
  void Install(EntryPackage& package) {
    InstallEntrySource source = package.Source();
    source.product = &product_;
    source.uninstall_supported = product_.settings.Flag(product_flag::kDetectInstallation);
    source.install_folder = String(U16(install_));
    source.uninstall_folder = String(U16(install_ + L"\\uninst"));
    source.shared_folder = String(U16(shared_));
    source.removable = removable_;
    source.progress.position = SeePosition;
    source.progress.status = SeeStatus;
    source.journal = &journal_;
    source.lists = &lists_;
    source.hooks = hooks_;
    InstallAllEntries(source);
  }

  // What the working log holds so far, UTF-8.
  std::string WorkingLog() {
    const std::wstring copy = folder_ / L"log-copy.txt";
    File out;
    if (out.Open(U16(copy), kOpenCreateOrTruncate) != kFileOk) return "<no copy>";
    CopyWorkingLog(journal_.log, out);
    out.Close();
    return Bytes(copy);
  }
  std::string Records() { return Text(journal_.records.records); }
  std::string Failures() { return Text(journal_.failures.text); }

  static bool ReadCount(const std::wstring& path, uint32_t* count) {
    RegistryKey key;
    return key.Open(RegRoot::kLocalMachine, kSharedDllsKey, kRegOpenOnly, kRegReadAccess, RegView::kDefault) &&
           key.ReadNumber(U16(path), count, 0);
  }
  void WriteCount(const std::wstring& path, uint32_t count) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(RegRoot::kLocalMachine, kSharedDllsKey, 0, kRegWriteAccess, RegView::kDefault));
    ASSERT_TRUE(key.WriteNumber(U16(path), count, 0));
    counted_.push_back(path);
  }
  // The SharedDLLs values of this test's files go again.
  void RemoveCounts() {
    RegistryKey key;
    if (!key.Open(RegRoot::kLocalMachine, kSharedDllsKey, kRegOpenOnly, kRegWriteAccess, RegView::kDefault)) return;
    for (const SharedListing& listing : lists_.shared_listed) {
      key.DeleteValue(UnmarkPath(listing.path).w_str(), 0);
    }
    for (const std::wstring& path : counted_) key.DeleteValue(U16(path), 0);
  }

  ScratchFolder folder_;
  std::wstring install_;
  std::wstring shared_;
  std::vector<std::wstring> counted_;
  std::vector<std::wstring> fonts_added_;
  bool removable_ = false;

  RunProduct product_;

 private:
};

TEST_F(FileInstallRun, EveryKindLandsWithItsRecordsListsAndLogLines) {
  const std::wstring courier = L"Z:\\usr\\share\\wine\\fonts\\courier.ttf";
  const std::string font_bytes = testkit::ReadFileBytes(courier).value_or("not a font");
  // Whether the system takes this font at all: WINE refuses a second copy of
  // a face it already has.
  PutFile(folder_ / L"probe.ttf", font_bytes);
  const bool system_takes_font = AddFontResourceW((folder_ / L"probe.ttf").c_str()) != 0;
  if (system_takes_font) RemoveFontResourceW((folder_ / L"probe.ttf").c_str());
  const std::wstring system = folder_ / L"sys\\";
  const std::wstring fonts = folder_ / L"fonts\\";

  EntryPackage package;
  EntryRecord& app = package.Add(entry_kind::kInstallFolder, "bin\\app.exe", "program bytes",
                                 entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut);
  SetDate(app, kEntryDate);
  app.attributes = FILE_ATTRIBUTE_READONLY;
  app.display_name() = String("Tool \xC3\xA9");
  app.shortcut_icon = String("app.ico");
  app.shortcut_arguments = String("/start");
  package.Add(entry_kind::kInstallFolder, "docs\\keep\\readme.txt", "read me", entry_flag::kPermanent);
  package.Add(entry_kind::kSharedFolder, "shared.dll", "shared bytes");
  package.Add(entry_kind::kSystemCom, "com.dll", "com bytes").destination = String(U16(system));
  EntryRecord& font = package.Add(entry_kind::kFont, "testcour.ttf", font_bytes);
  font.display_name() = Utf16ToUtf8(kFontName);
  font.destination = String(U16(fonts));
  package.Add(entry_kind::kDriver, "drv\\driver.inf", "[Version]");
  package.Add(entry_kind::kMsi, "pkg.msi", "msi bytes", entry_flag::kRememberMsi).msi_option = 3;
  package.Add(entry_kind::kControlPanel, "applet.cpl", "cpl bytes").applet_class_id() =
      String("{0B0A0000-0000-0000-0000-000000000001}");
  package.Add(entry_kind::kInstallFolder, "notes.txt", "notes", entry_flag::kInUninstallFolder);
  package.Add(entry_kind::kStartup, "start.exe", "start");
  Install(package);
  fonts_added_.push_back(fonts + L"testcour.ttf");

  EXPECT_EQ(Failures(), "");
  EXPECT_EQ(Bytes(install_ + L"\\bin\\app.exe"), "program bytes");
  EXPECT_EQ(Bytes(install_ + L"\\docs\\keep\\readme.txt"), "read me");
  EXPECT_EQ(Bytes(shared_ + L"\\shared.dll"), "shared bytes");
  EXPECT_EQ(Bytes(system + L"com.dll"), "com bytes");
  EXPECT_EQ(Bytes(fonts + L"testcour.ttf"), font_bytes);
  EXPECT_EQ(Bytes(install_ + L"\\drv\\driver.inf"), "[Version]");
  EXPECT_EQ(Bytes(install_ + L"\\uninst\\notes.txt"), "notes");

  // The entry's date and attributes are on the file.
  const FileDate written = WriteTimeOf(install_ + L"\\bin\\app.exe");
  EXPECT_EQ(CompareFileDates(written, kEntryDate), 0);
  EXPECT_EQ(written.second, 7);
  EXPECT_NE(GetFileAttributesW((install_ + L"\\bin\\app.exe").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

  // Records: folders the phase made and the files of the install folder;
  // nothing for the permanent file, the shared, system and font files.
  const std::string install = Utf8(install_);
  EXPECT_EQ(Records(), "~" + install + "\r\n~" + install + "\\bin\r\n" + install + "\\bin\\app.exe\r\n~" + install +
                           "\\drv\r\n" + install + "\\drv\\driver.inf\r\n" + install + "\\pkg.msi\r\n" + install +
                           "\\applet.cpl\r\n" + install + "\\uninst\\notes.txt\r\n" + install + "\\start.exe\r\n");

  // Lists for the later phases.
  const InstallLists& lists = lists_;
  ASSERT_EQ(lists.shortcuts.Count(), 2);
  EXPECT_TRUE(lists.shortcuts[0].desktop && lists.shortcuts[0].start_menu && !lists.shortcuts[0].startup);
  EXPECT_EQ(WideOf(lists.shortcuts[0].target), install_ + L"\\bin\\app.exe");
  EXPECT_EQ(WideOf(lists.shortcuts[0].name), L"Tool \u00E9");
  EXPECT_EQ(WideOf(lists.shortcuts[0].arguments), L"/start");
  EXPECT_TRUE(lists.shortcuts[1].startup);
  ASSERT_EQ(lists.com_servers.Count(), 1);
  EXPECT_EQ(WideOf(lists.com_servers[0]), system + L"com.dll");
  ASSERT_EQ(lists.inf_files.Count(), 1);
  ASSERT_EQ(lists.msi_packages.Count(), 1);
  EXPECT_EQ(lists.msi_packages[0].option, 3u);
  EXPECT_TRUE(lists.msi_packages[0].remember);
  ASSERT_EQ(lists.control_panels.Count(), 1);
  EXPECT_EQ(WideOf(lists.control_panels[0].display_name), L"applet");
  EXPECT_EQ(ComponentsSeen(),
            (std::vector<std::wstring>{L"msi " + install_ + L"\\pkg.msi", L"cpl " + install_ + L"\\applet.cpl"}));
  EXPECT_EQ(Text(lists.product_fonts), Quoted(Text(font.display_name())) + " \"testcour.ttf\" ");

  // The shared files and their counts: the shared file without a mark, the
  // COM server with "^".
  const std::string shared_path = Utf8(shared_) + "\\shared.dll";
  const std::string com_path = Utf8(system) + "com.dll";
  EXPECT_EQ(Text(lists.shared_files), Quoted(shared_path) + ";" + Quoted(com_path + "^"));
  uint32_t count = 0;
  EXPECT_TRUE(ReadCount(shared_ + L"\\shared.dll", &count));
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(ReadCount(system + L"com.dll", &count));
  EXPECT_EQ(count, 1u);

  // The font is registered under its display name.
  String font_file;
  RegistryKey key;
  ASSERT_TRUE(key.Open(RegRoot::kLocalMachine, kFontsKeyNT, kRegOpenOnly, kRegReadAccess, RegView::kDefault));
  EXPECT_TRUE(key.ReadText(kFontName, &font_file, 0));
  EXPECT_EQ(WideOf(font_file), L"testcour.ttf");
  EXPECT_TRUE(lists.font_installed);

  // The detailed log names each file written; the font resource is added
  // from where the file went, as far as the system takes it.
  const std::string log = WorkingLog();
  EXPECT_NE(log.find("app.exe >>> " + install + "\\bin\\app.exe\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("driver.inf >>> " + install + "\\drv\\driver.inf\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Failed to register font"), std::string::npos) << log;
  const std::string resource_failed = "Failed to add font resource \"" + Utf8(fonts) + "testcour.ttf\"\r\n";
  EXPECT_EQ(log.find(resource_failed) == std::string::npos, system_takes_font) << log;

  // Progress: 28 for the first of ten entries, the paths as status, the
  // font's own status, then 91 to 93.
  ASSERT_GE(ProgressSeen().size(), 4u);
  EXPECT_EQ(ProgressSeen()[0], std::make_pair(28, install_ + L"\\bin\\app.exe"));
  EXPECT_EQ(ProgressSeen()[1].first, 34);
  bool font_status = false;
  for (const auto& seen : ProgressSeen()) font_status |= seen.second == L"Installing testcour.ttf...";
  EXPECT_TRUE(font_status);
  const size_t n = ProgressSeen().size();
  EXPECT_EQ(ProgressSeen()[n - 3], std::make_pair(91, std::wstring(L"Installing")));
  EXPECT_EQ(ProgressSeen()[n - 2].first, 92);
  EXPECT_EQ(ProgressSeen()[n - 1].first, 93);
}

TEST_F(FileInstallRun, OverwriteModesAndDateTestsAgainstExistingFiles) {
  CreateDirectoryW(install_.c_str(), nullptr);
  CreateDirectoryW(shared_.c_str(), nullptr);
  const FileDate newer{2024, 3, 9, 14, 5, 10};
  const FileDate one_second_older{2024, 3, 9, 14, 5, 6};
  const FileDate two_seconds_older{2024, 3, 9, 14, 5, 5};
  for (const wchar_t* name : {L"skip.txt", L"exists.txt", L"missing-only.txt", L"newer.txt"}) {
    PutFile(install_ + L"\\" + name, "old");
    SetWriteTime(install_ + L"\\" + name, newer);
  }
  PutFile(shared_ + L"\\same.dll", "old");
  SetWriteTime(shared_ + L"\\same.dll", one_second_older);
  PutFile(shared_ + L"\\stale.dll", "old");
  SetWriteTime(shared_ + L"\\stale.dll", two_seconds_older);

  EntryPackage package;
  const auto dated = [&](uint32_t kind, const char* name, uint32_t flags) {
    EntryRecord& entry = package.Add(kind, name, "new", flags);
    SetDate(entry, kEntryDate);
  };
  dated(entry_kind::kInstallFolder, "skip.txt", entry_flag::kOverwriteNever);
  dated(entry_kind::kInstallFolder, "exists.txt", entry_flag::kOverwriteIfExists);
  dated(entry_kind::kInstallFolder, "absent.txt", entry_flag::kOverwriteIfExists);
  dated(entry_kind::kInstallFolder, "missing-only.txt", entry_flag::kOverwriteIfMissing);
  dated(entry_kind::kInstallFolder, "newer.txt", entry_flag::kOverwriteIfNotNewer);
  dated(entry_kind::kSharedFolder, "same.dll", 0);
  dated(entry_kind::kSharedFolder, "stale.dll", 0);
  Install(package);

  EXPECT_EQ(Bytes(install_ + L"\\skip.txt"), "old");
  EXPECT_EQ(Bytes(install_ + L"\\exists.txt"), "new");
  EXPECT_FALSE(Exists(install_ + L"\\absent.txt"));
  EXPECT_EQ(Bytes(install_ + L"\\missing-only.txt"), "old");
  EXPECT_EQ(Bytes(install_ + L"\\newer.txt"), "old");
  EXPECT_EQ(Bytes(shared_ + L"\\same.dll"), "old");
  EXPECT_EQ(Bytes(shared_ + L"\\stale.dll"), "new");

  const std::string install = Utf8(install_);
  const std::string shared = Utf8(shared_);
  const std::string log = WorkingLog();
  EXPECT_EQ(log.find("skip.txt"), std::string::npos) << log;
  const std::string expected = "exists.txt >>> " + install + "\\exists.txt\r\n" + install +
                     "\\absent.txt was not installed because it does not already exist.\r\n" + install +
                     "\\missing-only.txt was not installed because it already exists.\r\n" + install +
                     "\\newer.txt was not installed because the existing file is newer.\r\n" + shared +
                     "\\same.dll is up to date.\r\n" + shared + "\\stale.dll is out of date and will be replaced.\r\n" +
                     "stale.dll >>> " + shared + "\\stale.dll\r\n";
  // The pending-rename cleanup may add its own lines after these.
  EXPECT_EQ(log.substr(0, expected.size()), expected) << log;
  // Files kept in place are still the product's; the shared files are not
  // recorded, their counts decide.
  EXPECT_EQ(Records(), install + "\\exists.txt\r\n" + install + "\\missing-only.txt\r\n" + install +
                           "\\newer.txt\r\n");
  EXPECT_EQ(Failures(), "");
}

TEST_F(FileInstallRun, VersionedFilesAreComparedByTheirVersionResource) {
  const std::wstring kernel = WideOf(FolderPath(FolderSource::kSystem)) + L"\\kernel32.dll";
  const String version = FileVersion(String(U16(kernel)));
  ASSERT_FALSE(version.empty());
  CreateDirectoryW(install_.c_str(), nullptr);
  const FileDate older{2020, 1, 1, 0, 0, 0};
  for (const wchar_t* name : {L"low.dll", L"high.dll", L"nodate.dll"}) {
    ASSERT_TRUE(CopyFileW(kernel.c_str(), (install_ + L"\\" + name).c_str(), FALSE));
    SetWriteTime(install_ + L"\\" + name, older);
  }

  EntryPackage package;
  const auto versioned = [&](const char* name, const char* entry_version, const FileDate& date) {
    EntryRecord& entry = package.Add(entry_kind::kVersioned, name, "new");
    entry.version = String(entry_version);
    SetDate(entry, date);
  };
  versioned("low.dll", "1.0", kEntryDate);
  versioned("high.dll", "99999.0", kEntryDate);
  versioned("nodate.dll", "99999.0", older);
  Install(package);

  const std::string install = Utf8(install_);
  const std::string found = Utf8(WideOf(version));
  EXPECT_EQ(Bytes(install_ + L"\\high.dll"), "new");
  EXPECT_NE(Bytes(install_ + L"\\low.dll"), "new");
  EXPECT_NE(Bytes(install_ + L"\\nodate.dll"), "new");
  const std::string log = WorkingLog();
  EXPECT_NE(log.find(install + "\\low.dll was not installed because its version (1.0) is not newer than " + found +
                     "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(install + "\\high.dll needs replacement because its version (99999.0) is newer than " + found +
                     " and its date (2024/03/09 14:05:07) is newer than 2020/01/01 00:00:00\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(install + "\\nodate.dll was not installed because its date (2020/01/01 00:00:00) is not newer "
                               "than 2020/01/01 00:00:00.\r\n"),
            std::string::npos)
      << log;
  // The kept files are still the product's.
  EXPECT_NE(Records().find(install + "\\low.dll\r\n"), std::string::npos);
  EXPECT_NE(Records().find(install + "\\nodate.dll\r\n"), std::string::npos);
}

TEST_F(FileInstallRun, LargeContentsAreWrittenPieceByPieceAndSkippedInStep) {
  product_.settings.SetFlag(product_flag::kVerifyAfterWrite, true);
  std::string big(kStreamedContentAbove + 70001, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 13 + i / 4096);
  std::string other = big;
  other[5] = 'x';
  EntryPackage package;
  package.Add(entry_kind::kInstallFolder, "big\\one.bin", big);
  package.Add(entry_kind::kInstallFolder, "big\\never.bin", other, entry_flag::kOverwriteNever);
  CreateDirectoryW(install_.c_str(), nullptr);
  PutFile(install_ + L"\\kept.bin", "already here");
  package.Add(entry_kind::kInstallFolder, "kept.bin", other, entry_flag::kOverwriteIfMissing);
  package.Add(entry_kind::kInstallFolder, "after.txt", "after");
  Install(package);

  EXPECT_EQ(Failures(), "");
  EXPECT_EQ(Bytes(install_ + L"\\big\\one.bin"), big);
  EXPECT_EQ(Bytes(install_ + L"\\big\\never.bin"), "<none>");
  EXPECT_EQ(Bytes(install_ + L"\\kept.bin"), "already here");
  EXPECT_EQ(Bytes(install_ + L"\\after.txt"), "after");
}

TEST_F(FileInstallRun, AFileInTheWayOfAFolderCostsOnlyItsEntry) {
  CreateDirectoryW(install_.c_str(), nullptr);
  PutFile(install_ + L"\\blocked", "a file");
  EntryPackage package;
  package.Add(entry_kind::kInstallFolder, "blocked\\inner\\x.txt", "x");
  package.Add(entry_kind::kInstallFolder, "after.txt", "after");
  Install(package);

  const std::string install = Utf8(install_);
  EXPECT_EQ(Failures(), "The folder " + install + "\\blocked\\inner could not be created.\r\n\r\nCannot create "
                        "directory because there is a file with the same name.\r\n\r\nNot installed: " +
                            install + "\\blocked\\inner\\x.txt\r\n\r\n");
  EXPECT_EQ(Bytes(install_ + L"\\after.txt"), "after");
  EXPECT_EQ(Records(), install + "\\after.txt\r\n");
}

TEST_F(FileInstallRun, AFileThatFailsToWriteStaysInTheUninstallList) {
  EntryPackage package;
  package.Add(entry_kind::kInstallFolder, "bad<name>.txt", "x");
  package.Add(entry_kind::kInstallFolder, "good.txt", "y");
  Install(package);
  const std::string install = Utf8(install_);
  EXPECT_EQ(Records(), "~" + install + "\r\n" + install + "\\bad<name>.txt\r\n" + install + "\\good.txt\r\n");
  EXPECT_NE(Failures().find(install + "\\bad<name>.txt"), std::string::npos) << Failures();
  EXPECT_EQ(Bytes(install_ + L"\\good.txt"), "y");
  // Only the file written in place counts as written.
  EXPECT_TRUE(FileSetHas(lists_.files_written, String(U16(install_ + L"\\GOOD.txt"))));
  EXPECT_FALSE(FileSetHas(lists_.files_written, String(U16(install_ + L"\\bad<name>.txt"))));
}

// Stands in for an MSI package that puts a file of its own beside itself.
void MsiPlantsFile(const MsiRequest& request, const Progress&, const LanguageTable&, Journal&) {
  PutFile(WideOf(request.path).substr(0, WideOf(request.path).rfind(L'\\')) + L"\\sub\\from-msi.txt", "msi's");
}

// The phase knows what is in the folders it made only until an MSI package
// has run: a later entry sees what the package left there.
TEST_F(FileInstallRun, AFileAnMsiPackageLeftIsSeenByLaterEntries) {
  hooks_.install_msi = &MsiPlantsFile;
  EntryPackage package;
  package.Add(entry_kind::kInstallFolder, "sub\\first.txt", "first");
  package.Add(entry_kind::kMsi, "pkg.msi", "msi bytes");
  package.Add(entry_kind::kInstallFolder, "sub\\from-msi.txt", "ours", entry_flag::kOverwriteIfMissing);
  package.Add(entry_kind::kInstallFolder, "sub\\after.txt", "after");
  Install(package);
  const std::string install = Utf8(install_);
  EXPECT_EQ(Bytes(install_ + L"\\sub\\from-msi.txt"), "msi's");
  EXPECT_EQ(Bytes(install_ + L"\\sub\\after.txt"), "after");
  const std::string log = WorkingLog();
  EXPECT_NE(log.find(install + "\\sub\\from-msi.txt was not installed because it already exists.\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(Failures(), "");
}

TEST_F(FileInstallRun, RemovableMediaRecordSharedFilesAndCountNothing) {
  removable_ = true;
  EntryPackage package;
  package.Add(entry_kind::kSharedFolder, "lib.dll", "lib");
  Install(package);
  EXPECT_EQ(Bytes(shared_ + L"\\lib.dll"), "lib");
  EXPECT_EQ(Records(), Utf8(shared_) + "\\lib.dll\r\n");
  EXPECT_TRUE(lists_.shared_listed.IsEmpty());
  EXPECT_TRUE(lists_.shared_files.empty());
  uint32_t count = 0;
  EXPECT_FALSE(ReadCount(shared_ + L"\\lib.dll", &count));
}

TEST_F(FileInstallRun, CountsAreRaisedOncePerProduct) {
  const std::wstring raised = shared_ + L"\\raised.dll";
  const std::wstring held = shared_ + L"\\held.dll";
  WriteCount(raised, 4);
  WriteCount(held, 2);
  // The earlier installation of this product already counts on held.dll.
  lists_.shared_files = String(Quoted(Utf8(held)).c_str());
  EntryPackage package(BlockCoding{nullptr, true});
  package.Add(entry_kind::kSharedFolder, "raised.dll", "r");
  package.Add(entry_kind::kSharedFolder, "held.dll", "h");
  package.Add(entry_kind::kSharedFolder, "raised.dll", "r", entry_flag::kPermanent);  // another mark, another entry
  // Each count is recorded in the product's Uninstall key before it is
  // raised, so that a run cut short never leaves one a rerun raises again.
  product_.settings.UninstallKeyName = String(u"Bx Counts Record Test");
  const std::wstring record_key = WideOf(UninstallKeyPath(product_.settings.UninstallKeyName));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, record_key.c_str());
  Install(package);
  wchar_t recorded[1024] = {};
  DWORD size = sizeof recorded;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, record_key.c_str(), L"SharedFiles", RRF_RT_REG_SZ, nullptr, recorded, &size),
            0);
  EXPECT_EQ(Text(AnsiToUtf16(lists_.shared_files)), Text(String(reinterpret_cast<const char16_t*>(recorded))));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, record_key.c_str());
  uint32_t count = 0;
  EXPECT_TRUE(ReadCount(raised, &count));
  EXPECT_EQ(count, 6u);
  EXPECT_TRUE(ReadCount(held, &count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(Text(lists_.shared_files),
            Quoted(Utf8(held)) + ";" + Quoted(Utf8(raised)) + ";" + Quoted(Utf8(raised) + " "));
}

TEST(FileVersionQuery, SystemLibraryHasOneAndATextFileHasNone) {
  const String kernel = FolderPath(FolderSource::kSystem);
  const String version = FileVersion(String(U16(WideOf(kernel) + L"\\kernel32.dll")));
  ASSERT_FALSE(version.empty());
  EXPECT_GE(version.AtW(0), u'0');
  EXPECT_LE(version.AtW(0), u'9');
  EXPECT_LT(version.FindW(u','), 0);
  ScratchFolder folder;
  PutFile(folder / L"plain.txt", "no resources");
  EXPECT_TRUE(FileVersion(String(U16(folder / L"plain.txt"))).empty());
  EXPECT_TRUE(FileVersion(String(U16(folder / L"missing.dll"))).empty());
}

}  // namespace
