// The install actions from end to end: an installer made by the builder is run
// with /silent under Wine; its registry entries, association, shortcuts, PATH
// addition, firewall list and a COM server that crashes are checked in the
// system and in Install.log, then the uninstaller runs and the keys and the
// PATH it touched must be as they were. Also the refusals and preparations
// of the sequence around them: a missing install drive, programs to close,
// the Start Menu and default-folder placeholders.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "e2e/installer_win.h"
#include "testkit/child.h"
#include "testkit/testkit.h"

namespace {

using e2e::Exists;
using e2e::RunToEnd;

using testkit::Process;

constexpr DWORD kExitTimeoutMs = 180000;
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A value's type and bytes, "<missing>" when there is none.
std::wstring RawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD* type = nullptr) {
  DWORD size = 0;
  DWORD value_type = 0;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &value_type, nullptr, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &value_type, data.data(), &size);
  data.resize(size / sizeof(wchar_t));
  if (type) *type = value_type;
  return data;
}

std::wstring Text(HKEY root, const std::wstring& key, const wchar_t* name) {
  std::wstring value = RawValue(root, key, name);
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

struct LinkFacts {
  std::wstring target;
  std::wstring arguments;
  std::wstring working_folder;
};

LinkFacts ReadLink(const std::wstring& lnk) {
  LinkFacts facts;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return facts;
  }
  IPersistFile* file = nullptr;
  wchar_t text[1024] = {};
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(lnk.c_str(), STGM_READ))) {
    if (SUCCEEDED(link->GetPath(text, 1024, nullptr, 0))) facts.target = text;
    if (SUCCEEDED(link->GetArguments(text, 1024))) facts.arguments = text;
    if (SUCCEEDED(link->GetWorkingDirectory(text, 1024))) facts.working_folder = text;
  }
  if (file) file->Release();
  link->Release();
  return facts;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

class InstallActions : public testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    product_ = e2e::TestProduct(L"Actions");
    name_ = e2e::Wide(product_.settings.DisplayName);
    folder_ = L"C:\\Program Files\\" + name_;
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstallKey + name_).c_str());
    CoUninitialize();
  }

  PackageFile File(const char* name, const std::string& content, uint32_t flags = 0, const char* shortcut = "") {
    PackageFile file = FileFromBytes(name, content.data(), content.size());
    file.entry.flags = flags;
    file.entry.version = String(shortcut);
    return file;
  }

  std::string InstallLog() { return e2e::ReadBytes(folder_ + L"\\Install.log"); }

  Product product_;
  std::wstring name_;
  std::wstring folder_;
};

TEST_F(InstallActions, EachActionIsMadeAndTheUninstallerTakesTheKeysAndPathBack) {
  const std::wstring own_key = L"Software\\Bx " + name_;
  const std::wstring extension = L".bx" + std::to_wstring(std::hash<std::wstring>()(name_) % 1000000);
  const std::wstring prog_id = L"Bx." + name_;
  const std::wstring crash_dll = L"bxcrash" + extension.substr(3) + L".dll";
  ProductSettings& s = product_.settings;
  product_.files.push_back(File("app.exe", "MZ app", entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut,
                                "App Shortcut"));
  product_.files.back().entry.shortcut_arguments = String("/start");
  product_.files.push_back(File("bin\\tool.cmd", "@echo tool\r\n"));
  PackageFile server = File(Narrow(crash_dll).c_str(),
                            e2e::ReadBytes(testkit::BuildPath(L"tests/components/test_com_server.dll")));
  server.entry.kind = entry_kind::kSystemCom;
  product_.files.push_back(server);
  s.ProductStartMenu = String(u"<product> Tools");
  s.RegistryEntries = e2e::FromWide(L"HKLM\\" + own_key + L",Folder,1,%InstallDir%\\bin,3\r\n" +
                                    L"HKLM\\" + own_key + L",Raw,2,%InstallDir%,3\r\n" +
                                    L"HKLM\\" + own_key + L",Blob,3,0A 0b ff,3\r\n" +
                                    L"HKLM\\" + own_key + L",Count,4,4000000000,3\r\n" +
                                    L"HKLM\\" + own_key + L",Big,11,12345678901,3\r\n" +
                                    L"HKLM\\" + own_key + L",Gone,1,never,5\r\n" +
                                    L"HKLM\\" + own_key + L"\r\n");
  AssociationRecord association;
  association.text1 = String(Narrow(extension).c_str());
  association.text2 = String(u"Bx Document");
  association.text3 = String("open");
  association.text4 = String(u"Open with Bx");
  association.text5 = String("\"%InstallDir%\\app.exe\" \"%1\"");
  association.text6 = String(Narrow(prog_id).c_str());
  s.Associations.Add(association);
  s.Reserved14 = String(u"8080;Bx Port;1;0\r\n%InstallDir%\\app.exe;;0;0");
  s.Reserved3 = String(u"AddToPathSubfolder=bin");
  s.SetFlag(product_flag::kAddToPath, true);
  s.SetFlag(product_flag::kDetailedLog, true);
  s.SetFlag(product_flag::kGrantFolderRights, true);
  s.SetFlag2(product_flag2::kRestorePoint, true);
  s.ProductFlags &= ~(uint64_t{1} << product_flag::kProgressPage);

  DWORD path_type = 0;
  const std::wstring path_before = RawValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", &path_type);
  ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, extension));
  const std::wstring installer = e2e::BuildInstallerFile(product_, name_ + L".exe");
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder_ + L"\""), 1u);
  const std::string log = InstallLog();

  // The crash ended the COM registration only: its text is in the log and
  // the failure summary, and every later action ran.
  EXPECT_NE(log.find(Narrow(crash_dll) + "\"...CRASHED!\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Crashed while registering COM file " + Narrow(crash_dll)), std::string::npos) << log;

  // Before the files: the restore point (Wine's System Restore refuses it,
  // so nothing is committed at the end) and the folder's rights.
  EXPECT_NE(log.find("Creating restore point...FAILED\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Failed to commit restore point."), std::string::npos) << log;
  EXPECT_NE(log.find("Granting rights to directory \"" + Narrow(folder_) + "\"...OK\r\n"), std::string::npos) << log;

  // Registry entries of every type; variables expanded in type 1 only.
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, own_key, L"Folder"), folder_ + L"\\bin");
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, own_key, L"Raw"), L"%InstallDir%");
  DWORD type = 0;
  unsigned char blob[8] = {};
  DWORD size = sizeof blob;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, own_key.c_str(), L"Blob", RRF_RT_REG_BINARY, nullptr, blob, &size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(blob), size), std::string("\x0A\x0B\xFF"));
  DWORD count = 0;
  size = sizeof count;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, own_key.c_str(), L"Count", RRF_RT_REG_DWORD, nullptr, &count, &size), 0);
  EXPECT_EQ(count, 4000000000u);
  ULONGLONG big = 0;
  size = sizeof big;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, own_key.c_str(), L"Big", RRF_RT_REG_QWORD, nullptr, &big, &size), 0);
  EXPECT_EQ(big, 12345678901ull);
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, own_key, L"Gone"), L"<missing>");

  // The association with its command.
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, extension, L""), prog_id);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, prog_id + L"\\shell\\open\\command", L""),
            L"\"" + folder_ + L"\\app.exe\" \"%1\"");
  EXPECT_NE(log.find("Associated " + Narrow(extension) + " with "), std::string::npos) << log;

  // Shortcuts for all users: desktop and the Start Menu folder with its
  // placeholder replaced, read back through the shell link object.
  const std::wstring start_menu = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + name_ + L" Tools";
  for (const std::wstring& lnk :
       {ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\App Shortcut.lnk", start_menu + L"\\App Shortcut.lnk"}) {
    const LinkFacts facts = ReadLink(lnk);
    EXPECT_EQ(Lower(facts.target), Lower(folder_ + L"\\app.exe")) << lnk;
    EXPECT_EQ(facts.arguments, L"/start") << lnk;
    EXPECT_EQ(Lower(facts.working_folder), Lower(folder_)) << lnk;
  }
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kUninstallKey + name_, L"ProductStartMenu"), name_ + L" Tools");
  EXPECT_NE(log.find("Start Menu Shortcut(App Shortcut) >>> "), std::string::npos) << log;

  // The firewall list: Wine's firewall objects accept both exceptions (and
  // keep nothing, so their removal cannot be seen here).
  EXPECT_NE(log.find("Added firewall exception: TCP port 8080\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Added firewall exception: " + Narrow(folder_) + "\\app.exe\r\n"), std::string::npos) << log;

  // PATH: the folder appended, the type kept, every earlier entry kept.
  const std::wstring path_after = RawValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", &type);
  EXPECT_EQ(type, path_type);
  EXPECT_EQ(Lower(path_after.substr(0, path_after.find(L'\0'))),
            Lower(path_before.substr(0, path_before.find(L'\0')) + L";" + folder_ + L"\\bin"));

  // The uninstaller: the entries, the association, the PATH entry go again.
  EXPECT_EQ(RunToEnd(folder_ + L"\\uninstall.exe", L"/a /u:\"" + name_ + L"\""), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, own_key));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, extension));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, prog_id));
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", &type), path_before);
  EXPECT_EQ(type, path_type);
  EXPECT_FALSE(Exists(start_menu));
  EXPECT_FALSE(Exists(ShellFolder(CSIDL_SYSTEM) + L"\\" + crash_dll));
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Bastionix Test COM Server", crash_dll.c_str());
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Bastionix Test COM Server", (L"unregistered " + crash_dll).c_str());
}

TEST_F(InstallActions, AMissingInstallDriveRegistersNothing) {
  // The first drive letter from the end that Wine does not map.
  const DWORD drives = GetLogicalDrives();
  wchar_t letter = L'Z';
  while (letter > L'D' && (drives & (1u << (letter - L'A')))) --letter;
  const std::wstring folder = std::wstring(1, letter) + L":\\Some Folder";
  const std::wstring installer = e2e::BuildInstallerFile(product_, name_ + L".exe");
  ASSERT_FALSE(installer.empty());
  Process process = Process::Start(installer, L"/silent /d:\"" + folder + L"\"");
  ASSERT_TRUE(process.started());
  ASSERT_TRUE(process.WaitForExit(kExitTimeoutMs)) << testkit::DescribeWindows(process.id());
  EXPECT_EQ(process.ExitCode(), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));

  // With error boxes asked for in an automatic run, message 25 names the
  // folder and the reason.
  product_.settings.SetFlag(product_flag::kErrorBoxesWhenAutomatic, true);
  const std::wstring boxed = e2e::BuildInstallerFile(product_, name_ + L"-boxes.exe");
  Process automatic = Process::Start(boxed, L"/a /d:\"" + folder + L"\"");
  ASSERT_TRUE(automatic.started());
  const HWND box = testkit::WaitForWindow(automatic.id(), {});
  ASSERT_NE(box, nullptr) << testkit::DescribeWindows(automatic.id());
  const std::wstring text = testkit::MessageBoxText(box);
  EXPECT_NE(text.find(L"The folder " + folder + L" could not be created."), std::wstring::npos) << Narrow(text);
  EXPECT_TRUE(testkit::Screenshot(L"install-folder-missing-drive"));
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  ASSERT_TRUE(automatic.WaitForExit(kExitTimeoutMs));
  EXPECT_EQ(automatic.ExitCode(), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + name_));
}

TEST_F(InstallActions, AProgramWhoseTitleMatchesIsClosedBeforeTheFolderIsChosen) {
  const std::wstring title = L"Bx Close " + name_;
  Process child = testkit::StartChild({L"msgbox", L"ok", title, L"Close me"});
  ASSERT_TRUE(child.started());
  ASSERT_NE(testkit::WaitForWindow(child.id(), {.title = title}), nullptr);
  Process bystander = testkit::StartChild({L"msgbox", L"ok", L"Bx Keep " + name_, L"Leave me"});
  ASSERT_NE(testkit::WaitForWindow(bystander.id(), {.title = L"Bx Keep " + name_}), nullptr);
  CloseRule rule;
  rule.window_title = String(Narrow(L"*Close " + name_).c_str());
  rule.display_name = String("Bx Tool");
  rule.action = 0;
  product_.settings.ProgramsToClose.Add(rule);
  const std::wstring installer = e2e::BuildInstallerFile(product_, name_ + L".exe");
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder_ + L"\""), 1u);
  EXPECT_TRUE(child.WaitForExit(10000)) << "the matching window was not closed";
  EXPECT_FALSE(bystander.WaitForExit(500)) << "a window that does not match was closed";
  bystander.Kill();
  RunToEnd(folder_ + L"\\uninstall.exe", L"/a /u:\"" + name_ + L"\"");
}

TEST_F(InstallActions, OsPlaceholderInTheDefaultFolderIsTheWindowsFolder) {
  product_.settings.DefaultInstallDir = e2e::FromWide(L"<os>\\" + name_);
  const std::wstring installer = e2e::BuildInstallerFile(product_, name_ + L".exe");
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunToEnd(installer, L"/silent"), 1u);
  const std::wstring folder = ShellFolder(CSIDL_WINDOWS) + L"\\" + name_;
  EXPECT_EQ(Lower(Text(HKEY_LOCAL_MACHINE, kUninstallKey + name_, L"InstallLocation")), Lower(folder));
  EXPECT_TRUE(Exists(folder + L"\\uninstall.exe"));
  RunToEnd(folder + L"\\uninstall.exe", L"/a /u:\"" + name_ + L"\"");
}

}  // namespace
