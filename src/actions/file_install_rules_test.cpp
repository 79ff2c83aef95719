#include "actions/file_install_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "package/corrupt.h"

namespace {

std::u16string W(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }
std::string N(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

FileDate Date(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
  return FileDate{year, month, day, hour, minute, second};
}

const FileDate kEntryDate = Date(2024, 3, 9, 14, 5, 7);

DestinationFolders Folders() {
  DestinationFolders f;
  f.install = String(u"C:\\Apps\\Tool");
  f.shared = String(u"C:\\Common\\Vendor");
  f.uninstall = String(u"C:\\Apps\\Tool\\uninst");
  f.fonts = String(u"C:\\Windows\\Fonts");
  f.system = String(u"C:\\Windows\\System32");
  return f;
}

// Stands in for the variable table: %InstallDir% and %SystemDir% only.
void Expand(String& text) {
  const struct {
    const char16_t* name;
    const char16_t* value;
  } table[] = {{u"%InstallDir%", u"C:\\Apps\\Tool"}, {u"%SystemDir%", u"C:\\Windows\\System32"}};
  for (const auto& row : table) {
    for (int32_t at = text.FindW(row.name); at >= 0; at = text.FindW(row.name)) {
      text.ReplaceW(at, TextLengthW(row.name), row.value, TextLengthW(row.value));
    }
  }
}

struct Place {
  bool ok;
  std::u16string path;
  bool from_override;
};

Place Where(uint32_t kind, uint32_t flags, const char16_t* name, const char16_t* override_text = u"",
            const DestinationFolders& folders = Folders()) {
  Destination d;
  const bool ok = ComputeDestination(kind, flags, String(name), String(override_text), folders, Expand, &d);
  return Place{ok, W(d.path), d.from_override};
}

TEST(FileDestination, EachKindGoesToItsFolder) {
  EXPECT_EQ(Where(entry_kind::kInstallFolder, 0, u"bin\\app.exe").path, u"C:\\Apps\\Tool\\bin\\app.exe");
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"lib.dll").path, u"C:\\Common\\Vendor\\lib.dll");
  EXPECT_EQ(Where(entry_kind::kFont, 0, u"f.ttf").path, u"C:\\Windows\\Fonts\\f.ttf");
  EXPECT_EQ(Where(entry_kind::kStartup, 0, u"a.exe").path, u"C:\\Apps\\Tool\\a.exe");
  for (uint32_t kind : {entry_kind::kSystem, entry_kind::kSystemCom, entry_kind::kSystemTypeLibrary}) {
    EXPECT_EQ(Where(kind, 0, u"x.dll").path, u"C:\\Windows\\System32\\x.dll") << kind;
  }
  for (uint32_t kind : {entry_kind::kVersioned, entry_kind::kDriver, entry_kind::kMsi, entry_kind::kControlPanel}) {
    EXPECT_EQ(Where(kind, 0, u"x.y").path, u"C:\\Apps\\Tool\\x.y") << kind;
  }
  EXPECT_FALSE(Where(entry_kind::kInstallFolder, 0, u"a.txt").from_override);
}

TEST(FileDestination, UninstallFolderFlagOnlyWithoutOverride) {
  EXPECT_EQ(Where(entry_kind::kFont, entry_flag::kInUninstallFolder, u"readme.txt").path,
            u"C:\\Apps\\Tool\\uninst\\readme.txt");
  const Place p = Where(entry_kind::kInstallFolder, entry_flag::kInUninstallFolder, u"readme.txt", u"docs\\");
  EXPECT_EQ(p.path, u"C:\\Apps\\Tool\\docs\\readme.txt");
  EXPECT_TRUE(p.from_override);
}

TEST(FileDestination, OverrideRules) {
  // No backslash: a new name in the kind's base folder.
  EXPECT_EQ(Where(entry_kind::kInstallFolder, 0, u"a.txt", u"b.txt").path, u"C:\\Apps\\Tool\\b.txt");
  // A folder for the entry's name, below the shared folder for kind 1.
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"lib.dll", u"sub\\").path, u"C:\\Common\\Vendor\\sub\\lib.dll");
  // Relative overrides of all other kinds lie below the install folder.
  EXPECT_EQ(Where(entry_kind::kSystem, 0, u"x.dll", u"bin\\y.dll").path, u"C:\\Apps\\Tool\\bin\\y.dll");
  // Variables, and absolute overrides as given.
  EXPECT_EQ(Where(entry_kind::kSystemCom, 0, u"x.dll", u"%SystemDir%\\").path, u"C:\\Windows\\System32\\x.dll");
  EXPECT_EQ(Where(entry_kind::kInstallFolder, 0, u"x.dll", u"D:\\Other\\z.dll").path, u"D:\\Other\\z.dll");
  EXPECT_EQ(Where(entry_kind::kInstallFolder, 0, u"x.dll", u"%InstallDir%/./sub//x.dll").path,
            u"C:\\Apps\\Tool\\sub\\x.dll");
}

TEST(FileDestination, PortableSharedFolderKeepsSharedFilesBelowIt) {
  DestinationFolders f = Folders();
  f.shared = String(u"E:\\Tool\\Shared");
  f.portable_shared = true;
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"a.dll", u"D:\\x\\", f).path, u"E:\\Tool\\Shared\\a.dll");
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"a.dll", u"%SystemDir%\\", f).path, u"E:\\Tool\\Shared\\a.dll");
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"a.dll", u"b.dll", f).path, u"E:\\Tool\\Shared\\a.dll");
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"a.dll", u"sub\\", f).path, u"E:\\Tool\\Shared\\sub\\a.dll");
  // Other kinds keep their overrides.
  EXPECT_EQ(Where(entry_kind::kInstallFolder, 0, u"a.dll", u"D:\\x\\", f).path, u"D:\\x\\a.dll");
}

TEST(FileDestination, NamesThatLeaveTheirFolderAreRefused) {
  const char16_t* const names[] = {u"..\\evil.exe", u"a\\..\\..\\evil.exe", u"a/../../x", u"\\Windows\\x.dll",
                                   u"/etc",           u"C:\\x.dll",             u"C:x.dll",   u"a\\.. \\x",
                                   u"",
                                   // Devices, and parts the system would read as another name.
                                   u"CON", u"sub\\nul.txt", u"Aux.tar.gz\\x", u"com1", u"LPT9.log", u"com0",
                                   u"lpt\u00B9", u"COM\u00B3.txt", u"conin$", u"CONOUT$.x", u"con .txt", u"prn",
                                   u"a.", u"a \\b", u"sub\\x.txt.", u"x ", u". .\\x"};
  for (size_t i = 0; i < sizeof(names) / sizeof(names[0]); ++i) {
    EXPECT_FALSE(Where(entry_kind::kInstallFolder, 0, names[i]).ok) << i;
  }
  // The name is checked also where an override gives the folder.
  EXPECT_FALSE(Where(entry_kind::kInstallFolder, 0, u"..\\a.txt", u"%SystemDir%\\").ok);
  // A file name that merely contains dots is fine.
  EXPECT_TRUE(Where(entry_kind::kInstallFolder, 0, u"a..b\\..c.txt").ok);
  EXPECT_TRUE(Where(entry_kind::kInstallFolder, 0, u".\\a.txt").ok);
  // Only a near miss of a device name, and dots alone beyond two, name files.
  int index = 0;
  for (const char16_t* name : {u"CONSOLE.txt", u"com10", u"lpt", u"xnul", u"con1", u"COM1x.txt", u"...\\x",
                               u"....", u"a.b c"}) {
    const int i = index++;
    EXPECT_TRUE(Where(entry_kind::kInstallFolder, 0, name).ok) << i;
  }
}

// Overrides are the package's choice of place: relative ones are taken from
// the kind's base folder and normalised, wherever that leads.
TEST(FileDestination, RelativeOverridesAreNormalisedNotRefused) {
  const struct {
    uint32_t kind;
    const char16_t* override_text;
    const char16_t* path;
  } cases[] = {
      {entry_kind::kInstallFolder, u"sub\\..\\ok\\", u"C:\\Apps\\Tool\\ok\\a.txt"},
      {entry_kind::kInstallFolder, u"..\\Side\\", u"C:\\Apps\\Side\\a.txt"},
      {entry_kind::kVersioned, u"..\\..\\..\\..\\top.txt", u"C:\\top.txt"},
      {entry_kind::kInstallFolder, u"\\x\\", u"C:\\Apps\\Tool\\x\\a.txt"},
      {entry_kind::kSharedFolder, u"sub\\..\\..\\x.txt", u"C:\\Common\\x.txt"},
      {entry_kind::kInstallFolder, u"%InstallDir%\\..\\Side\\", u"C:\\Apps\\Side\\a.txt"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Place p = Where(cases[i].kind, 0, u"a.txt", cases[i].override_text);
    EXPECT_TRUE(p.ok && p.from_override) << i;
    EXPECT_EQ(p.path, cases[i].path) << i;
  }
}

TEST(FileDestination, ProductWithoutSharedFolderKeepsSharedFilesInstalled) {
  DestinationFolders f = Folders();
  f.shared.Clear();
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"lib.dll", u"", f).path, u"C:\\Apps\\Tool\\lib.dll");
  EXPECT_EQ(Where(entry_kind::kSharedFolder, 0, u"lib.dll", u"sub\\", f).path, u"C:\\Apps\\Tool\\sub\\lib.dll");
}

TEST(FilePaths, Normalise) {
  EXPECT_EQ(W(NormalisePath(String(u"C:/a//b/./c"))), u"C:\\a\\b\\c");
  EXPECT_EQ(W(NormalisePath(String(u"C:\\a\\..\\..\\b"))), u"C:\\b");
  EXPECT_EQ(W(NormalisePath(String(u"C:\\a\\.."))), u"C:\\");
  EXPECT_EQ(W(NormalisePath(String(u"\\\\srv\\share\\x\\..\\..\\y"))), u"\\\\srv\\share\\y");
  EXPECT_EQ(W(NormalisePath(String(u"C:\\a\\b\\"))), u"C:\\a\\b\\");
  EXPECT_EQ(W(NormalisePath(String(u"a\\..\\b"))), u"b");
}

TEST(FileProgress, MovesFrom28To90) {
  EXPECT_EQ(FileProgress(0, 10), 28);
  EXPECT_EQ(FileProgress(5, 10), 59);
  EXPECT_EQ(FileProgress(9, 10), 83);
  EXPECT_EQ(FileProgress(2, 3), 69);  // 124 / 3 = 41, truncated
  EXPECT_EQ(FileProgress(99999, 100000), 89);
  EXPECT_EQ(FileProgress(0, 0), 28);
  EXPECT_EQ(FileProgress(40000000, 50000000), 77);  // no overflow
}

TEST(FileProgress, StatusShowsPathUnlessHidden) {
  EXPECT_TRUE(ShowsFileName(false, String("a.txt")));
  EXPECT_FALSE(ShowsFileName(true, String("a.txt")));
  EXPECT_FALSE(ShowsFileName(false, String("b/0@+")));
  EXPECT_TRUE(ShowsFileName(false, String("b/0@+x")));
}

TEST(FileEntryCheck, DamagedFields) {
  EntryRecord entry;
  entry.name = String("a.txt");
  for (uint32_t kind : {0u, 1u, 5u, 6u, 7u, 8u, 9u, 10u, 11u}) {
    entry.kind = kind;
    EXPECT_EQ(CheckEntryFields(entry), kCorruptNone) << kind;
  }
  for (uint32_t kind : {2u, 3u, 13u, 0xFFFFFFFFu}) {
    entry.kind = kind;
    EXPECT_EQ(CheckEntryFields(entry), kCorruptEntryKind) << kind;
  }
  entry.kind = entry_kind::kFont;
  EXPECT_EQ(CheckEntryFields(entry), kCorruptFontName);
  entry.display_name() = String("Test Sans (TrueType)");
  EXPECT_EQ(CheckEntryFields(entry), kCorruptNone);
  entry.kind = entry_kind::kControlPanel;
  EXPECT_EQ(CheckEntryFields(entry), kCorruptControlPanelClass);
  entry.applet_class_id() = String("{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(CheckEntryFields(entry), kCorruptNone);
}

TEST(FileRecords, WhichFilesAndFoldersAreRecorded) {
  for (uint32_t kind : {0u, 5u, 9u, 10u, 11u, 12u}) {
    EXPECT_TRUE(RecordsFile(kind, 0, false)) << kind;
    EXPECT_FALSE(RecordsFile(kind, entry_flag::kPermanent, false)) << kind;
    EXPECT_TRUE(RecordsFolder(kind, 0)) << kind;
  }
  for (uint32_t kind : {4u, 6u, 7u, 8u}) {
    EXPECT_FALSE(RecordsFile(kind, 0, true)) << kind;
    EXPECT_FALSE(RecordsFolder(kind, 0)) << kind;
  }
  EXPECT_FALSE(RecordsFile(entry_kind::kSharedFolder, 0, false));
  EXPECT_TRUE(RecordsFile(entry_kind::kSharedFolder, 0, true));
  EXPECT_FALSE(RecordsFile(entry_kind::kSharedFolder, entry_flag::kPermanent, true));
  EXPECT_TRUE(RecordsFolder(entry_kind::kSharedFolder, 0));
}

TEST(FileRecords, WhereThePhaseMakesFolders) {
  EXPECT_TRUE(CreatesFolder(entry_kind::kInstallFolder, 0, false));
  EXPECT_TRUE(CreatesFolder(entry_kind::kControlPanel, 0, false));
  EXPECT_FALSE(CreatesFolder(entry_kind::kInstallFolder, entry_flag::kInUninstallFolder, false));
  EXPECT_FALSE(CreatesFolder(entry_kind::kSharedFolder, 0, false));
  EXPECT_FALSE(CreatesFolder(entry_kind::kFont, 0, false));
  EXPECT_FALSE(CreatesFolder(entry_kind::kSystemCom, 0, false));
  EXPECT_TRUE(CreatesFolder(entry_kind::kSharedFolder, 0, true));
  EXPECT_TRUE(CreatesFolder(entry_kind::kInstallFolder, entry_flag::kInUninstallFolder, true));
}

TEST(SharedFiles, ListedKindsAndMarks) {
  EXPECT_TRUE(ListsSharedFile(entry_kind::kSharedFolder, false));
  EXPECT_FALSE(ListsSharedFile(entry_kind::kSharedFolder, true));
  for (uint32_t kind : {6u, 7u, 8u}) EXPECT_TRUE(ListsSharedFile(kind, true)) << kind;
  for (uint32_t kind : {0u, 4u, 5u, 9u, 10u, 11u, 12u}) EXPECT_FALSE(ListsSharedFile(kind, false)) << kind;

  const uint32_t permanent = entry_flag::kPermanent;
  EXPECT_EQ(SharedFileMark(entry_kind::kSharedFolder, 0), 0);
  EXPECT_EQ(SharedFileMark(entry_kind::kSharedFolder, permanent), ' ');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystem, 0), ' ');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemCom, 0), '^');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemCom, permanent), ' ');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemTypeLibrary, 0), '\xA9');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemTypeLibrary, 1u << 12), '\xA9');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemTypeLibrary, 1u << 13), ' ');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemTypeLibrary, 1u << 31), ' ');
  EXPECT_EQ(SharedFileMark(entry_kind::kSystemTypeLibrary, permanent), ' ');
}

TEST(ProductFonts, PairsInQuotes) {
  String fonts;
  AddProductFont(&fonts, String("Test Sans (TrueType)"), String("testsans.ttf"));
  AddProductFont(&fonts, String("Odd \"Quote\""), String("odd.ttf"));
  EXPECT_EQ(N(fonts), "\"Test Sans (TrueType)\" \"testsans.ttf\" \"Odd \"\"Quote\"\"\" \"odd.ttf\" ");
}

// The overwrite and up-to-date rules.
class FileDecisionTest : public ::testing::Test {
 protected:
  FileDecision Decide(uint32_t kind, uint32_t flags, const ExistingFile& existing, const FileDate& date = kEntryDate,
                      const char16_t* version = u"", bool removable = false) {
    EntryFacts facts;
    facts.kind = kind;
    facts.flags = flags;
    facts.date = date;
    facts.version = String(version);
    facts.removable = removable;
    return DecideFile(facts, String(u"C:\\T\\f.dll"), existing);
  }
  static ExistingFile Missing() { return ExistingFile(); }
  static ExistingFile At(const FileDate& time, const char16_t* version = u"") {
    ExistingFile e;
    e.exists = true;
    e.has_time = true;
    e.time = time;
    e.version = String(version);
    return e;
  }
  static ExistingFile Timeless() {
    ExistingFile e;
    e.exists = true;
    return e;
  }
};

TEST_F(FileDecisionTest, SkipModesLeaveNoTrace) {
  for (uint32_t mode : {0x04u, 0x14u}) {
    for (const ExistingFile& e : {Missing(), At(kEntryDate)}) {
      const FileDecision d = Decide(entry_kind::kInstallFolder, mode, e);
      EXPECT_FALSE(d.install);
      EXPECT_FALSE(d.record_existing);
      EXPECT_TRUE(d.log.empty());
    }
  }
  EXPECT_TRUE(SkipsSilently(0x04));
  EXPECT_TRUE(SkipsSilently(0x14 | 0x23));
  EXPECT_FALSE(SkipsSilently(0x18));
  EXPECT_FALSE(SkipsSilently(0x1C));
}

TEST_F(FileDecisionTest, NormalModesInstallOverAnything) {
  for (uint32_t mode : {0x00u, 0x18u, 0x1Cu}) {
    EXPECT_TRUE(Decide(entry_kind::kInstallFolder, mode, Missing()).install);
    const FileDecision d = Decide(entry_kind::kInstallFolder, mode, At(Date(2030, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(d.install);
    EXPECT_TRUE(d.log.empty());
  }
}

TEST_F(FileDecisionTest, OnlyIfExists) {
  const FileDecision missing = Decide(entry_kind::kInstallFolder, 0x08, Missing());
  EXPECT_FALSE(missing.install);
  EXPECT_FALSE(missing.record_existing);
  EXPECT_EQ(W(missing.log), u"C:\\T\\f.dll was not installed because it does not already exist.\r\n");
  EXPECT_TRUE(Decide(entry_kind::kInstallFolder, 0x08, At(kEntryDate)).install);
}

TEST_F(FileDecisionTest, OnlyIfMissingRecordsTheExistingFile) {
  EXPECT_TRUE(Decide(entry_kind::kInstallFolder, 0x0C, Missing()).install);
  const FileDecision d = Decide(entry_kind::kInstallFolder, 0x0C, At(kEntryDate));
  EXPECT_FALSE(d.install);
  EXPECT_TRUE(d.record_existing);
  EXPECT_EQ(W(d.log), u"C:\\T\\f.dll was not installed because it already exists.\r\n");
  EXPECT_FALSE(Decide(entry_kind::kInstallFolder, 0x0C | entry_flag::kPermanent, At(kEntryDate)).record_existing);
  EXPECT_FALSE(Decide(entry_kind::kSystem, 0x0C, At(kEntryDate)).record_existing);
}

TEST_F(FileDecisionTest, OnlyIfNotNewer) {
  const FileDecision newer = Decide(entry_kind::kInstallFolder, 0x10, At(Date(2024, 3, 9, 14, 5, 9)));
  EXPECT_FALSE(newer.install);
  EXPECT_TRUE(newer.record_existing);
  EXPECT_EQ(W(newer.log), u"C:\\T\\f.dll was not installed because the existing file is newer.\r\n");
  // One second is no difference; an entry without time or a file without a
  // readable time lets the file through.
  EXPECT_TRUE(Decide(entry_kind::kInstallFolder, 0x10, At(Date(2024, 3, 9, 14, 5, 8))).install);
  EXPECT_TRUE(Decide(entry_kind::kInstallFolder, 0x10, At(Date(2025, 1, 1, 0, 0, 0)), Date(2024, 3, 9, -1, 0, 0)).install);
  EXPECT_TRUE(Decide(entry_kind::kInstallFolder, 0x10, Timeless()).install);
  EXPECT_TRUE(Decide(entry_kind::kInstallFolder, 0x10, Missing()).install);
}

TEST_F(FileDecisionTest, SharedAndFontFilesByDate) {
  for (uint32_t kind : {entry_kind::kSharedFolder, entry_kind::kFont}) {
    const FileDecision same = Decide(kind, 0, At(Date(2024, 3, 9, 14, 5, 6)));  // 1 s older
    EXPECT_FALSE(same.install) << kind;
    EXPECT_EQ(W(same.log), u"C:\\T\\f.dll is up to date.\r\n");
    EXPECT_FALSE(Decide(kind, 0, At(Date(2025, 1, 1, 0, 0, 0))).install) << kind;
    const FileDecision older = Decide(kind, 0, At(Date(2024, 3, 9, 14, 5, 5)));  // 2 s older
    EXPECT_TRUE(older.install) << kind;
    EXPECT_EQ(W(older.log), u"C:\\T\\f.dll is out of date and will be replaced.\r\n");
    // Without a complete entry date or a readable file time: replaced.
    EXPECT_TRUE(Decide(kind, 0, At(kEntryDate), Date(2024, 3, 9, -1, 0, 0)).install) << kind;
    EXPECT_TRUE(Decide(kind, 0, Timeless()).install) << kind;
    // Nothing there: installed without a line.
    EXPECT_TRUE(Decide(kind, 0, Missing()).log.empty()) << kind;
  }
  // An up-to-date shared file on removable media is still the product's.
  EXPECT_TRUE(Decide(entry_kind::kSharedFolder, 0, At(kEntryDate), kEntryDate, u"", true).record_existing);
  EXPECT_FALSE(Decide(entry_kind::kSharedFolder, 0, At(kEntryDate), kEntryDate, u"", false).record_existing);
  EXPECT_FALSE(Decide(entry_kind::kFont, 0, At(kEntryDate), kEntryDate, u"", true).record_existing);
}

TEST_F(FileDecisionTest, VersionedFilesNeedANewerVersionAndANewerDate) {
  const FileDate two_seconds_older = Date(2024, 3, 9, 14, 5, 5);
  const FileDecision both = Decide(entry_kind::kVersioned, 0, At(two_seconds_older, u"1.2"), kEntryDate, u"1.3");
  EXPECT_TRUE(both.install);
  EXPECT_EQ(W(both.log),
            u"C:\\T\\f.dll needs replacement because its version (1.3) is newer than 1.2 and its date "
            u"(2024/03/09 14:05:07) is newer than 2024/03/09 14:05:05\r\n");

  const FileDecision old_version = Decide(entry_kind::kVersioned, 0, At(two_seconds_older, u"1.3"), kEntryDate, u"1.3");
  EXPECT_FALSE(old_version.install);
  EXPECT_TRUE(old_version.record_existing);
  EXPECT_EQ(W(old_version.log), u"C:\\T\\f.dll was not installed because its version (1.3) is not newer than 1.3\r\n");

  // A newer version with the same date (within a second) stays out.
  const FileDecision same_date =
      Decide(entry_kind::kVersioned, 0, At(Date(2024, 3, 9, 14, 5, 8), u"1.2"), kEntryDate, u"1.3");
  EXPECT_FALSE(same_date.install);
  EXPECT_TRUE(same_date.record_existing);
  EXPECT_EQ(W(same_date.log),
            u"C:\\T\\f.dll was not installed because its date (2024/03/09 14:05:07) is not newer than "
            u"2024/03/09 14:05:08.\r\n");
}

TEST_F(FileDecisionTest, VersionedFilesWithoutAVersionGoByDate) {
  const FileDate two_seconds_older = Date(2024, 3, 9, 14, 5, 5);
  // No entry version; no version resource in the existing file.
  for (const auto& [entry_version, file_version] :
       {std::pair<const char16_t*, const char16_t*>{u"", u"9.9"}, {u"1.0", u""}}) {
    const FileDecision newer = Decide(entry_kind::kSystem, 0, At(two_seconds_older, file_version), kEntryDate,
                                      entry_version);
    EXPECT_TRUE(newer.install);
    EXPECT_EQ(W(newer.log), u"C:\\T\\f.dll needs replacement because its date (2024/03/09 14:05:07) is newer "
                            u"than 2024/03/09 14:05:05\r\n");
    const FileDecision one_second =
        Decide(entry_kind::kSystem, 0, At(Date(2024, 3, 9, 14, 5, 6), file_version), kEntryDate, entry_version);
    EXPECT_FALSE(one_second.install);
    EXPECT_FALSE(one_second.record_existing);  // kind 6 is never recorded
  }
  // A file whose time cannot be read is replaced.
  EXPECT_TRUE(Decide(entry_kind::kSystemCom, 0, Timeless()).install);
  const FileDecision versioned = Decide(entry_kind::kSystemCom, 0, Timeless(), kEntryDate, u"2.0");
  EXPECT_TRUE(versioned.install);
  EXPECT_TRUE(versioned.log.empty());
}

TEST_F(FileDecisionTest, OtherKindsAlwaysReplace) {
  for (uint32_t kind : {0u, 5u, 10u, 11u, 12u}) {
    const FileDecision d = Decide(kind, 0, At(Date(2030, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(d.install) << kind;
    EXPECT_TRUE(d.log.empty()) << kind;
  }
}

TEST(FileVersionText, CommasAndBlanks) {
  EXPECT_EQ(W(CleanFileVersion(String(u" 1, 2, 3, 4\r\n"))), u"1. 2. 3. 4");
  EXPECT_EQ(W(CleanFileVersion(String(u"\t2.0.1\t"))), u"2.0.1");
  EXPECT_TRUE(CleanFileVersion(String(u" \r\n")).empty());
}

TEST(Shortcuts, RequestFromEntry) {
  EXPECT_FALSE(RequestsShortcut(entry_kind::kInstallFolder, 0));
  EXPECT_TRUE(RequestsShortcut(entry_kind::kInstallFolder, entry_flag::kDesktopShortcut));
  EXPECT_TRUE(RequestsShortcut(entry_kind::kInstallFolder, entry_flag::kStartMenuShortcut));
  EXPECT_TRUE(RequestsShortcut(entry_kind::kStartup, 0));
  EXPECT_FALSE(RequestsShortcut(entry_kind::kVersioned, entry_flag::kDesktopShortcut));

  EntryRecord entry;
  entry.kind = entry_kind::kInstallFolder;
  entry.flags = entry_flag::kStartMenuShortcut | entry_flag::kPermanent;
  entry.display_name() = String("Caf\xC3\xA9 Tool");      // UTF-8
  entry.shortcut_arguments = String("/x \xE9");           // Windows-1252
  entry.working_folder = String("C:\\Work");
  entry.shortcut_icon = String("C:\\Apps\\Tool\\app.ico");
  const ShortcutRequest r = MakeShortcutRequest(entry, String(u"C:\\Apps\\Tool\\app.exe"));
  EXPECT_FALSE(r.desktop);
  EXPECT_TRUE(r.start_menu);
  EXPECT_FALSE(r.startup);
  EXPECT_TRUE(r.permanent);
  EXPECT_EQ(W(r.target), u"C:\\Apps\\Tool\\app.exe");
  EXPECT_EQ(W(r.name), u"Caf\u00E9 Tool");
  EXPECT_EQ(W(r.arguments), u"/x \u00E9");
  EXPECT_EQ(W(r.working_folder), u"C:\\Work");
  EXPECT_EQ(W(r.icon), u"C:\\Apps\\Tool\\app.ico");
}

TEST(FileTexts, WrittenLineAndFolderFailure) {
  EXPECT_EQ(W(WrittenFileLine(String(u"bin\\app.exe"), String(u"C:\\A\\bin\\app.exe"))),
            u"app.exe >>> C:\\A\\bin\\app.exe\r\n");
  EXPECT_EQ(W(FolderFailureText(String(u"Could not create folder:"), String(u"C:\\A\\b"), String(kFileInTheWayText),
                                String(u"C:\\A\\b\\c.txt"))),
            u"Could not create folder: C:\\A\\b\r\nCannot create directory because there is a file with the same "
            u"name.\r\n\r\nNot installed: C:\\A\\b\\c.txt\r\n\r\n");
  // A message with places takes the folder and the reason in them; a
  // percent sign in the folder stays as it is.
  EXPECT_EQ(W(FolderFailureText(String(u"The folder %s could not be created (100%%).\r\n\r\n%s"),
                                String(u"C:\\50%s"), String(u"Access is denied."), String(u"C:\\50%s\\x"))),
            u"The folder C:\\50%s could not be created (100%).\r\n\r\nAccess is denied.\r\n\r\nNot installed: "
            u"C:\\50%s\\x\r\n\r\n");
}

TEST(FileTexts, FontStatus) {
  EXPECT_EQ(W(FontStatusText(String(u"Installing <file>..."), String(u"a<file>.ttf"))), u"Installing a<file>.ttf...");
}

TEST(ComponentRequests, ControlPanelAndMsi) {
  EntryRecord entry;
  entry.kind = entry_kind::kControlPanel;
  entry.applet_class_id() = String("{12345678-1234-1234-1234-123456789ABC}");
  entry.shortcut_arguments = String("-x");
  ControlPanelRequest cpl = MakeControlPanelRequest(entry, String(u"C:\\A\\my.applet.cpl"), true);
  EXPECT_EQ(W(cpl.display_name), u"my.applet");
  EXPECT_EQ(W(cpl.class_id), u"{12345678-1234-1234-1234-123456789ABC}");
  EXPECT_EQ(W(cpl.arguments), u"-x");
  EXPECT_TRUE(cpl.pending);
  entry.display_name() = String("My Applet");
  EXPECT_EQ(W(MakeControlPanelRequest(entry, String(u"C:\\A\\my.cpl"), false).display_name), u"My Applet");

  entry.kind = entry_kind::kMsi;
  entry.msi_option = 5;
  entry.flags = entry_flag::kRememberMsi;
  const MsiRequest loud = MakeMsiRequest(entry, String(u"C:\\A\\p.msi"), false);
  EXPECT_EQ(loud.option, 5u);
  EXPECT_TRUE(loud.remember);
  EXPECT_EQ(MakeMsiRequest(entry, String(u"C:\\A\\p.msi"), true).option, 2u);
}

TEST(FileEntryName, MarkedOrAnsi) {
  EXPECT_EQ(W(EntryNameWide(String("bin\\a.txt"))), u"bin\\a.txt");
  EXPECT_EQ(W(EntryNameWide(String("|r\xC3\xA9sum\xC3\xA9.txt"))), u"r\u00E9sum\u00E9.txt");
  EntryRecord entry;
  entry.date[0] = 2024;
  entry.date[1] = 3;
  entry.date[3] = -1;
  const FileDate date = EntryDate(entry);
  EXPECT_EQ(date.year, 2024);
  EXPECT_EQ(date.month, 3);
  EXPECT_EQ(date.hour, -1);
}

}  // namespace
