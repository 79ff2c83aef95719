// Products of each bitness from end to end, in the 32-bit and the 64-bit
// prefix: where files, system files, registry entries, the Uninstall key and
// shared-file counts land (read back through the system's own views: the
// registry with KEY_WOW64_32KEY / KEY_WOW64_64KEY, files with redirection
// off), what the batch variables say, a 64-bit COM server registered by the
// 64-bit regsvr32, the refusal of a product made for the other kind of
// Windows, Wine's own list of programs, and an uninstall that leaves both
// registry views and every folder as they were.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/redirection_win.h"
#include "e2e/installer_win.h"
#include "e2e/snapshot_win.h"
#include "package/entry_kinds.h"
#include "package/settings.h"
#include "testkit/testkit.h"

namespace {

using e2e::Exists;
using e2e::RunToEnd;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kSharedDllsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t kComMarks[] = L"Software\\Bastionix Test COM Server";
constexpr uint8_t kBitness64 = 1, kBitness32 = 2;

// A value of the key in one registry view as text (a DWORD in decimal), or
// "<missing>".
std::wstring ViewValue(HKEY root, REGSAM view, const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"<missing>";
  wchar_t data[4096] = {};
  DWORD size = sizeof data - sizeof(wchar_t), type = 0;
  const LONG got = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (got != ERROR_SUCCESS) return L"<missing>";
  if (type == REG_DWORD) {
    DWORD number = 0;
    memcpy(&number, data, sizeof number);
    return std::to_wstring(number);
  }
  return std::wstring(data, wcsnlen(data, size / sizeof(wchar_t)));
}

bool ViewHasKey(HKEY root, REGSAM view, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Whether the file is there, looked for with redirection off: "System32"
// is then the 64-bit system folder on 64-bit Windows.
bool ExistsUnredirected(const std::wstring& path) {
  RedirectionGuard off;
  return Exists(path);
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  GetEnvironmentVariableW(name, value, MAX_PATH);
  return value;
}

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Every Windows has the shared-file counts' key; a fresh Wine prefix has it
// only once something counted there. Made beforehand, so that the key an
// install opens is not a difference of the product's.
void EnsureSharedDllsKeys() {
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
}

// A "system" file (kind 6) is never removed: it may be one that other
// programs need too. The test takes it away once that is seen.
void ExpectKeptAndRemove(const std::wstring& path) {
  RedirectionGuard off;
  EXPECT_TRUE(Exists(path)) << testing::PrintToString(path);
  DeleteFileW(path.c_str());
}

// The folders a product of one bitness is to use on this Windows, found
// through the system's own names for them.
struct Expected {
  std::wstring programs, common, system_files;
  REGSAM view;
};

Expected ExpectedFor(uint8_t bitness) {
  const bool windows64 = testkit::On64BitWindows();
  if (windows64 && bitness == kBitness64) {
    return {Environment(L"ProgramW6432"), Environment(L"CommonProgramW6432"), testkit::SystemFolderNamed(),
            KEY_WOW64_64KEY};
  }
  if (windows64) {
    return {Environment(L"ProgramFiles(x86)"), Environment(L"CommonProgramFiles(x86)"),
            testkit::SystemFolderOf32BitFiles(), KEY_WOW64_32KEY};
  }
  return {Environment(L"ProgramFiles"), Environment(L"CommonProgramFiles"), testkit::SystemFolderNamed(), 0};
}

// The other registry view, where nothing of the product may appear.
REGSAM OtherView(REGSAM view) { return view == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// Runs a program of the system by name through the command interpreter and
// returns what it printed.
std::wstring SystemToolOutput(const std::wstring& command) {
  const std::wstring output = e2e::TestFolder() + L"\\" + testkit::UniqueName(L"out") + L".txt";
  EXPECT_EQ(RunToEnd(L"C:\\windows\\system32\\cmd.exe", L"/c " + command + L" > \"" + output + L"\""), 0u);
  const std::string bytes = e2e::ReadBytes(output);
  return std::wstring(bytes.begin(), bytes.end());
}

class Bitness : public testing::Test {
 protected:
  void Make(const wchar_t* stem, uint8_t bitness) {
    product_ = e2e::TestProduct(stem);
    product_.settings.Bitness = bitness;
    name_ = e2e::Wide(product_.settings.DisplayName);
    expected_ = ExpectedFor(bitness);
    folder_ = expected_.programs + L"\\" + name_;
    tag_ = Lower(name_.substr(name_.rfind(L'-') + 1));
    own_key_ = L"Software\\Bx Bitness " + tag_;
  }

  // A file of the product's shared folder, which lies under the Common Files
  // of the product's bitness; where it is to be.
  std::wstring AddSharedFile() {
    PackageFile shared = FileFromBytes("shared.dat", "shared", 6);
    shared.entry.kind = entry_kind::kSharedFolder;
    product_.files.push_back(shared);
    product_.settings.SharedPath = e2e::FromWide(L"Bx Shared " + tag_);
    return expected_.common + L"\\Bx Shared " + tag_ + L"\\shared.dat";
  }

  // The installer, built; empty (with a failure) when the builder refused.
  std::wstring Installer() { return e2e::BuildInstallerFile(product_, name_ + L".exe"); }

  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + name_).c_str(), view, 0);
    }
  }

  Product product_;
  std::wstring name_, folder_, tag_, own_key_;
  Expected expected_;
};

// A product for either bitness: on 64-bit Windows it is a 32-bit program's
// install, so everything goes where Windows puts a 32-bit program's things.
TEST_F(Bitness, EitherBitnessGoesWhereThirtyTwoBitProgramsGo) {
  Make(L"Either", 0);
  const std::wstring system_file = L"bxsys" + tag_ + L".dll";
  const std::wstring dirs = e2e::TestFolder() + L"\\dirs.txt";
  product_.files.push_back(FileFromBytes("app.txt", "app", 3));
  const std::wstring shared = AddSharedFile();
  PackageFile system = FileFromBytes(Narrow(system_file).c_str(), "system", 6);
  system.entry.kind = entry_kind::kSystem;
  product_.files.push_back(system);
  product_.settings.RegistryEntries = e2e::FromWide(L"HKLM\\" + own_key_ + L",Folder,1,%InstallDir%,3\r\n" +
                                                     L"HKLM\\" + own_key_ + L"\r\n");
  // Redirection written first: a digit before ">" would name a stream.
  product_.settings.PostInstallBatch = e2e::FromWide(
      L">\"" + dirs + L"\" echo %ProgramsDir%\r\n>>\"" + dirs + L"\" echo %CommonDir%\r\n>>\"" + dirs +
      L"\" echo %SystemDir%\r\n>>\"" + dirs + L"\" echo %Bits%\r\n");
  EnsureSharedDllsKeys();
  const std::set<std::wstring> before = e2e::Snapshot();
  const std::wstring installer = Installer();
  ASSERT_FALSE(installer.empty());
  ASSERT_EQ(RunToEnd(installer, L"/silent"), 1u);

  EXPECT_TRUE(Exists(folder_ + L"\\app.txt")) << testing::PrintToString(folder_);
  EXPECT_TRUE(Exists(shared)) << testing::PrintToString(shared);
  EXPECT_EQ(ViewValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kSharedDllsKey, shared.c_str()), L"1");
  const std::string log = e2e::ReadBytes(folder_ + L"\\Install.log");
  EXPECT_EQ(log.find("cannot be accessed"), std::string::npos) << log;
  EXPECT_TRUE(ExistsUnredirected(expected_.system_files + L"\\" + system_file));
  if (testkit::On64BitWindows()) {
    EXPECT_FALSE(ExistsUnredirected(testkit::SystemFolderNamed() + L"\\" + system_file));
  }
  EXPECT_EQ(ViewValue(HKEY_LOCAL_MACHINE, expected_.view, own_key_, L"Folder"), folder_);
  EXPECT_TRUE(ViewHasKey(HKEY_LOCAL_MACHINE, expected_.view, kUninstallKey + name_));
  if (testkit::On64BitWindows()) {
    EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, OtherView(expected_.view), own_key_));
    EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, OtherView(expected_.view), kUninstallKey + name_));
  }
  const std::string written = e2e::ReadBytes(dirs);
  EXPECT_EQ(Lower(std::wstring(written.begin(), written.end())),
            Lower(expected_.programs + L"\r\n" + expected_.common + L"\r\n" + testkit::SystemFolderNamed() + L"\r\n" +
                  (testkit::On64BitWindows() ? L"64" : L"32") + L"\r\n"));

  EXPECT_EQ(RunToEnd(folder_ + L"\\uninstall.exe", L"/a /u:\"" + name_ + L"\""), 0u);
  EXPECT_TRUE(testkit::Await("the product folder's removal", [&] { return !Exists(folder_); }));
  ExpectKeptAndRemove(expected_.system_files + L"\\" + system_file);
  EXPECT_EQ(e2e::Difference(before, e2e::Snapshot()), L"");
}

// A 64-bit product: redirection off, the 64-bit folders and registry view,
// a 64-bit COM server registered by the 64-bit regsvr32; removed again by the
// command its Uninstall key names.
TEST_F(Bitness, SixtyFourBitProductUsesTheSixtyFourBitFoldersAndView) {
  if (!testkit::On64BitWindows()) GTEST_SKIP() << testkit::OnlyOn64Bit("a 64-bit product is refused elsewhere");
  Make(L"Native", kBitness64);
  const std::wstring system_file = L"bxsys" + tag_ + L".dll";
  const std::wstring server_file = L"bxcom" + tag_ + L".dll";
  const std::string server = e2e::ReadBytes(testkit::BuildPath(L"tests/components/test_com_server64.dll"));
  ASSERT_FALSE(server.empty()) << "the 64-bit COM server is built with x86_64-w64-mingw32-g++";
  PackageFile app = FileFromBytes("app.exe", "MZ app", 6);
  app.entry.flags = entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut;
  app.entry.version = String("Native App");
  product_.files.push_back(app);
  PackageFile system = FileFromBytes(Narrow(system_file).c_str(), "system", 6);
  system.entry.kind = entry_kind::kSystem;
  product_.files.push_back(system);
  const std::wstring shared_file = AddSharedFile();
  PackageFile com = FileFromBytes(Narrow(server_file).c_str(), server.data(), server.size());
  com.entry.kind = entry_kind::kSystemCom;
  product_.files.push_back(com);
  product_.settings.RegistryEntries = e2e::FromWide(L"HKLM\\" + own_key_ + L",Folder,1,%InstallDir%,3\r\n" +
                                                     L"HKLM\\" + own_key_ + L"\r\n");
  // A control-panel applet: its keys are the 64-bit view's on every product,
  // recorded as "*" records.
  const std::wstring applet_class = L"{B0000000-0000-4000-8000-" + tag_ + L"}";
  PackageFile applet = FileFromBytes("applet.exe", "MZ applet", 9);
  applet.entry.kind = entry_kind::kControlPanel;
  applet.entry.working_folder = String(Narrow(applet_class).c_str());
  product_.files.push_back(applet);
  product_.settings.SetFlag(product_flag::kAddToPath, true);
  const std::wstring path_before = ViewValue(HKEY_LOCAL_MACHINE, 0, kEnvironmentKey, L"Path");
  EnsureSharedDllsKeys();
  const std::set<std::wstring> before = e2e::Snapshot();
  const std::wstring installer = Installer();
  ASSERT_FALSE(installer.empty());
  ASSERT_EQ(RunToEnd(installer, L"/silent"), 1u);

  const std::string log = e2e::ReadBytes(folder_ + L"\\Install.log");
  EXPECT_NE(log.find(" x64"), std::string::npos) << log;
  EXPECT_EQ(log.find("cannot be accessed"), std::string::npos) << log;
  EXPECT_TRUE(Exists(folder_ + L"\\app.exe")) << testing::PrintToString(folder_);
  for (const std::wstring& file : {system_file, server_file}) {
    EXPECT_TRUE(ExistsUnredirected(testkit::SystemFolderNamed() + L"\\" + file)) << file;
    EXPECT_FALSE(Exists(testkit::SystemFolderOf32BitFiles() + L"\\" + file)) << file;
  }
  // Only a 64-bit process can load the server: its mark is the 64-bit regsvr32's.
  EXPECT_NE(log.find("Registering COM File \"" + Narrow(testkit::SystemFolderNamed() + L"\\" + server_file) +
                     "\"...OK\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(ViewValue(HKEY_CURRENT_USER, 0, kComMarks, server_file.c_str()), L"1");
  EXPECT_EQ(ViewValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, own_key_, L"Folder"), folder_);
  EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, own_key_));
  // The Uninstall key and the shared-file counts stay in the view of the
  // installer's own process (the uninstaller finds the product there and
  // reads its bitness from it); the system's list of programs reads both.
  const std::wstring entry = kUninstallKey + name_;
  EXPECT_EQ(ViewValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, entry, L"Bitness"), L"1");
  EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, entry));
  const std::wstring shared = testkit::SystemFolderNamed() + L"\\" + server_file;
  EXPECT_EQ(ViewValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kSharedDllsKey, shared.c_str()), L"1");
  EXPECT_TRUE(Exists(shared_file)) << testing::PrintToString(shared_file);
  EXPECT_EQ(ViewValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kSharedDllsKey, shared_file.c_str()), L"1");
  EXPECT_EQ(Lower(ViewValue(HKEY_LOCAL_MACHINE, 0, kEnvironmentKey, L"Path")), Lower(path_before + L";" + folder_));
  wchar_t desktop[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
  EXPECT_TRUE(Exists(std::wstring(desktop) + L"\\Native App.lnk"));
  const std::wstring dat = [&] {
    const std::string bytes = e2e::ReadBytes(folder_ + L"\\Uninstall.DAT");
    return std::wstring(bytes.begin(), bytes.end());
  }();
  EXPECT_NE(dat.find(L"\r\n[Registry2]\r\n"), std::wstring::npos) << dat;
  const std::wstring applet_key = L"Software\\Classes\\CLSID\\" + applet_class;
  EXPECT_NE(Lower(dat).find(Lower(L"*\\HKLM\\" + applet_key + L"\r\n")), std::wstring::npos) << dat;
  EXPECT_TRUE(ViewHasKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, applet_key));
  EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, applet_key));

  // Removal by the command the system's list of programs would run.
  const std::wstring command = ViewValue(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, entry, L"UninstallString");
  ASSERT_EQ(command.rfind(L"\"" + folder_ + L"\\uninstall.exe\" ", 0), 0u) << testing::PrintToString(command);
  const size_t program_end = command.find(L'"', 1);
  EXPECT_EQ(RunToEnd(command.substr(1, program_end - 1), L"/a" + command.substr(program_end + 1)), 0u);
  EXPECT_TRUE(testkit::Await("the product folder's removal", [&] { return !Exists(folder_); }));
  EXPECT_FALSE(ExistsUnredirected(testkit::SystemFolderNamed() + L"\\" + server_file));
  ExpectKeptAndRemove(testkit::SystemFolderNamed() + L"\\" + system_file);
  EXPECT_EQ(ViewValue(HKEY_CURRENT_USER, 0, kComMarks, (L"unregistered " + server_file).c_str()), L"1");
  // The server's own marks are the test's, not the product's.
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kComMarks, server_file.c_str());
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kComMarks, (L"unregistered " + server_file).c_str());
  EXPECT_EQ(e2e::Difference(before, e2e::Snapshot()), L"");
}

// A product made for the other kind of Windows: message 81, exit code 1; in
// automatic mode at once, without a window.
TEST_F(Bitness, ProductForTheOtherWindowsIsRefused) {
  Make(L"Refused", testkit::On64BitWindows() ? kBitness32 : kBitness64);
  product_.languages[0].messages[81] = String(u"This product is for another kind of Windows.");
  const std::wstring installer = Installer();
  ASSERT_FALSE(installer.empty());
  EXPECT_EQ(RunToEnd(installer, L"/a"), 1u);

  testkit::Process process = testkit::Process::Start(installer, L"");
  ASSERT_TRUE(process.started());
  HWND box = nullptr;
  ASSERT_TRUE(testkit::Await("the refusal's message box", [&] {
    for (HWND found : testkit::TopLevelWindows(process.id(), {testkit::kDialogClass, L""})) {
      if (testkit::IsMessageBox(found) && !testkit::MessageBoxText(found).empty()) box = found;
    }
    return box != nullptr;
  })) << testkit::DescribeWindows(process.id());
  EXPECT_EQ(testkit::MessageBoxText(box), L"This product is for another kind of Windows.");
  EXPECT_TRUE(testkit::AnswerMessageBox(box, IDOK));
  ASSERT_TRUE(process.WaitForExit());
  EXPECT_EQ(process.ExitCode(), 1u);
  EXPECT_FALSE(Exists(folder_));
  EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kUninstallKey + name_));
  EXPECT_FALSE(ViewHasKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kUninstallKey + name_));
}

// Wine's own list of installed programs (its "uninstaller --list", which
// reads both registry views) names the product while it is installed.
TEST_F(Bitness, TheSystemsListOfProgramsNamesTheProduct) {
  for (uint8_t bitness : {uint8_t{0}, kBitness64}) {
    if (bitness == kBitness64 && !testkit::On64BitWindows()) continue;
    Make(L"Listed", bitness);
    const std::wstring installer = Installer();
    ASSERT_FALSE(installer.empty());
    ASSERT_EQ(RunToEnd(installer, L"/silent"), 1u);
    EXPECT_NE(SystemToolOutput(L"uninstaller.exe --list").find(name_), std::wstring::npos) << int{bitness};
    EXPECT_EQ(RunToEnd(folder_ + L"\\uninstall.exe", L"/a /u:\"" + name_ + L"\""), 0u);
    EXPECT_TRUE(testkit::Await("the product folder's removal", [&] { return !Exists(folder_); }));
    EXPECT_EQ(SystemToolOutput(L"uninstaller.exe --list").find(name_), std::wstring::npos) << int{bitness};
  }
}

}  // namespace
