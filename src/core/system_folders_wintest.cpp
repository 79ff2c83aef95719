#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "core/codepage.h"
#include "core/os_facts.h"
#include "core/path_rules.h"
#include "core/scratch_folder_wintest.h"
#include "core/system_folders.h"
#include "testkit/testkit.h"

namespace {

std::wstring W(const String& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.w_str()), static_cast<size_t>(text.wlength()));
}

std::wstring Path(FolderSource source, FolderView view = FolderView::kDefault) {
  return W(FolderPath(source, view));
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Shell(int csidl) {
  wchar_t path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

std::wstring Windows() {
  wchar_t path[MAX_PATH];
  GetWindowsDirectoryW(path, MAX_PATH);
  return path;
}

// Each source gives a folder that exists, or the fall-back it documents.
struct Expected {
  FolderSource source;
  const wchar_t* name;
  std::wstring fallback;
};

TEST(SystemFolders, EverySourceGivesAFolderOrItsFallBack) {
  const std::wstring windows = Windows();
  const Expected sources[] = {
      {FolderSource::kWindows, L"Windows", L""},
      {FolderSource::kSystem, L"System", L""},
      {FolderSource::kSystem32, L"System32", L""},
      {FolderSource::kTemp, L"Temp", L""},
      {FolderSource::kProgramFiles, L"ProgramFiles", L"c:\\Program Files"},
      {FolderSource::kCommonFiles, L"CommonFiles", L"c:\\Program Files\\Common Files"},
      {FolderSource::kAppData, L"AppData", L""},
      {FolderSource::kCommonAppData, L"CommonAppData", L""},
      {FolderSource::kDesktop, L"Desktop", windows + L"\\Desktop"},
      {FolderSource::kCommonDesktop, L"CommonDesktop", L""},
      {FolderSource::kDocuments, L"Documents", L"c:\\My Documents"},
      {FolderSource::kCommonDocuments, L"CommonDocuments", L""},
      {FolderSource::kFavorites, L"Favorites", windows + L"\\Favorites"},
      {FolderSource::kCommonFavorites, L"CommonFavorites", windows + L"\\Favorites"},
      {FolderSource::kFonts, L"Fonts", windows + L"\\Fonts"},
      {FolderSource::kStartMenu, L"StartMenu", windows + L"\\Start Menu"},
      {FolderSource::kCommonStartMenu, L"CommonStartMenu", L""},
      {FolderSource::kPrograms, L"Programs", L""},
      {FolderSource::kCommonPrograms, L"CommonPrograms", L""},
      {FolderSource::kStartup, L"Startup", L""},
      {FolderSource::kCommonStartup, L"CommonStartup", L""},
      {FolderSource::kProfile, L"Profile", L""},
      {FolderSource::kDevicePath, L"DevicePath", windows + L"\\INF"},
      {FolderSource::kMediaPath, L"MediaPath", windows + L"\\Media"},
      {FolderSource::kWebRoot, L"WebRoot", L"c:\\Inetpub\\wwwroot"},
      {FolderSource::kWebServerFolder, L"WebServerFolder", L"c:\\Inetpub"},
  };
  for (const Expected& expected : sources) {
    const std::wstring path = Path(expected.source);
    ASSERT_FALSE(path.empty()) << Text(Utf16ToUtf8(String(reinterpret_cast<const char16_t*>(expected.name))));
    EXPECT_TRUE(IsFolder(path) || path == expected.fallback)
        << Text(Utf16ToUtf8(String(reinterpret_cast<const char16_t*>(path.c_str())))) << " for "
        << Text(Utf16ToUtf8(String(reinterpret_cast<const char16_t*>(expected.name))));
    // No trailing backslash but on a drive root and the temporary folder.
    if (expected.source != FolderSource::kTemp && path.size() > 3) {
      EXPECT_NE(path.back(), L'\\');
    }
  }
}

TEST(SystemFolders, AgreeWithTheShell) {
  EXPECT_EQ(Path(FolderSource::kWindows), Windows());
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(Path(FolderSource::kSystem), system);
  EXPECT_EQ(Path(FolderSource::kDesktop), Shell(CSIDL_DESKTOPDIRECTORY));
  EXPECT_EQ(Path(FolderSource::kAppData), Shell(CSIDL_APPDATA));
  EXPECT_EQ(Path(FolderSource::kCommonPrograms), Shell(CSIDL_COMMON_PROGRAMS));
  EXPECT_EQ(Path(FolderSource::kFonts), Shell(CSIDL_FONTS));
  EXPECT_EQ(Path(FolderSource::kProgramFiles), Shell(CSIDL_PROGRAM_FILES));
  EXPECT_EQ(Path(FolderSource::kProfile), Shell(CSIDL_PROFILE));
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(Path(FolderSource::kTemp), temp);
  // The 8-bit form is the same text in the ANSI code page.
  EXPECT_EQ(Text(FolderPathA(FolderSource::kFonts)), Text(Utf16ToAnsi(FolderPath(FolderSource::kFonts))));
}

TEST(SystemFolders, ThirtyTwoBitWindowsHasOneProgramFolder) {
  if (testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn32Bit("64-bit Windows has two program folders");
  ASSERT_FALSE(Is64BitWindows());
  const std::wstring programs = Path(FolderSource::kProgramFiles);
  const std::wstring common = Path(FolderSource::kCommonFiles);
  for (FolderView view : {FolderView::k32, FolderView::k64, FolderView::k64IfAny}) {
    EXPECT_EQ(Path(FolderSource::kProgramFiles, view), programs);
    EXPECT_EQ(Path(FolderSource::kCommonFiles, view), common);
  }
  EXPECT_TRUE(IsFolder(programs));
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  GetEnvironmentVariableW(name, value, MAX_PATH);
  return value;
}

// The 32-bit views (and the default one, for a 32-bit program) give the
// "(x86)" folders, the 64-bit views the others, as the system's own
// variables name them.
TEST(SystemFolders, SixtyFourBitWindowsHasTwoProgramFolders) {
  if (!testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn64Bit("32-bit Windows has one program folder");
  ASSERT_TRUE(Is64BitWindows());
  const struct {
    FolderSource source;
    const wchar_t* folder32;
    const wchar_t* folder64;
  } sources[] = {{FolderSource::kProgramFiles, L"ProgramFiles(x86)", L"ProgramW6432"},
                 {FolderSource::kCommonFiles, L"CommonProgramFiles(x86)", L"CommonProgramW6432"}};
  for (const auto& row : sources) {
    const std::wstring folder32 = Environment(row.folder32), folder64 = Environment(row.folder64);
    ASSERT_NE(folder32, folder64);
    EXPECT_NE(folder32.find(L" (x86)"), std::wstring::npos) << testing::PrintToString(folder32);
    EXPECT_TRUE(IsFolder(folder32));
    EXPECT_TRUE(IsFolder(folder64));
    EXPECT_EQ(Path(row.source, FolderView::k32), folder32);
    EXPECT_EQ(Path(row.source, FolderView::kDefault), folder32);
    EXPECT_EQ(Path(row.source, FolderView::k64), folder64);
    EXPECT_EQ(Path(row.source, FolderView::k64IfAny), folder64);
  }
}

TEST(SystemFolders, DevicePathAndBootDriveFromTheRegistry) {
  // The INF folder is the first folder of the setup value, expanded.
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  wchar_t value[1024] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  const bool has_value =
      RegQueryValueExW(key, L"DevicePath", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (has_value) {
    std::wstring first = value;
    first = first.substr(0, first.find(L';'));
    wchar_t expanded[1024];
    ExpandEnvironmentStringsW(first.c_str(), expanded, 1024);
    EXPECT_EQ(_wcsicmp(Path(FolderSource::kDevicePath).c_str(), expanded), 0);
  }
  const std::wstring boot = Path(FolderSource::kBootDrive);
  ASSERT_EQ(boot.size(), 1u);
  EXPECT_TRUE(boot[0] >= L'A' && boot[0] <= L'Z');
}

}  // namespace
