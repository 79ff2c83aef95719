// What the uninstaller must leave alone: records planted in its data file
// that name the top of the registry or a Windows folder, what an earlier
// owner had on the machine before the product came (a font, a file type,
// keys and values the merge file only changed), and the package of an MSI
// removal that failed.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/installer_win.h"
#include "package/entry_kinds.h"
#include "testkit/testkit.h"

namespace {

using e2e::Exists;
using e2e::RunToEnd;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring ReadText(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t data[4096] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"<none>";
  return data;
}

void WriteText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  ASSERT_EQ(RegSetKeyValueW(root, key.c_str(), name, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS)
      << key;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A product installed silently outside Program Files, with an uninstall
// data folder of its own.
struct SafetyProduct {
  explicit SafetyProduct(const wchar_t* stem) : product(e2e::TestProduct(stem)) {
    name = e2e::Wide(product.settings.DisplayName);
    folder = L"C:\\" + name;
    data_folder = folder + L"\\Uninstall";
    product.settings.UninstallSubdir = String(u"Uninstall");
    product.files.push_back(FileFromBytes("readme.txt", "Read me.\r\n", 10));
  }

  void Install() {
    const std::wstring installer = e2e::BuildInstallerFile(product, name + L".exe");
    ASSERT_FALSE(installer.empty());
    EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder + L"\""), 1u);
    ASSERT_TRUE(Exists(data_folder + L"\\uninstall.exe")) << "the install left no uninstaller";
  }

  DWORD Uninstall() { return RunToEnd(data_folder + L"\\uninstall.exe", L"/a /u:\"" + name + L"\""); }

  std::wstring DataFile() const { return data_folder + L"\\Uninstall.DAT"; }

  testing::AssertionResult Gone() const {
    return testkit::Await("the removal of the product folder", [&] { return !Exists(folder); }) << ": " << folder;
  }

  Product product;
  std::wstring name;
  std::wstring folder;
  std::wstring data_folder;
};

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  return SHGetFolderPathW(nullptr, csidl, nullptr, 0, path) == S_OK ? path : L"";
}

bool IsEmptyFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    const std::wstring entry = found.cFileName;
    if (entry != L"." && entry != L"..") empty = false;
  } while (empty && FindNextFileW(search, &found));
  FindClose(search);
  return empty;
}

// Lines planted in the data file that would delete keys directly below a
// hive root or a Classes root, and an empty shell folder, are refused and
// named in the failure summary; the run ends as failed, and the next run,
// which no longer carries them, finishes.
TEST(UninstallSafety, PlantedRecordsOfTopKeysAndShellFoldersAreRefused) {
  SafetyProduct p(L"Refusal");
  p.Install();
  const std::wstring below_user_hive = testkit::UniqueName(L"BxCanary");
  const std::wstring file_type = L"." + testkit::UniqueName(L"bxcanary");
  WriteText(HKEY_CURRENT_USER, below_user_hive, L"Kept", L"yes");
  WriteText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + file_type, nullptr, L"Kept.Type");
  WriteText(HKEY_CURRENT_USER, L"Software", L"BxCanaryValue", L"yes");
  // An empty shell folder is what a folder record could remove.
  const std::wstring favorites = ShellFolder(CSIDL_FAVORITES);
  const std::wstring templates = ShellFolder(CSIDL_TEMPLATES);
  std::wstring empty_shell_folder = IsEmptyFolder(favorites) ? favorites : templates;
  ASSERT_TRUE(IsEmptyFolder(empty_shell_folder)) << "no empty shell folder to plant";
  const std::string planted = "^HKEY_CURRENT_USER\\" + Narrow(below_user_hive) + "\r\n" +
                              "*HKLM\\Software\\Classes\\" + Narrow(file_type) + "\r\n" +
                              "!HKCU\\Software\\BxCanaryValue\r\n" + "~" + Narrow(empty_shell_folder) + "\r\n";
  e2e::WriteBytes(p.DataFile(), planted + e2e::ReadBytes(p.DataFile()));

  EXPECT_EQ(p.Uninstall(), 1u) << "a refused record is a failure of the run";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, below_user_hive, L"Kept"), L"yes");
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + file_type, nullptr), L"Kept.Type");
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, L"Software", L"BxCanaryValue"), L"yes");
  EXPECT_TRUE(Exists(empty_shell_folder));
  EXPECT_FALSE(Exists(p.folder + L"\\readme.txt")) << "the product's own records are carried out";
  const std::string rewritten = e2e::ReadBytes(p.DataFile());
  EXPECT_EQ(rewritten.find("Canary"), std::string::npos) << rewritten;
  EXPECT_EQ(rewritten.find("bxcanary"), std::string::npos) << rewritten;

  EXPECT_EQ(p.Uninstall(), 0u);
  EXPECT_TRUE(p.Gone());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + p.name));
  RegDeleteTreeW(HKEY_CURRENT_USER, below_user_hive.c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + file_type).c_str());
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software", L"BxCanaryValue");
}

// The keys the merge file made and the values it added go at uninstall; a
// value it changed keeps its new data, and the key that held it stays.
TEST(UninstallSafety, WhatTheMergeFileCreatedIsRemovedAndWhatItChangedStays) {
  SafetyProduct p(L"Merge");
  const std::wstring made = L"Software\\" + testkit::UniqueName(L"BxMerged");
  const std::wstring existing = L"Software\\" + testkit::UniqueName(L"BxEarlier");
  WriteText(HKEY_CURRENT_USER, existing, L"Changed", L"before");
  p.product.settings.RegistryMerge = e2e::FromWide(
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_CURRENT_USER\\" + made + L"\\Sub]\r\n\"Name\"=\"made\"\r\n\r\n"
      L"[HKEY_CURRENT_USER\\" + existing + L"]\r\n\"Changed\"=\"after\"\r\n\"Added\"=\"new\"\r\n");
  p.Install();
  // The registry editor is not waited for.
  ASSERT_TRUE(testkit::Await("the merge file's import", [&] {
    return ReadText(HKEY_CURRENT_USER, existing, L"Added") == L"new" &&
           ReadText(HKEY_CURRENT_USER, made + L"\\Sub", L"Name") == L"made";
  }));

  EXPECT_EQ(p.Uninstall(), 0u);
  EXPECT_TRUE(p.Gone());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, made));
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, existing, L"Added"), L"<none>");
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, existing, L"Changed"), L"after");
  RegDeleteTreeW(HKEY_CURRENT_USER, existing.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, made.c_str());
}

constexpr wchar_t kFontsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::wstring Folder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH] = {};
  get(folder, MAX_PATH);
  return folder;
}

// The 32-bit Common Files folder, which no file-system redirection moves:
// the installer of a product of either bitness and this test see the same.
std::wstring CommonFiles32() { return ShellFolder(CSIDL_PROGRAM_FILES_COMMON); }

// A font entry of a name of its own, added to the product, and where it goes.
struct PackedFont {
  PackedFont(Product* product, const wchar_t* stem)
      : bytes(testkit::ReadFileBytes(L"Z:\\usr\\share\\wine\\fonts\\courier.ttf").value_or("")),
        file_name(testkit::UniqueName(stem) + L".ttf"),
        display(L"Bx Font " + file_name),
        path(Folder(GetWindowsDirectoryW) + L"\\Fonts\\" + file_name) {
    PackageFile entry = FileFromBytes(Narrow(file_name).c_str(), bytes.data(), bytes.size());
    entry.entry.kind = entry_kind::kFont;
    entry.entry.version = String(Narrow(display).c_str());
    product->files.push_back(entry);
  }
  std::string bytes;
  std::wstring file_name;
  std::wstring display;
  std::wstring path;
};

// A font installed and registered before the product, which also packs it,
// stays on the disk and registered; so does a file in Common Files that was
// there before and that the product, which asks only for a missing one, did
// not write.
TEST(UninstallSafety, AFontAndACommonFileThatWereThereBeforeStay) {
  SafetyProduct p(L"Earlier");
  const PackedFont font(&p.product, L"bxearlier");
  ASSERT_FALSE(font.bytes.empty());
  e2e::WriteBytes(font.path, font.bytes);
  WriteText(HKEY_LOCAL_MACHINE, kFontsKey, font.display.c_str(), font.file_name);
  const std::wstring system_name = testkit::UniqueName(L"bxearlier") + L".dat";
  const std::wstring system_file = CommonFiles32() + L"\\" + system_name;
  e2e::WriteBytes(system_file, "the system's own");
  PackageFile system_entry = FileFromBytes("earlier.dat", "the product's", 13);
  system_entry.entry.destination = e2e::FromWide(L"%CommonDir32%\\" + system_name);
  system_entry.entry.flags = entry_flag::kOverwriteIfMissing;
  p.product.files.push_back(system_entry);
  p.Install();
  ASSERT_EQ(e2e::ReadBytes(system_file), "the system's own");

  EXPECT_EQ(p.Uninstall(), 0u);
  EXPECT_TRUE(p.Gone());
  EXPECT_TRUE(e2e::ReadBytes(font.path) == font.bytes) << "the font file changed or went";
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kFontsKey, font.display.c_str()), font.file_name);
  EXPECT_EQ(e2e::ReadBytes(system_file), "the system's own");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFontsKey, font.display.c_str());
  RemoveFontResourceW(font.path.c_str());
  DeleteFileW(font.path.c_str());
  DeleteFileW(system_file.c_str());
}

// What an earlier installation of the product brought is still the
// product's after an installation over it: the font goes at uninstall, and
// so does a file in Common Files that the second run found there.
TEST(UninstallSafety, WhatAnEarlierInstallationBroughtGoesAfterAReinstall) {
  SafetyProduct p(L"Reinstalled");
  const PackedFont font(&p.product, L"bxagain");
  ASSERT_FALSE(font.bytes.empty());
  const std::wstring system_file = CommonFiles32() + L"\\" + testkit::UniqueName(L"bxagain") + L".dat";
  PackageFile system_entry = FileFromBytes("again.dat", "the product's", 13);
  system_entry.entry.destination = e2e::FromWide(system_file);
  system_entry.entry.flags = entry_flag::kOverwriteIfMissing;
  p.product.files.push_back(system_entry);
  p.Install();
  p.Install();
  ASSERT_TRUE(Exists(font.path));
  ASSERT_TRUE(Exists(system_file));

  EXPECT_EQ(p.Uninstall(), 0u);
  EXPECT_TRUE(p.Gone());
  EXPECT_FALSE(Exists(font.path));
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kFontsKey, font.display.c_str()), L"<none>");
  EXPECT_FALSE(Exists(system_file));
}

// A package whose removal fails keeps its [MSI] line, and so its file and
// the file's record: the next attempt has something to remove it with.
TEST(UninstallSafety, AFailedMsiRemovalKeepsItsPackageFile) {
  SafetyProduct p(L"Msi");
  p.product.files.push_back(FileFromBytes("package.msi", "not a database", 14));
  p.Install();
  const std::wstring package = p.folder + L"\\package.msi";
  ASSERT_TRUE(Exists(package));
  const std::string data = e2e::ReadBytes(p.DataFile());
  e2e::WriteBytes(p.DataFile(), data + "\r\n\r\n[MSI]\r\n\"" + Narrow(package) + "\",2\r\n");

  EXPECT_EQ(p.Uninstall(), 1u) << "the removal of the package fails";
  EXPECT_TRUE(Exists(package));
  const std::string rewritten = e2e::ReadBytes(p.DataFile());
  const std::string records = rewritten.substr(0, rewritten.find("\r\n\r\n"));
  EXPECT_NE(records.find(Narrow(package)), std::string::npos) << rewritten;
  EXPECT_NE(rewritten.find("[MSI]\r\n\"" + Narrow(package) + "\",2"), std::string::npos) << rewritten;

  // Without the package's line the next run removes the rest.
  e2e::WriteBytes(p.DataFile(), rewritten.substr(0, rewritten.find("\r\n\r\n[MSI]")));
  EXPECT_EQ(p.Uninstall(), 0u);
  EXPECT_TRUE(p.Gone());
}

// An association with "!" uses the type the extension already has; that
// type, even with nothing but its description, is the user's and stays,
// without what the product added to it.
TEST(UninstallSafety, AnAssociationWithTheExistingTypeLeavesThatTypeAsItWas) {
  SafetyProduct p(L"Existing Type");
  const std::wstring extension = L"." + testkit::UniqueName(L"bxext");
  const std::wstring type = testkit::UniqueName(L"BxUser.Type");
  WriteText(HKEY_CLASSES_ROOT, extension, nullptr, type);
  WriteText(HKEY_CLASSES_ROOT, type, nullptr, L"The user's documents");
  AssociationRecord& a = p.product.settings.Associations.Emplace();
  a.extension = String(Narrow(extension).c_str());
  a.prog_id = String("!");
  a.verb = String("open");
  a.command = String("\"%InstallDir%\\readme.txt\" \"%1\"");
  p.Install();
  ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, type + L"\\shell\\open\\command")) << "the association was not made";

  EXPECT_EQ(p.Uninstall(), 0u);
  EXPECT_TRUE(p.Gone());
  EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, extension, nullptr), type);
  EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, type, nullptr), L"The user's documents");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, type + L"\\shell"));
  HKEY key = nullptr;
  DWORD values = 0;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, type.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
  }
  EXPECT_EQ(values, 1u) << "a value the product added stays";
  RegDeleteTreeW(HKEY_CLASSES_ROOT, type.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, extension.c_str());
}

}  // namespace
