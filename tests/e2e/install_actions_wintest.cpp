// The install actions from end to end: installers made by the builder are
// run with /silent under Wine; what each action made (registry entries of
// every form, a merge file, associations, shortcuts read back through the
// shell link object, a type library, an MSI package, a driver INF, PATH,
// firewall, a COM server that crashes) is checked in the system, in
// Install.log and in Uninstall.DAT, then the uninstaller runs and what the
// actions touched must be as it was. Also the refusals and preparations of
// the sequence around them: a missing install drive, programs to close, the
// Start Menu and default-folder placeholders.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "builder/test_icon.h"
#include "e2e/installer_win.h"
#include "package/action_settings.h"
#include "testkit/child.h"
#include "testkit/testkit.h"
#include "testkit/wait.h"

namespace {

using e2e::Exists;
using e2e::RunToEnd;

using testkit::Process;

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
  std::wstring icon;
  int icon_index = -1;
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
    if (SUCCEEDED(link->GetIconLocation(text, 1024, &facts.icon_index))) facts.icon = text;
  }
  if (file) file->Release();
  link->Release();
  return facts;
}

// A registry subtree as text, values and subkeys in name order, so that two
// moments can be compared; "<none>" when the key is not there.
std::wstring DumpKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<none>\n";
  std::vector<std::wstring> values, subkeys;
  wchar_t name[512];
  for (DWORD i = 0, length = 512; RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
       ++i, length = 512) {
    values.push_back(name);
  }
  for (DWORD i = 0, length = 512; RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
       ++i, length = 512) {
    subkeys.push_back(name);
  }
  RegCloseKey(key);
  std::sort(values.begin(), values.end());
  std::sort(subkeys.begin(), subkeys.end());
  std::wstring out;
  for (const std::wstring& value : values) {
    DWORD type = 0;
    const std::wstring data = RawValue(root, path, value.c_str(), &type);
    out += value + L"=" + std::to_wstring(type) + L":" + data + L"\n";
  }
  for (const std::wstring& subkey : subkeys) out += L"[" + subkey + L"]\n" + DumpKey(root, path + L"\\" + subkey);
  return out;
}

// The loaded user hives the installer writes "every user" entries to.
std::vector<std::wstring> UserHives() {
  std::vector<std::wstring> hives;
  HKEY list = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0, KEY_READ,
                    &list) != ERROR_SUCCESS) {
    return hives;
  }
  wchar_t name[256];
  for (DWORD i = 0, length = 256; RegEnumKeyExW(list, i, name, &length, nullptr, nullptr, nullptr, nullptr) == 0;
       ++i, length = 256) {
    if (KeyExists(HKEY_USERS, name)) hives.push_back(name);
  }
  RegCloseKey(list);
  return hives;
}

// A type library with nothing in it but its identity, as MIDL would leave one.
std::string MakeTypeLibrary(const std::wstring& path, const GUID& guid) {
  ICreateTypeLib2* library = nullptr;
  if (FAILED(CreateTypeLib2(SYS_WIN32, path.c_str(), &library))) return std::string();
  library->SetGuid(guid);
  library->SetName(const_cast<LPOLESTR>(L"BastionixTestLibrary"));
  library->SetVersion(1, 0);
  library->SetLcid(LOCALE_NEUTRAL);
  const HRESULT saved = library->SaveAllChanges();
  library->Release();
  return SUCCEEDED(saved) ? e2e::ReadBytes(path) : std::string();
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
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
  association.extension = String(Narrow(extension).c_str());
  association.description = String(u"Bx Document");
  association.verb = String("open");
  association.verb_label = String(u"Open with Bx");
  association.command = String("\"%InstallDir%\\app.exe\" \"%1\"");
  association.prog_id = String(Narrow(prog_id).c_str());
  s.Associations.Add(association);
  s.Reserved14 = String(u"8080;Bx Port;1;0\r\n%InstallDir%\\app.exe;;0;0");
  s.InstallActionSettings = String(u"AddToPathSubfolder=bin");
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

// One product carrying every component kind, registry form and shortcut
// field: each is made as asked, logged, recorded in Uninstall.DAT, and the
// uninstaller leaves what they touched exactly as it was before.
TEST_F(InstallActions, EveryComponentAndRegistryFormIsMadeRecordedAndTakenBack) {
  // Names of this run alone (a run that stopped half-way leaves its own).
  GUID library_guid = {};
  ASSERT_EQ(CoCreateGuid(&library_guid), S_OK);
  const std::wstring tag = GuidText(library_guid).substr(1, 8);
  folder_ = L"C:\\Program Files\\Bx Actions " + tag;
  const std::wstring own_key = L"Software\\Bx Actions " + tag;
  const std::wstring extension = L".bx" + tag;
  const std::wstring existing_type = L"Bx.Existing." + tag;
  const std::wstring merge_key = L"Software\\Bx Merge " + tag;
  const std::wstring system = ShellFolder(CSIDL_SYSTEM);
  const std::wstring library_file = L"bxlib" + tag + L".tlb";
  const std::wstring server_file = L"bxserver" + tag + L".dll";
  // The package is a 32-bit one: on 64-bit Windows it goes to Program Files (x86).
  const std::wstring msi_file = ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Bastionix Test MSI\\readme.txt";
  const std::wstring library_key = L"TypeLib\\" + GuidText(library_guid);
  const std::string library = MakeTypeLibrary(e2e::TestFolder() + L"\\" + library_file, library_guid);
  ASSERT_FALSE(library.empty());
  const std::string msi = e2e::ReadBytes(testkit::BuildPath(L"tests/components/test_package.msi"));
  ASSERT_FALSE(msi.empty()) << "the MSI package is made by msitools' wixl (scripts/setup.sh)";

  // An extension whose type is already registered, with a command of its own.
  const std::wstring old_command = L"notepad.exe \"%1\"";
  RegSetKeyValueW(HKEY_CLASSES_ROOT, extension.c_str(), nullptr, REG_SZ, existing_type.c_str(),
                  static_cast<DWORD>((existing_type.size() + 1) * sizeof(wchar_t)));
  RegSetKeyValueW(HKEY_CLASSES_ROOT, (existing_type + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ,
                  old_command.c_str(), static_cast<DWORD>((old_command.size() + 1) * sizeof(wchar_t)));
  // A PATH far beyond the 2,048 characters where others cut it.
  DWORD path_type = 0;
  const std::wstring original_path = RawValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", &path_type);
  std::wstring long_path = original_path.substr(0, original_path.find(L'\0'));
  for (int i = 0; long_path.size() <= 2400; ++i) long_path += L";C:\\Bx Long " + tag + L"\\entry " + std::to_wstring(i);
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", REG_EXPAND_SZ, long_path.c_str(),
                            static_cast<DWORD>((long_path.size() + 1) * sizeof(wchar_t))),
            0);
  struct Restore {
    std::wstring path;
    DWORD type;
    ~Restore() {
      RegSetKeyValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", type, path.data(),
                      static_cast<DWORD>(path.size() * sizeof(wchar_t)));
    }
  } restore{original_path, path_type};

  ProductSettings& s = product_.settings;
  PackageFile app = File("app.exe", "MZ app", entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut,
                         "Tools\\App");
  app.entry.shortcut_arguments = String("/start \"a b\"");
  app.entry.shortcut_icon = String("app.ico");  // from the uninstall data folder
  app.entry.working_folder = String("%InstallDir%\\bin");
  product_.files.push_back(app);
  const String icon = MakeTestIcon(0xFF00FF00);
  product_.files.push_back(FileFromBytes("app.ico", icon.c_str(), static_cast<size_t>(icon.length())));
  product_.files.push_back(File("bin\\tool.cmd", "@echo tool\r\n"));
  product_.files.back().entry.kind = entry_kind::kStartup;
  PackageFile server = File(Narrow(server_file).c_str(),
                            e2e::ReadBytes(testkit::BuildPath(L"tests/components/test_com_server.dll")));
  server.entry.kind = entry_kind::kSystemCom;
  product_.files.push_back(server);
  PackageFile type_library = File(Narrow(library_file).c_str(), library);
  type_library.entry.kind = entry_kind::kSystemTypeLibrary;
  product_.files.push_back(type_library);
  PackageFile package = File("test_package.msi", msi, entry_flag::kRememberMsi);
  package.entry.kind = entry_kind::kMsi;
  package.entry.msi_option = 5;  // a silent run installs at level 2 whatever the package asks
  product_.files.push_back(package);
  PackageFile driver = File("bxdrv.inf",
                            "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=System\r\n"
                            "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}\r\nProvider=Bastionix\r\n"
                            "DriverVer=01/01/2024,1.0\r\n");
  driver.entry.kind = entry_kind::kDriver;
  product_.files.push_back(driver);
  product_.branding.uninstaller_icon = MakeTestIcon(0xFF0000FF);
  s.ProductStartMenu = e2e::FromWide(L"Bx " + name_);
  s.DesktopFolder = e2e::FromWide(L"Bx Desk " + name_);
  s.SetFlag(product_flag::kUninstallStartMenuShortcut, true);
  // The key lines first: the uninstaller still removes each key once its values are gone.
  const std::wstring entries = L"\\HKLM\\" + own_key + L"\r\n" + L"\\HKAU\\" + own_key + L"\r\n" +
                               L"\\HKLM\\" + own_key + L",Folder,1,%InstallDir%\\bin,3\r\n" +
                               L"\\HKLM\\" + own_key + L",Raw,2,%SystemRoot%\\x,3\r\n" +
                               L"\\HKLM\\" + own_key + L",Blob,3,0A 0b ff,3\r\n" +
                               L"\\HKLM\\" + own_key + L",Count,4,4000000000,3\r\n" +
                               L"\\HKLM\\" + own_key + L",Big,11,12345678901,3\r\n" +
                               L"\\HKLM\\" + own_key + L",Gone,1,never,5\r\n" +
                               L"\\HKAU\\" + own_key + L",User,1,%InstallDir%,3\r\n" +
                               L"\\HKAU\\" + own_key + L",UserCount,4,7,3\r\n";
  s.RegistryEntries = e2e::FromWide(entries);
  s.RegistryMerge = e2e::FromWide(L"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + merge_key + L"]\r\n\"Merged\"=\"yes\"\r\n");
  AssociationRecord association;
  association.extension = String(Narrow(extension.substr(1)).c_str());  // the dot is added
  association.description = String(u"Not used: the type is there already");
  association.verb = String("open");
  association.verb_label = String(u"Open with Bx");
  association.command = String("\"%InstallDir%\\app.exe\" \"%1\"");
  association.prog_id = String("!");
  s.Associations.Add(association);
  ActionSettings values;
  values.path_subfolder = String(u"bin");
  values.desktop_folder_icon = MakeTestIcon(0xFFFF0000);
  s.InstallActionSettings = WriteActionSettings(values);
  s.SetFlag(product_flag::kAddToPath, true);
  s.SetFlag(product_flag::kDetailedLog, true);

  const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Bx Desk " + name_;
  const std::wstring start_menu = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Bx " + name_;
  const std::wstring startup_link = ShellFolder(CSIDL_COMMON_STARTUP) + L"\\tool.cmd.lnk";
  // Everything the actions touch, as text: equal before and after means the
  // uninstaller left nothing behind and took nothing that was there.
  const auto touched = [&]() {
    std::wstring text = DumpKey(HKEY_CLASSES_ROOT, extension) + DumpKey(HKEY_CLASSES_ROOT, existing_type) +
                        DumpKey(HKEY_CLASSES_ROOT, L"!") + DumpKey(HKEY_CLASSES_ROOT, library_key) +
                        DumpKey(HKEY_LOCAL_MACHINE, own_key);
    for (const std::wstring& hive : UserHives()) text += hive + DumpKey(HKEY_USERS, hive + L"\\" + own_key);
    DWORD type = 0;
    text += RawValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", &type) + std::to_wstring(type) + L"\n";
    for (const std::wstring& path : {folder_, desktop, start_menu, startup_link, system + L"\\" + library_file,
                                     system + L"\\" + server_file, msi_file}) {
      text += path + (Exists(path) ? L" is there\n" : L" is not\n");
    }
    return text;
  };
  const std::wstring before = touched();
  const std::wstring installer = e2e::BuildInstallerFile(product_, name_ + L".exe");
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunToEnd(installer, L"/silent /d:\"" + folder_ + L"\""), 1u);
  const std::string log = InstallLog();
  const std::string dat = e2e::ReadBytes(folder_ + L"\\Uninstall.DAT");

  // Components: a COM server (its DllRegisterServer counts its calls), the
  // type library, the MSI package at level 2, the driver.
  const std::wstring marks = L"Software\\Bastionix Test COM Server";
  EXPECT_NE(log.find("Registering COM File \"" + Narrow(system + L"\\" + server_file) + "\"...OK\r\n"),
            std::string::npos)
      << log;
  DWORD calls = 0, calls_size = sizeof calls;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, marks.c_str(), server_file.c_str(), RRF_RT_REG_DWORD, nullptr, &calls,
                         &calls_size),
            0);
  EXPECT_EQ(calls, 1u);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, marks.c_str(), server_file.c_str());
  const std::string library_path = Narrow(system + L"\\" + library_file);
  EXPECT_NE(log.find("Registering Type Library \"" + library_path + "\"...OK\r\n"), std::string::npos) << log;
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, library_key + L"\\1.0", L""), L"BastionixTestLibrary");
  const std::string msi_path = Narrow(folder_) + "\\test_package.msi";
  EXPECT_NE(log.find("Installing MSI package \"" + msi_path + "\"...OK\r\n"), std::string::npos) << log;
  EXPECT_TRUE(Exists(msi_file));
  EXPECT_NE(dat.find("\r\n[MSI]\r\n\"" + msi_path + "\",2\r\n"), std::string::npos) << dat;
  const std::string inf_line = "Installing driver \"" + Narrow(folder_) + "\\bxdrv.inf\"...";
  EXPECT_NE(log.find(inf_line), std::string::npos) << log;

  // Registry entries in the machine and in every user hive.
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, own_key, L"Folder"), folder_ + L"\\bin");
  DWORD type = 0;
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, own_key, L"Raw"), L"%SystemRoot%\\x");
  RawValue(HKEY_LOCAL_MACHINE, own_key, L"Raw", &type);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, own_key, L"Gone"), L"<missing>");
  const std::vector<std::wstring> hives = UserHives();
  EXPECT_FALSE(hives.empty());
  for (const std::wstring& hive : hives) {
    EXPECT_EQ(Text(HKEY_USERS, hive + L"\\" + own_key, L"User"), folder_) << Narrow(hive);
    DWORD count = 0, size = sizeof count;
    EXPECT_EQ(RegGetValueW(HKEY_USERS, (hive + L"\\" + own_key).c_str(), L"UserCount", RRF_RT_REG_DWORD, nullptr,
                           &count, &size),
              0);
    EXPECT_EQ(count, 7u);
  }
  EXPECT_EQ(Text(HKEY_CURRENT_USER, own_key, L"User"), folder_);
  EXPECT_NE(dat.find("\r\n[Registry2]\r\n" + Narrow(entries)), std::string::npos) << dat;

  // The merge file goes through the registry editor, which is not waited for.
  EXPECT_NE(log.find("Merging registry file...OK\r\n"), std::string::npos) << log;
  EXPECT_TRUE(testkit::Await("the merged registry key", [&] { return KeyExists(HKEY_LOCAL_MACHINE, merge_key); }));
  EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, merge_key, L"Merged"), L"yes");

  // The "!" association changes the type already registered, and only it.
  const std::wstring command = L"\"" + folder_ + L"\\app.exe\" \"%1\"";
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, extension, L""), existing_type);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, existing_type + L"\\shell\\open\\command", L""), command);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, existing_type + L"\\shell\\open\\command", (name_ + L" Backup").c_str()),
            old_command);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, existing_type + L"\\shell\\open", L""), L"Open with Bx");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, existing_type, L""), L"<missing>");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"!"));
  EXPECT_NE(log.find(Narrow(extension + L" Open With " + command) + "\r\n"), std::string::npos) << log;
  EXPECT_NE(dat.find("\r\n[Associations]\r\n" + Narrow(extension + L"~!~" + existing_type) + "~!~open~!~\r\n"),
            std::string::npos)
      << dat;

  // Shortcuts read back through the shell link object, each as asked.
  struct Link {
    std::wstring lnk, target, arguments, working_folder, icon;
    const char* log_line;
  };
  const std::wstring uninstaller_link = start_menu + L"\\Uninstall " + name_ + L".lnk";
  const Link links[] = {
      {desktop + L"\\Tools\\App.lnk", folder_ + L"\\app.exe", L"/start \"a b\"", folder_ + L"\\bin",
       folder_ + L"\\app.ico", "Desktop Folder Shortcut(Tools\\App) >>> "},
      {start_menu + L"\\Tools\\App.lnk", folder_ + L"\\app.exe", L"/start \"a b\"", folder_ + L"\\bin",
       folder_ + L"\\app.ico", "Start Menu Shortcut(Tools\\App) >>> "},
      {startup_link, folder_ + L"\\bin\\tool.cmd", L"", folder_, folder_ + L"\\bin\\tool.cmd",
       "Startup Shortcut(tool.cmd) >>> "},
      {uninstaller_link, folder_ + L"\\uninstall.exe", L"/u:\"" + name_ + L"\"", folder_,
       folder_ + L"\\uninstall.ico", "Start Menu Shortcut(Uninstall "},
  };
  for (const Link& link : links) {
    const LinkFacts facts = ReadLink(link.lnk);
    EXPECT_EQ(Lower(facts.target), Lower(link.target)) << Narrow(link.lnk);
    EXPECT_EQ(facts.arguments, link.arguments) << Narrow(link.lnk);
    EXPECT_EQ(Lower(facts.working_folder), Lower(link.working_folder)) << Narrow(link.lnk);
    EXPECT_EQ(Lower(facts.icon), Lower(link.icon)) << Narrow(link.lnk);
    EXPECT_EQ(facts.icon_index, 0) << Narrow(link.lnk);
    EXPECT_NE(log.find(link.log_line), std::string::npos) << link.log_line << "\n" << log;
    EXPECT_NE(dat.find("\r\n" + Narrow(link.lnk) + "\r\n"), std::string::npos) << Narrow(link.lnk) << "\n" << dat;
  }
  const String& uninstaller_icon = product_.branding.uninstaller_icon;
  EXPECT_EQ(e2e::ReadBytes(folder_ + L"\\uninstall.ico"),
            std::string(uninstaller_icon.c_str(), static_cast<size_t>(uninstaller_icon.length())));
  EXPECT_NE(dat.find("\r\n" + Narrow(folder_) + "\\uninstall.ico\r\n"), std::string::npos) << dat;
  EXPECT_NE(dat.find("~" + Narrow(start_menu) + "\\Tools\r\n"), std::string::npos) << dat;
  // The desktop folder shows its icon through Desktop.ini.
  const std::wstring ini = desktop + L"\\Desktop.ini";
  wchar_t icon_file[MAX_PATH] = {};
  GetPrivateProfileStringW(L".ShellClassInfo", L"IconFile", L"", icon_file, MAX_PATH, ini.c_str());
  EXPECT_EQ(Lower(icon_file), Lower(folder_ + L"\\Desktop Icon.ico"));
  EXPECT_EQ(GetFileAttributesW(ini.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

  // PATH keeps every entry of its 2,400 characters and its type.
  const std::wstring path_after = RawValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", &type);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(Lower(path_after.substr(0, path_after.find(L'\0'))), Lower(long_path + L";" + folder_ + L"\\bin"));

  EXPECT_EQ(RunToEnd(folder_ + L"\\uninstall.exe", L"/a /u:\"" + name_ + L"\""), 0u);
  // The uninstaller's copy goes once it has ended.
  EXPECT_TRUE(testkit::Await("the uninstaller's copy to go", [&] { return !Exists(folder_); }));
  EXPECT_EQ(Narrow(touched()), Narrow(before));
  // The merge file is the vendor's own: nothing records what it holds.
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, merge_key.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, extension.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, existing_type.c_str());
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
  ASSERT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
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
  ASSERT_TRUE(automatic.WaitForExit());
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
  EXPECT_TRUE(child.WaitForExit()) << "the matching window was not closed";
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
