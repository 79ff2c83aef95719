#include <windows.h>

#include "actions/uninstall_registration.h"

#include <gtest/gtest.h>

#include <string>

#include "actions/registration_run_wintest.h"
#include "core/codepage.h"
#include "core/handle_win.h"
#include "package/program_copy.h"
#include "records/icon_test_util.h"

namespace {

// One 16x16 image at 32 bits: its header, the pixels and the mask.
std::string IconImage() {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = 16;
  header.biHeight = 32;  // colour and mask
  header.biPlanes = 1;
  header.biBitCount = 32;
  std::string image(reinterpret_cast<const char*>(&header), sizeof(header));
  for (int i = 0; i < 16 * 16; ++i) image += std::string("\x20\x40\xC0\xFF", 4);
  return image + std::string(16 * 4, '\0');
}

std::string IconFile(const std::string& image) { return TestIconFile({{16, 16, 0, 32, image}}); }

String Bytes(const std::string& s) { return String(s.data(), static_cast<int32_t>(s.size())); }

// A resource of the program file, or nothing.
std::optional<std::string> ProgramResource(const std::wstring& path, LPCWSTR type, WORD id) {
  const LibraryHandle module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return std::nullopt;
  const HRSRC found = FindResourceExW(module.get(), type, MAKEINTRESOURCEW(id), 1033);
  const void* data = found ? LockResource(LoadResource(module.get(), found)) : nullptr;
  if (!data) return std::nullopt;
  return std::string(static_cast<const char*>(data), SizeofResource(module.get(), found));
}

// Opens a file with no sharing, as a running uninstaller holds itself.
FileHandle HoldExclusively(const std::wstring& path) {
  FileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(held.valid());
  return held;
}

class UninstallerFileRun : public RegistrationRun {
 protected:
  void SetUp() override {
    RegistrationRun::SetUp();
    const std::optional<std::string> image = testkit::ReadFileBytes(testkit::SetupExe());
    ASSERT_TRUE(image.has_value()) << "build setup.exe first";
    image_ = *image;
    copy_.stripped = Bytes(image_);
    copy_.length = image_.size();
    path_ = folder_ / L"uninstall.exe";
  }

  // The one queued move onto the uninstaller, and its temporary source.
  std::wstring QueuedSource() const {
    std::wstring source;
    for (const PendingRename& pair : PendingPairsIn(folder_.path())) {
      if (FoldedPath(WithoutPendingPrefix(pair.target)) == FoldedPath(W(path_))) {
        const String stored = WithoutPendingPrefix(pair.source);
        source.assign(reinterpret_cast<const wchar_t*>(stored.w_str()), static_cast<size_t>(stored.wlength()));
      }
    }
    return source;
  }

  std::string image_;
  ProgramCopy copy_;
  std::wstring path_;
};

TEST_F(UninstallerFileRun, StrippedImageWithItsIconReplaced) {
  const std::string image = IconImage();
  ASSERT_TRUE(PlaceUninstaller(FileWriteRulesOf(product_, journal_), W(path_), &copy_, String(), Bytes(IconFile(image))));
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(Failures(), "");
  EXPECT_EQ(ProgramResource(path_, RT_ICON, 1), image);
  EXPECT_EQ(ProgramResource(path_, RT_GROUP_ICON, 1), TestIconGroup(IconFile(image), 1));
  // The rest of the program's resources stay.
  EXPECT_TRUE(ProgramResource(path_, RT_VERSION, 1).has_value());
}

TEST_F(UninstallerFileRun, ABrokenIconLeavesTheProgramAsWritten) {
  ASSERT_TRUE(PlaceUninstaller(FileWriteRulesOf(product_, journal_), W(path_), &copy_, String(), String("not an icon")));
  EXPECT_EQ(testkit::ReadFileBytes(path_), image_);
  EXPECT_EQ(Log(), "Failed to replace uninstaller icon.\r\n");
}

TEST_F(UninstallerFileRun, ARunningUninstallerIsReplacedAtTheRestart) {
  PutFile(path_, "old uninstaller");
  {
    const FileHandle running = HoldExclusively(path_);
    EXPECT_FALSE(PlaceUninstaller(FileWriteRulesOf(product_, journal_), W(path_), &copy_, String(), String()));
  }
  EXPECT_EQ(testkit::ReadFileBytes(path_).value_or(""), "old uninstaller");
  const std::wstring staged = QueuedSource();
  ASSERT_FALSE(staged.empty());
  EXPECT_EQ(testkit::ReadFileBytes(staged), image_);
  EXPECT_TRUE(journal_.restart_needed);
  EXPECT_NE(Log().find("was successfully registered for replacement.\r\n"), std::string::npos);
  EXPECT_EQ(Failures(), "");
}

// The installer is copied a block at a time: one of several blocks and a
// part, so that every block, the last short one and the start over of a
// staged write count.
TEST_F(UninstallerFileRun, WithoutAStrippedImageTheInstallerIsCopied) {
  std::string installer_bytes;
  while (installer_bytes.size() < 2 * 1024 * 1024) installer_bytes += image_;
  installer_bytes += "end";
  const std::wstring installer = folder_ / L"installer.exe";
  PutFile(installer, installer_bytes);
  ASSERT_TRUE(PlaceUninstaller(FileWriteRulesOf(product_, journal_), W(path_), nullptr, W(installer), String()));
  EXPECT_EQ(testkit::ReadFileBytes(path_), installer_bytes);

  PutFile(path_, "old uninstaller");
  const ProgramCopy whole_file_only;  // the locator kept no stripped image
  {
    const FileHandle running = HoldExclusively(path_);
    EXPECT_FALSE(PlaceUninstaller(FileWriteRulesOf(product_, journal_), W(path_), &whole_file_only, W(installer), String()));
  }
  const std::wstring staged = QueuedSource();
  ASSERT_FALSE(staged.empty());
  EXPECT_EQ(testkit::ReadFileBytes(staged), installer_bytes);
  EXPECT_TRUE(journal_.restart_needed);
  std::string expected = Text(Utf16ToUtf8(W(path_)));
  expected.insert(0, 1, '"');
  expected += "\" was successfully registered for replacement.";
  EXPECT_NE(Log().find(expected), std::string::npos) << Log();  // after the writer's report of the refusal
  EXPECT_EQ(Failures(), "");

  // An installer that cannot be read leaves no uninstaller and says so.
  ASSERT_TRUE(DeleteFileW(path_.c_str()));
  EXPECT_FALSE(PlaceUninstaller(FileWriteRulesOf(product_, journal_), W(path_), nullptr, W(folder_ / L"gone.exe"), String()));
  EXPECT_FALSE(Exists(path_));
  EXPECT_NE(Failures().find(Text(Utf16ToUtf8(W(path_)))), std::string::npos) << Failures();
}

TEST_F(UninstallerFileRun, ReadmeAndLicenceCopies) {
  ProductSettings& s = product_.settings;
  s.SetFlag(product_flag::kCopyReadmeTexts, true);
  s.SetFlag(product_flag::kCopyLicenceTexts, true);
  s.ReadmeTexts.Add(String(u"Read me \u65E5\r\n"));
  s.LicenseTexts.Add(String(u"{\\rtf1 first}"));
  s.LicenseTexts.Add(String(u""));
  s.LicenseTexts.Add(String(u"second"));
  ASSERT_TRUE(CopyReadmeAndLicenceTexts(product_, journal_, install_folder_, Progress()));
  EXPECT_EQ(testkit::ReadFileBytes(folder_ / L"readme.txt").value_or(""), "\xEF\xBB\xBFRead me \xE6\x97\xA5\r\n");
  EXPECT_EQ(testkit::ReadFileBytes(folder_ / L"eula1.txt").value_or(""), "{\\rtf1 first}");
  EXPECT_EQ(testkit::ReadFileBytes(folder_ / L"eula2.txt").value_or(""), "\xEF\xBB\xBFsecond");
  EXPECT_FALSE(Exists(folder_ / L"eula3.txt"));
  const std::string folder = Text(Utf16ToUtf8(install_folder_));
  EXPECT_EQ(Records(), folder + "\\readme.txt\r\n" + folder + "\\eula1.txt\r\n" + folder + "\\eula2.txt\r\n");

  // Without the flags nothing is copied.
  DeleteFileW((folder_ / L"readme.txt").c_str());
  s.ProductFlags = 0;
  ASSERT_TRUE(CopyReadmeAndLicenceTexts(product_, journal_, install_folder_, Progress()));
  EXPECT_FALSE(Exists(folder_ / L"readme.txt"));
}

}  // namespace
