// Removal from end to end: a product installed silently by an installer of
// the builder is removed by its copied uninstaller with /a /u:"name", and the
// system afterwards is compared with a snapshot taken before the install.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "actions/firewall.h"
#include "actions/registry_work.h"
#include "e2e/installer_win.h"
#include "e2e/snapshot_win.h"
#include "net/loopback_listener_wintest.h"
#include "package/entry_kinds.h"
#include "records/journal.h"
#include "records/uninstall_records.h"
#include "testkit/child.h"
#include "testkit/testkit.h"

namespace {

using e2e::Difference;
using e2e::Exists;
using e2e::FolderSnapshot;
using e2e::Snapshot;
using e2e::RunToEnd;

using testkit::Process;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

using e2e::Lower;

testing::AssertionResult WaitUntilGone(const std::wstring& path) {
  return testkit::Await("the removal of a path", [&] { return !Exists(path); }) << ": " << path;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  const wchar_t data[] = L"on";
  RegSetValueExW(key, L"Option", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
  RegCloseKey(key);
}

std::wstring FileText(const std::string& bytes) { return std::wstring(bytes.begin(), bytes.end()); }

// A product with files in subfolders, an uninstall subfolder and a registry
// key of its own, installed under C:\Program Files.
struct TestedProduct {
  void Make(const wchar_t* stem) {
    product_ = e2e::TestProduct(stem);
    name_ = e2e::Wide(product_.settings.DisplayName);
    folder_ = L"C:\\Program Files\\" + name_;
    product_.files.push_back(FileFromBytes("readme.txt", "Read me.\r\n", 10));
    product_.files.push_back(FileFromBytes("bin\\tool.dat", "tool", 4));
    product_.files.push_back(FileFromBytes("data\\sub\\deep.bin", "deep", 4));
    product_.settings.UninstallSubdir = String(u"Uninstall\\Data");
    // A parent of its own: the uninstaller also removes parents left empty,
    // and a parent that other tests share may be there, empty, before.
    product_.settings.ProductRegistry = e2e::FromWide(L"Bastionix " + name_ + L"\\Product");
  }

  void Install() {
    const std::wstring installer = e2e::BuildInstallerFile(product_, name_ + L".exe");
    ASSERT_FALSE(installer.empty());
    EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder_ + L"\""), 1u);
    uninstaller_ = folder_ + L"\\Uninstall\\Data\\uninstall.exe";
    ASSERT_TRUE(Exists(uninstaller_)) << "the install left no uninstaller";
  }

  DWORD RunUninstaller() { return RunToEnd(uninstaller_, L"/a /u:\"" + name_ + L"\""); }

  Product product_;
  std::wstring name_;
  std::wstring folder_;
  std::wstring uninstaller_;
};

class Uninstall : public testing::Test, protected TestedProduct {
 protected:
  void SetUp() override { Make(L"Removal"); }
};

TEST_F(Uninstall, LeavesTheSystemAsItWasBefore) {
  // A shared file in a shared folder of its own, and batches on both sides,
  // whose files must go too.
  PackageFile shared = FileFromBytes("shared.dll", "shared", 6);
  shared.entry.kind = entry_kind::kSharedFolder;
  product_.files.push_back(shared);
  product_.settings.SharedPath = e2e::FromWide(testkit::UniqueName(L"Shared"));
  product_.settings.PreInstallBatch = String(u"echo before the files> nul\r\n");
  product_.settings.PostInstallBatch = String(u"echo after the files> nul\r\n");
  product_.settings.UninstallBatch1 = String(u"echo before removal> nul\r\n");
  product_.settings.UninstallBatch2 = String(u"echo after removal> nul\r\n");
  const std::set<std::wstring> before = Snapshot();
  Install();
  // The product's own settings, as the product would write them.
  const std::wstring own_key = L"Software\\Bastionix " + name_ + L"\\Product";
  CreateKey(HKEY_LOCAL_MACHINE, own_key + L"\\Settings");
  CreateKey(HKEY_CURRENT_USER, own_key);

  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(folder_)) << "the self-removal left the product folder";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, own_key));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, own_key));
  EXPECT_EQ(Difference(before, Snapshot()), L"");
}

TEST_F(Uninstall, AUserFileKeepsItsFolderOnly) {
  Install();
  e2e::WriteBytes(folder_ + L"\\data\\mine.txt", "mine");
  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(uninstaller_));
  EXPECT_TRUE(WaitUntilGone(folder_ + L"\\Uninstall"));
  EXPECT_TRUE(Exists(folder_ + L"\\data\\mine.txt"));
  EXPECT_FALSE(Exists(folder_ + L"\\data\\sub"));
  EXPECT_FALSE(Exists(folder_ + L"\\bin"));
  EXPECT_FALSE(Exists(folder_ + L"\\readme.txt"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  DeleteFileW((folder_ + L"\\data\\mine.txt").c_str());
  RemoveDirectoryW((folder_ + L"\\data").c_str());
  RemoveDirectoryW(folder_.c_str());
}

// The self-removal batches in the temporary folder.
size_t SelfRemovalBatches() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((std::wstring(temp) + L"delunins*.bat").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  do {
    ++count;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return count;
}

TEST_F(Uninstall, AFileInUseFailsTheRunAndASecondRunFinishes) {
  Install();
  const std::wstring held = folder_ + L"\\bin\\tool.dat";
  HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const size_t batches_before = SelfRemovalBatches();
  EXPECT_EQ(RunUninstaller(), 1u);
  CloseHandle(file);
  EXPECT_EQ(SelfRemovalBatches(), batches_before) << "a failed run leaves its self-removal batch";
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  EXPECT_TRUE(Exists(uninstaller_));
  EXPECT_FALSE(Exists(folder_ + L"\\readme.txt"));
  // What is left is the one file record and the folders that stay, which
  // the installation made (the uninstall data folder is the uninstaller's
  // own and goes after it in any case).
  const std::string data = e2e::ReadBytes(folder_ + L"\\Uninstall\\Data\\Uninstall.DAT");
  const std::wstring records = Lower(FileText(data.substr(0, data.find("\r\n\r\n")))) + L"\r\n";
  EXPECT_EQ(records.substr(0, held.size() + 2), Lower(held) + L"\r\n");
  for (const wchar_t* left : {L"\\bin", L""}) {
    EXPECT_NE(records.find(Lower(L"\r\n~" + folder_ + left + L"\r\n")), std::wstring::npos) << data;
  }
  EXPECT_EQ(records.find(Lower(L"~" + folder_ + L"\\data\r\n")), std::wstring::npos) << "a folder that went is recorded";
  EXPECT_NE(data.find("\r\n\r\n[Strings]\r\n"), std::string::npos);

  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(uninstaller_));
  EXPECT_FALSE(Exists(held));
  EXPECT_FALSE(Exists(folder_ + L"\\Uninstall\\Data\\Uninstall.DAT"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  EXPECT_TRUE(WaitUntilGone(folder_)) << "the folders the first run left stay";
}

std::wstring Utf8ToWide(const std::string& bytes) {
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return wide;
}

TEST_F(Uninstall, BatchesRunWithTheProductsVariablesAndNothingPlanted) {
  const std::wstring scratch = e2e::TestFolder();
  // The first batch runs before anything is removed, with a PAUSE that would
  // block it, a non-ASCII command, and its environment written out.
  product_.settings.UninstallBatch1 = e2e::FromWide(
      L"pause\r\nset > \"" + scratch + L"\\env.txt\"\r\n"
      L"if exist \"%InstallDir%\\readme.txt\" echo before> \"" + scratch + L"\\order1.txt\"\r\n"
      L"rem Gr\u00FC\u00DFe\r\ncopy \"%~f0\" \"" + scratch + L"\\self.bat\"\r\n");
  product_.settings.UninstallBatch2 = e2e::FromWide(
      L"if not exist \"%InstallDir%\\readme.txt\" echo after> \"" + scratch + L"\\order2.txt\"\r\n");
  product_.settings.ProductFlags |= uint64_t{1} << 26;  // the first batch's console hidden
  Install();
  // Files of the batch's old names, planted where a careless runner would write it.
  const std::string planted = "echo planted> \"" + std::string(scratch.begin(), scratch.end()) + "\\planted.txt\"\r\n";
  e2e::WriteBytes(folder_ + L"\\SETUPBAT.BAT", planted);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  e2e::WriteBytes(std::wstring(temp) + L"SETUPBAT.BAT", planted);

  EXPECT_EQ(RunUninstaller(), 0u);
  const std::wstring env = Lower(FileText(e2e::ReadBytes(scratch + L"\\env.txt")));
  EXPECT_NE(env.find(Lower(L"InstallDir=" + folder_ + L"\r\n")), std::wstring::npos) << env;
  EXPECT_NE(env.find(Lower(L"UninstallDir=" + folder_ + L"\\Uninstall\\Data\r\n")), std::wstring::npos) << env;
  EXPECT_NE(env.find(Lower(L"ProductName=" + name_ + L"\r\n")), std::wstring::npos) << env;
  EXPECT_NE(env.find(L"shareddir="), std::wstring::npos) << env;
  EXPECT_EQ(e2e::ReadBytes(scratch + L"\\order1.txt"), "before\r\n");
  EXPECT_EQ(e2e::ReadBytes(scratch + L"\\order2.txt"), "after\r\n");
  // Wine's interpreter does not read UTF-8 batches as Windows 7 does, so the
  // batch itself is checked: UTF-8, behind the code-page line.
  const std::string self = e2e::ReadBytes(scratch + L"\\self.bat");
  EXPECT_EQ(self.substr(0, 29), "@chcp 65001 >nul\r\n@echo off\r\n") << self;
  EXPECT_NE(Utf8ToWide(self).find(L"rem Gr\u00FC\u00DFe\r\n"), std::wstring::npos) << self;
  EXPECT_EQ(self.find("pause"), std::string::npos) << self;
  EXPECT_FALSE(Exists(scratch + L"\\planted.txt"));
  DeleteFileW((std::wstring(temp) + L"SETUPBAT.BAT").c_str());
  DeleteFileW((folder_ + L"\\SETUPBAT.BAT").c_str());
}

// Makes `link` a folder link to `target`; the reason when this system
// cannot (Wine makes none that lead anywhere), else empty.
std::string PlantFolderLink(const std::wstring& link, const std::wstring& target, const std::wstring& probe) {
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    return "this system makes no folder links: " + std::to_string(GetLastError());
  }
  const DWORD attributes = GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      GetFileAttributesW((link + L"\\" + probe).c_str()) == INVALID_FILE_ATTRIBUTES) {
    return "this system's folder links do not lead to their target";
  }
  return std::string();
}

// A file reached through a link inside the product's folders is left, and
// counts as left behind: the run fails, and the next one finishes.
TEST_F(Uninstall, ALinkInTheProductFolderIsRemovedAsALink) {
  Install();
  // Someone who could write in the product folder swaps a recorded folder for
  // a link to a folder of theirs that holds a file of a recorded name.
  const std::wstring outside = L"C:\\" + testkit::UniqueName(L"Outside");
  ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
  e2e::WriteBytes(outside + L"\\deep.bin", "not the product's");
  const std::wstring sub = folder_ + L"\\data\\sub";
  ASSERT_TRUE(DeleteFileW((sub + L"\\deep.bin").c_str()));
  ASSERT_TRUE(RemoveDirectoryW(sub.c_str()));
  const std::string cannot = PlantFolderLink(sub, outside, L"deep.bin");
  if (!cannot.empty()) GTEST_SKIP() << cannot;

  EXPECT_EQ(RunUninstaller(), 1u);
  EXPECT_EQ(e2e::ReadBytes(outside + L"\\deep.bin"), "not the product's");
  EXPECT_FALSE(Exists(sub)) << "the link stays";
  const std::string data = e2e::ReadBytes(folder_ + L"\\Uninstall\\Data\\Uninstall.DAT");
  EXPECT_NE(Lower(FileText(data)).find(Lower(sub + L"\\deep.bin\r\n")), std::wstring::npos) << data;
  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_EQ(e2e::ReadBytes(outside + L"\\deep.bin"), "not the product's");
  EXPECT_TRUE(WaitUntilGone(folder_));
  DeleteFileW((outside + L"\\deep.bin").c_str());
  RemoveDirectoryW(outside.c_str());
}

// A link above the product's folders (Program Files moved to another disk)
// was made by whoever set up the machine: everything goes as usual.
TEST_F(Uninstall, ALinkAboveTheProductFolderStopsNothing) {
  const std::wstring real = L"C:\\" + testkit::UniqueName(L"Volume");
  const std::wstring moved = L"C:\\" + testkit::UniqueName(L"Moved");
  ASSERT_TRUE(CreateDirectoryW(real.c_str(), nullptr));
  e2e::WriteBytes(real + L"\\probe.txt", "probe");
  const std::string cannot = PlantFolderLink(moved, real, L"probe.txt");
  if (!cannot.empty()) {
    DeleteFileW((real + L"\\probe.txt").c_str());
    RemoveDirectoryW(real.c_str());
    GTEST_SKIP() << cannot;
  }
  folder_ = moved + L"\\" + name_;
  Install();
  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(real + L"\\" + name_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  RemoveDirectoryW(moved.c_str());
  DeleteFileW((real + L"\\probe.txt").c_str());
  RemoveDirectoryW(real.c_str());
}

bool SharedCount(const std::wstring& path, DWORD* count) {
  DWORD size = sizeof *count;
  return RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", path.c_str(),
                      RRF_RT_REG_DWORD, nullptr, count, &size) == ERROR_SUCCESS;
}

TEST_F(Uninstall, ASharedFileGoesWithTheLastProductThatUsesIt) {
  const std::wstring shared_name = testkit::UniqueName(L"Shared");
  PackageFile shared = FileFromBytes("shared.dll", "shared", 6);
  shared.entry.kind = 1;  // into the shared folder, counted
  product_.files.push_back(shared);
  product_.settings.SharedPath = e2e::FromWide(shared_name);
  TestedProduct second;
  second.Make(L"Second");
  second.product_.files.push_back(shared);
  second.product_.settings.SharedPath = product_.settings.SharedPath;
  Install();
  second.Install();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + name_).c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t folder[MAX_PATH] = {};
  DWORD size = sizeof folder;
  RegGetValueW(key, nullptr, L"SharedPath", RRF_RT_REG_SZ, nullptr, folder, &size);
  RegCloseKey(key);
  const std::wstring file = std::wstring(folder) + L"\\shared.dll";
  DWORD count = 0;
  ASSERT_TRUE(SharedCount(file, &count)) << file;
  EXPECT_EQ(count, 2u);

  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(SharedCount(file, &count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(e2e::ReadBytes(file), "shared");

  EXPECT_EQ(second.RunUninstaller(), 0u);
  EXPECT_FALSE(SharedCount(file, &count));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(folder)) << "the empty shared folder stays";
  EXPECT_TRUE(WaitUntilGone(second.folder_));
  EXPECT_TRUE(WaitUntilGone(folder_));
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

// A type library of its own GUID, made the way a vendor's tools make one.
std::string MakeTypeLibrary(const std::wstring& path, const GUID& guid) {
  ICreateTypeLib2* library = nullptr;
  if (FAILED(CreateTypeLib2(SYS_WIN32, path.c_str(), &library))) return "";
  library->SetGuid(guid);
  library->SetVersion(1, 0);
  library->SetLcid(0);
  library->SetName(const_cast<wchar_t*>(L"BxRemovalTestLib"));
  const bool saved = SUCCEEDED(library->SaveAllChanges());
  library->Release();
  return saved ? e2e::ReadBytes(path) : "";
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

DWORD ServerCalls(const std::wstring& value) {
  DWORD count = 0;
  DWORD size = sizeof count;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Bastionix Test COM Server", value.c_str(), RRF_RT_REG_DWORD, nullptr,
                   &count, &size) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

// Shared files in the system folder with their options: a COM server and a
// type library are unregistered and deleted with their last count; a
// permanent server loses its count and stays, registered.
TEST_F(Uninstall, SharedComponentsAreUnregisteredBeforeTheyGoAndPermanentOnesStay) {
  const std::wstring server = testkit::UniqueName(L"bxsrv") + L".dll";
  const std::wstring permanent = testkit::UniqueName(L"bxperm") + L".dll";
  const std::wstring library = testkit::UniqueName(L"bxlib") + L".tlb";
  const std::string server_bytes = e2e::ReadBytes(testkit::BuildPath(L"tests/components/test_com_server.dll"));
  ASSERT_FALSE(server_bytes.empty());
  GUID guid = {};
  ASSERT_EQ(CoCreateGuid(&guid), S_OK);
  const std::string library_bytes = MakeTypeLibrary(e2e::TestFolder() + L"\\made.tlb", guid);
  ASSERT_FALSE(library_bytes.empty()) << "no type library could be made";
  struct Shared {
    std::wstring name;
    const std::string* bytes;
    uint32_t kind;
    uint32_t flags;
    bool removed;
  };
  const Shared shared[] = {
      {server, &server_bytes, entry_kind::kSystemCom, 0, true},
      {permanent, &server_bytes, entry_kind::kSystemCom, entry_flag::kPermanent, false},
      {library, &library_bytes, entry_kind::kSystemTypeLibrary, 0, true},
  };
  for (const Shared& file : shared) {
    const std::string name(file.name.begin(), file.name.end());
    product_.files.push_back(FileFromBytes(name.c_str(), file.bytes->data(), file.bytes->size()));
    product_.files.back().entry.kind = file.kind;
    product_.files.back().entry.flags = file.flags;
  }
  const std::wstring library_key = L"TypeLib\\" + GuidText(guid);
  Install();
  const std::wstring system = SystemFolder();
  EXPECT_EQ(ServerCalls(server), 1u) << "the install registers the server";
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, library_key)) << "the install registers the type library";

  EXPECT_EQ(RunUninstaller(), 0u);
  for (const Shared& file : shared) {
    SCOPED_TRACE(file.name);
    DWORD count = 0;
    EXPECT_FALSE(SharedCount(system + L"\\" + file.name, &count));
    EXPECT_EQ(Exists(system + L"\\" + file.name), !file.removed);
  }
  EXPECT_EQ(ServerCalls(L"unregistered " + server), 1u);
  EXPECT_EQ(ServerCalls(L"unregistered " + permanent), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, library_key));
  EXPECT_TRUE(WaitUntilGone(folder_));

  DeleteFileW((system + L"\\" + permanent).c_str());
  for (const std::wstring& name : {server, permanent}) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Bastionix Test COM Server", name.c_str());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Bastionix Test COM Server", (L"unregistered " + name).c_str());
  }
}

std::wstring ReadText(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t data[32768] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, data,
                   &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return data;
}

void WriteText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  ASSERT_EQ(RegSetKeyValueW(root, key.c_str(), name, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// An association and a firewall port made with the installer's own
// functions, their records appended to the product's uninstall data, so that
// the uninstaller meets exactly what an installation of them leaves.
struct InstallActions {
  void Apply(const std::wstring& folder, const std::wstring& name, const std::wstring& extension) {
    Journal journal_;  // the installer's run, as far as these actions go
    RegistryWorkInputs inputs;
    inputs.journal = &journal_;
    FileAssociation& a = inputs.associations.Emplace();
    a.extension = e2e::FromWide(extension);
    a.prog_id = e2e::FromWide(name + L".Document");
    a.description = String(u"Test document");
    a.verb = String(u"open");
    a.command = String(u"\"%InstallDir%\\bin\\tool.dat\" \"%1\"");
    a.icon = String(u"bin\\tool.dat,0");
    inputs.product_name = e2e::FromWide(name);
    inputs.install_folder = e2e::FromWide(folder);
    ApplyAssociations(inputs);
    ApplyFirewallList(journal_, String(u"47123;Bx Test;3;0\r\n"), inputs.install_folder, inputs.product_name);
    const UninstallRecords& records = journal_.records;
    std::string sections = "\r\n[Associations]\r\n" + std::string(records.associations.c_str());
    if (!records.firewall.empty()) sections += "\r\n[Firewall]\r\n" + std::string(records.firewall.c_str());
    const std::wstring data = folder + L"\\Uninstall\\Data\\Uninstall.DAT";
    e2e::WriteBytes(data, e2e::ReadBytes(data) + sections);
  }
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Everything an installation adds beside its files is taken out again: the
// association (the extension's earlier type comes back), the font, the PATH
// entry, the registry entries, the files that the conditional deletes name
// through %InstallDir%; and a running program of the product is closed first.
TEST_F(Uninstall, InstallActionsAreUndoneToTheStateBefore) {
  const std::wstring extension = L"." + Lower(testkit::UniqueName(L"bx"));
  CreateKey(HKEY_CLASSES_ROOT, extension);
  WriteText(HKEY_CLASSES_ROOT, extension, nullptr, L"Earlier.Type");
  const std::wstring path_before = ReadText(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path");
  const std::string font = testkit::ReadFileBytes(L"Z:\\usr\\share\\wine\\fonts\\courier.ttf").value_or("");
  ASSERT_FALSE(font.empty());
  const std::string font_file = Narrow(Lower(testkit::UniqueName(L"bxfont"))) + ".ttf";
  PackageFile font_entry = FileFromBytes(font_file.c_str(), font.data(), font.size());
  font_entry.entry.kind = entry_kind::kFont;
  font_entry.entry.version = String(("Bx Test Font " + font_file).c_str());
  product_.files.push_back(font_entry);
  product_.files.push_back(FileFromBytes("logs\\readme.txt", "logs", 4));
  FileDeletion& logs = product_.settings.FileDeletions.Emplace();
  logs.name = String("%InstallDir%\\logs\\*.log");
  logs.flags = FileDeletion::kAtUninstall;
  product_.settings.SetFlag(product_flag::kAddToPath, true);
  const std::wstring own = L"HKLM\\Software\\" + testkit::UniqueName(L"BxEntries");
  product_.settings.RegistryEntries =
      e2e::FromWide(own + L"\\Sub,Name,1,on,3\r\n" + own + L"\\Sub\r\n" + own + L"\r\n");
  // The installer adds <folder>\bin to PATH and names the subfolder in the Uninstall key.
  product_.settings.InstallActionSettings = String(u"AddToPathSubfolder=bin");
  CloseRule& close = product_.settings.ProgramsToClose.Emplace();
  close.window_title = String("Probe");
  close.action = 0;
  const std::set<std::wstring> before = Snapshot();

  Install();
  const std::wstring fonts = L"C:\\windows\\Fonts\\" + std::wstring(font_file.begin(), font_file.end());
  EXPECT_TRUE(Exists(fonts)) << "the font was not installed";
  e2e::WriteBytes(folder_ + L"\\logs\\run.log", "written by the product");
  InstallActions().Apply(folder_, name_, extension);
  ASSERT_EQ(ReadText(HKEY_LOCAL_MACHINE, own.substr(5) + L"\\Sub", L"Name"), L"on");
  Process running = testkit::StartChild({L"dialog"});
  ASSERT_NE(testkit::WaitForWindow(running.id(), {testkit::kDialogClass, L"Probe"}), nullptr);
  ASSERT_NE(ReadText(HKEY_CLASSES_ROOT, extension, nullptr), L"Earlier.Type") << "the association was not made";
  ASSERT_NE(Lower(ReadText(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path")).find(Lower(folder_ + L"\\bin")),
            std::wstring::npos);

  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(running.WaitForExit()) << "the product's program was not closed";
  EXPECT_TRUE(WaitUntilGone(folder_)) << "the conditional delete left logs\\run.log";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, own.substr(5)));
  EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, extension, nullptr), L"Earlier.Type");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, name_ + L".Document"));
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path"), path_before);
  EXPECT_FALSE(Exists(fonts));
  EXPECT_EQ(Difference(before, Snapshot()), L"");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, extension.c_str());
}

// The first window of the process with this title that is not a message box.
HWND WaitForPage(DWORD process_id, const std::wstring& title) {
  HWND page = nullptr;
  testkit::WaitUntil([&] {
    for (HWND window : testkit::TopLevelWindows(process_id, {testkit::kDialogClass, title})) {
      if (!testkit::IsMessageBox(window)) page = window;
    }
    return page != nullptr;
  });
  return page;
}

// A removal that a person starts: the confirmation, the progress page in its
// uninstall form (its Cancel disabled) over the product's background window,
// the completion message, then the product's notification address. With the
// product's progress-page flag the page closes before the last message;
// without it, the page stays until the run ends.
TEST_F(Uninstall, AnInteractiveRunAsksShowsItsProgressAndReportsCompletion) {
  for (const bool closes_page_first : {true, false}) {
    SCOPED_TRACE(closes_page_first ? "the page closes before the last message" : "the page stays to the end");
    Make(closes_page_first ? L"Removal" : L"Removal Kept Page");
    product_.settings.SetFlag2(product_flag2::kUninstallCompletionMessage, true);
    product_.settings.SetFlag(product_flag::kNoBackgroundWindow, false);
    product_.settings.DisplayTitle = String(u"Removal Test");
    product_.settings.TaskbarText = String(u"Removal Test");
    product_.settings.TopColor = 0x804000;  // a blue gradient with a white title
    product_.settings.BottomColor = 0x200000;
    product_.settings.TitleColor = 0xFFFFFF;
    product_.settings.TitleSize = 1.5;
    product_.settings.TitlePosition = 1;
    Listener listener;
    product_.settings.NotifyURL =
        e2e::FromWide(L"http://127.0.0.1:" + std::to_wstring(listener.port()) + L"/removed?v=%version%");
    Install();
    // A silent installation turns the background window and the progress
    // page off for good; this product was installed as a person would.
    const std::wstring key = kUninstallKey + name_;
    uint64_t flags = std::stoull(ReadText(HKEY_LOCAL_MACHINE, key, L"ProductFlags"));
    flags &= ~(uint64_t{1} << product_flag::kNoBackgroundWindow);
    if (closes_page_first) flags |= uint64_t{1} << product_flag::kProgressPage;
    WriteText(HKEY_LOCAL_MACHINE, key, L"ProductFlags", std::to_wstring(flags));
    Process process = Process::Start(uninstaller_, L"/u:\"" + name_ + L"\"");
    ASSERT_TRUE(process.started());
    const std::wstring title = L"Uninstall " + name_;
    HWND question = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, title});
    ASSERT_NE(question, nullptr) << testkit::DescribeWindows(process.id());
    ASSERT_TRUE(testkit::IsMessageBox(question));
    EXPECT_EQ(testkit::MessageBoxText(question),
              L"Do you want to completely remove " + name_ + L" and all of its components?");
    ASSERT_TRUE(testkit::AnswerMessageBox(question, IDYES));

    HWND page = WaitForPage(process.id(), title);
    ASSERT_NE(page, nullptr) << testkit::DescribeWindows(process.id());
    EXPECT_EQ(testkit::ControlText(page, 1009), L"Please wait while " + name_ + L" is removed from your computer.");
    EXPECT_FALSE(IsWindowEnabled(testkit::FindControl(page, 1003))) << "Cancel must be disabled while removing";
    EXPECT_FALSE(testkit::TopLevelWindows(process.id(), {L"", L"Removal Test"}).empty())
        << "no background window; windows: " << testkit::DescribeWindows(process.id());
    if (closes_page_first) {
      EXPECT_TRUE(testkit::Screenshot(L"uninstall-progress"));
    }

    HWND done = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, L"Uninstall Complete"});
    ASSERT_NE(done, nullptr) << testkit::DescribeWindows(process.id());
    EXPECT_EQ(testkit::MessageBoxText(done), name_ + L" was successfully removed from your computer.");
    EXPECT_EQ(IsWindow(page) != FALSE, !closes_page_first) << testkit::DescribeWindows(process.id());
    EXPECT_TRUE(testkit::Screenshot(closes_page_first ? L"uninstall-completed" : L"uninstall-completed-kept-page"));
    EXPECT_TRUE(testkit::AnswerMessageBox(done, IDOK));
    const std::string request = listener.AcceptOneRequest(static_cast<int>(testkit::kHangTimeoutMs));
    EXPECT_EQ(request.rfind("GET /removed?v=1.0 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_TRUE(process.WaitForExit());
    EXPECT_EQ(process.ExitCode(), 0u);
    EXPECT_TRUE(WaitUntilGone(folder_));
  }
}

// "No" removes nothing and ends with 1.
TEST_F(Uninstall, DecliningTheConfirmationRemovesNothing) {
  Install();
  Process process = Process::Start(uninstaller_, L"/u:\"" + name_ + L"\"");
  ASSERT_TRUE(process.started());
  HWND question = testkit::WaitForWindow(process.id(), {testkit::kDialogClass, L"Uninstall " + name_});
  ASSERT_NE(question, nullptr) << testkit::DescribeWindows(process.id());
  ASSERT_TRUE(testkit::AnswerMessageBox(question, IDNO));
  EXPECT_TRUE(process.WaitForExit());
  EXPECT_EQ(process.ExitCode(), 1u);
  EXPECT_TRUE(Exists(folder_ + L"\\readme.txt"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(folder_));
}

TEST_F(Uninstall, AnUnknownProductEndsWithZero) {
  EXPECT_EQ(RunToEnd(testkit::SetupExe(), L"/a /u:\"" + testkit::UniqueName(L"Nobody") + L"\""), 0u);
}

}  // namespace

std::wstring MakeOtherVendorsFolder() {
  const std::wstring folder = L"C:\\" + testkit::UniqueName(L"Tools");
  EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_TRUE(CreateDirectoryW((folder + L"\\OtherVendor").c_str(), nullptr));
  e2e::WriteBytes(folder + L"\\OtherVendor\\data.txt", "another product's data");
  e2e::WriteBytes(folder + L"\\notes.txt", "the user's notes");
  return folder;
}

void RemoveOtherVendorsFolder(const std::wstring& folder) {
  DeleteFileW((folder + L"\\OtherVendor\\data.txt").c_str());
  DeleteFileW((folder + L"\\notes.txt").c_str());
  RemoveDirectoryW((folder + L"\\OtherVendor").c_str());
  RemoveDirectoryW(folder.c_str());
}

// "Delete the folder with its contents" empties only a folder the
// installation made: a folder that held another product's files, or a
// system folder, keeps everything the product did not record.
TEST_F(Uninstall, DeletingTheFolderWithItsContentsSparesAFolderThatWasThereBefore) {
  product_.settings.ProductFlags |= uint64_t{1} << product_flag::kDeleteFolderWithContents;
  product_.settings.ProductFlags |= uint64_t{1} << product_flag::kKeepInstallLog;
  product_.settings.ProductFlags |= uint64_t{1} << product_flag::kUninstallKeepsLog;
  const std::wstring tools = MakeOtherVendorsFolder();
  const std::wstring common_files = L"C:\\Program Files\\Common Files";
  for (const std::wstring& folder : {tools, common_files}) {
    SCOPED_TRACE(std::string(folder.begin(), folder.end()));
    const std::set<std::wstring> before = FolderSnapshot(folder);
    folder_ = folder;
    Install();
    e2e::WriteBytes(folder_ + L"\\bin\\left by the product.txt", "left");
    EXPECT_EQ(RunUninstaller(), 0u);
    EXPECT_TRUE(WaitUntilGone(uninstaller_));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
    const std::string log = e2e::ReadBytes(folder_ + L"\\Uninstall\\Data\\Install.log");
    EXPECT_NE(log.find("kept with its contents: it was there before the installation."), std::string::npos) << log;
    DeleteFileW((folder_ + L"\\Uninstall\\Data\\Install.log").c_str());
    DeleteFileW((folder_ + L"\\bin\\left by the product.txt").c_str());
    for (const wchar_t* made : {L"\\bin", L"\\Uninstall\\Data", L"\\Uninstall"}) RemoveDirectoryW((folder_ + made).c_str());
    EXPECT_EQ(Difference(before, FolderSnapshot(folder)), L"");
  }
  EXPECT_EQ(e2e::ReadBytes(tools + L"\\OtherVendor\\data.txt"), "another product's data");
  RemoveOtherVendorsFolder(tools);
}

// With the folder's contents to delete, a run that leaves a file keeps the
// product registered and its data file, and a second run finishes.
TEST_F(Uninstall, AFailedRunThatDeletesContentsKeepsWhatASecondRunNeeds) {
  product_.settings.ProductFlags |= uint64_t{1} << product_flag::kDeleteFolderWithContents;
  Install();
  e2e::WriteBytes(folder_ + L"\\data\\mine.txt", "user data");
  const std::wstring held = folder_ + L"\\bin\\tool.dat";
  HANDLE file = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunUninstaller(), 1u);
  CloseHandle(file);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  const std::string data = e2e::ReadBytes(folder_ + L"\\Uninstall\\Data\\Uninstall.DAT");
  EXPECT_NE(Lower(FileText(data)).find(Lower(held) + L"\r\n"), std::wstring::npos) << data;

  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(folder_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
}

// Run from anywhere but the product's own uninstaller copy (a downloaded
// installer), the program removes the product, copy and folders included,
// and stays itself.
TEST_F(Uninstall, AnUninstallerOutsideTheProductRemovesTheProductAndStays) {
  Install();
  const std::wstring download = e2e::TestFolder() + L"\\downloaded-setup.exe";
  ASSERT_TRUE(CopyFileW(uninstaller_.c_str(), download.c_str(), FALSE));
  const size_t batches_before = SelfRemovalBatches();
  EXPECT_EQ(RunToEnd(download, L"/a /u:\"" + name_ + L"\""), 0u);
  EXPECT_FALSE(Exists(uninstaller_)) << "the product's uninstaller stays";
  EXPECT_FALSE(Exists(folder_)) << "the product folder stays";
  EXPECT_EQ(SelfRemovalBatches(), batches_before) << "a self-removal batch was started";
  EXPECT_TRUE(Exists(download));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
}

// A nested install folder, an upgrade that brings new folders and a
// reinstall over it leave nothing behind: every folder an installation of
// the product made goes, the folder that was there before stays.
TEST_F(Uninstall, FoldersThatEveryInstallationMadeGoAfterAnUpgradeAndAReinstall) {
  const std::wstring vendor = L"C:\\Program Files\\" + testkit::UniqueName(L"Acme");
  folder_ = vendor + L"\\Notes";
  const std::set<std::wstring> before = Snapshot();
  Install();
  product_.settings.DisplayVersion = String(u"2.0");
  product_.files.push_back(FileFromBytes("bin\\plugins\\plugin.dat", "plugin", 6));
  product_.files.push_back(FileFromBytes("config\\default.cfg", "config", 6));
  Install();  // the upgrade
  Install();  // a reinstall over it
  EXPECT_EQ(RunUninstaller(), 0u);
  EXPECT_TRUE(WaitUntilGone(vendor)) << "an empty folder of the product stays";
  EXPECT_EQ(Difference(before, Snapshot()), L"");
}

// Install, reinstall over itself, uninstall, again and again in one prefix:
// nothing is left and nothing grows. A cycle takes 6 to 15 s under Wine, so
// the default is 10 cycles; BX_SOAK_CYCLES=25 runs the long soak.
TEST_F(Uninstall, RepeatedInstallReinstallAndUninstallLeaveNothing) {
  const char* wanted = getenv("BX_SOAK_CYCLES");
  const int cycles = wanted && atoi(wanted) > 0 ? atoi(wanted) : 10;
  const std::set<std::wstring> before = Snapshot();
  const size_t batches_before = SelfRemovalBatches();
  for (int cycle = 0; cycle < cycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle + 1));
    Install();
    Install();
    ASSERT_EQ(RunUninstaller(), 0u);
    ASSERT_TRUE(WaitUntilGone(folder_));
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
  }
  EXPECT_TRUE(testkit::Await("the last self-removal batch to go", [&] { return SelfRemovalBatches() <= batches_before; }));
  EXPECT_EQ(Difference(before, Snapshot()), L"");
}
