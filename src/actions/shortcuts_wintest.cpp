#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "actions/shortcuts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/shortcut.h"
#include "core/com_ptr_win.h"
#include "core/scratch_folder_wintest.h"
#include "core/system_folders.h"
#include "records/failure_summary.h"
#include "records/journal.h"
#include "records/marked_path.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"
#include "records/working_log_wintest.h"

namespace {

std::wstring Wide(const String& s) { return std::wstring(reinterpret_cast<const wchar_t*>(s.w_str())); }

// What a link file says, read back through the shell link object.
struct LinkContents {
  std::wstring target, arguments, working_folder, icon;
  int icon_index = -1;
};

bool ReadLink(const std::wstring& lnk, LinkContents* out) {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid()))) {
    return false;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link.QueryInterface(IID_IPersistFile, &file)) || FAILED(file->Load(lnk.c_str(), STGM_READ))) return false;
  wchar_t text[MAX_PATH * 2];
  link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
  out->target = text;
  link->GetArguments(text, MAX_PATH * 2);
  out->arguments = text;
  link->GetWorkingDirectory(text, MAX_PATH * 2);
  out->working_folder = text;
  link->GetIconLocation(text, MAX_PATH * 2, &out->icon_index);
  out->icon = text;
  return true;
}

class Shortcuts : public testing::Test {
 protected:
  Journal journal_;  // this test's run journal
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
    ASSERT_TRUE(StartWorkingLog(journal_.log));
    install_ = folder_ / L"App";
    CreateDirectoryW(install_.c_str(), nullptr);
    CreateDirectoryW((install_ + L"\\work").c_str(), nullptr);
    menu_ = std::wstring(L"Bastionix Shortcut Test ") + std::to_wstring(GetCurrentProcessId());
    desktop_ = Wide(FolderPath(FolderSource::kCommonDesktop));
    programs_ = Wide(FolderPath(FolderSource::kCommonPrograms));
  }
  void TearDown() override {
    EndWorkingLog(journal_.log);
    for (const std::wstring& file : made_) DeleteFileW(file.c_str());
    SetFileAttributesW((desktop_ + L"\\" + menu_).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW((programs_ + L"\\" + menu_ + L"\\Docs").c_str());
    RemoveDirectoryW((programs_ + L"\\" + menu_).c_str());
    RemoveDirectoryW((desktop_ + L"\\" + menu_ + L"\\Docs").c_str());
    RemoveDirectoryW((desktop_ + L"\\" + menu_).c_str());
    ClearFailures(journal_);
    ClearUninstallRecords(journal_.records);
    CoUninitialize();
  }
  std::wstring Made(const std::wstring& file) {
    made_.push_back(file);
    return file;
  }

  ScratchFolder folder_;
  std::wstring install_, menu_, desktop_, programs_;
  std::vector<std::wstring> made_;
};

TEST_F(Shortcuts, DesktopFolderAndStartMenuReadBackAsAsked) {
  Vector<ShortcutRequest> requests;
  ShortcutRequest request;
  request.desktop = true;
  request.start_menu = true;
  request.target = String(U16(install_ + L"\\app.exe"));
  request.name = String(u"Docs\\Bx App");
  request.arguments = String(u"/open \"a b\"");
  request.working_folder = String(U16(install_ + L"\\work\\"));
  request.icon = String(u"app.ico");
  requests.Add(request);
  ShortcutRequest second;
  second.desktop = true;
  second.target = String(u"tool.exe");  // relative: below the install folder
  second.working_folder = String(u"C:\\no such folder");
  second.name = String(u"Tool");
  second.permanent = true;
  requests.Add(second);

  ShortcutStepInputs inputs;

  inputs.journal = &journal_;
  inputs.requests = &requests;
  inputs.install_folder = String(U16(install_));
  inputs.uninstall_folder = String(U16(install_));
  inputs.start_menu_folder = String(U16(menu_));
  inputs.desktop_folder = String(U16(menu_));
  inputs.desktop_folder_icon = String("icon bytes");
  inputs.all_users = true;
  inputs.detailed_log = true;
  CreateShortcuts(inputs);
  EXPECT_EQ(Text(journal_.failures.text), "");

  const std::wstring desk_folder = desktop_ + L"\\" + menu_;
  const std::wstring links[] = {Made(desk_folder + L"\\Docs\\Bx App.lnk"),
                                Made(programs_ + L"\\" + menu_ + L"\\Docs\\Bx App.lnk")};
  for (const std::wstring& lnk : links) {
    LinkContents c;
    ASSERT_TRUE(ReadLink(lnk, &c));
    EXPECT_EQ(c.target, install_ + L"\\app.exe");
    EXPECT_EQ(c.arguments, L"/open \"a b\"");
    EXPECT_EQ(c.working_folder, install_ + L"\\work");
    EXPECT_EQ(c.icon, install_ + L"\\app.ico");
    EXPECT_EQ(c.icon_index, 0);
  }
  LinkContents tool;
  ASSERT_TRUE(ReadLink(Made(desk_folder + L"\\Tool.lnk"), &tool));
  EXPECT_EQ(tool.target, install_ + L"\\tool.exe");
  EXPECT_EQ(tool.working_folder, install_);  // a missing folder gives the install folder
  EXPECT_EQ(tool.icon, install_ + L"\\tool.exe");

  // The desktop folder: made once, with its Desktop.ini naming the icon.
  const std::wstring ini = Made(desk_folder + L"\\Desktop.ini");
  wchar_t icon_file[MAX_PATH] = {};
  GetPrivateProfileStringW(L".ShellClassInfo", L"IconFile", L"", icon_file, MAX_PATH, ini.c_str());
  EXPECT_EQ(std::wstring(icon_file), Made(install_ + L"\\Desktop Icon.ico"));
  EXPECT_NE(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_NE(GetFileAttributesW(desk_folder.c_str()) & FILE_ATTRIBUTE_SYSTEM, 0u);

  const std::string records = Text(journal_.records.records);
  const std::string d = Text(MarkPath(U16(desk_folder)));
  EXPECT_NE(records.find(d + "\\Desktop.ini\r\n"), std::string::npos) << records;
  EXPECT_NE(records.find("~" + d + "\r\n"), std::string::npos) << records;
  EXPECT_NE(records.find(d + "\\Docs\\Bx App.lnk\r\n"), std::string::npos) << records;
  EXPECT_NE(records.find("~" + d + "\\Docs\r\n"), std::string::npos) << records;
  EXPECT_EQ(records.find("Tool.lnk"), std::string::npos) << records;  // permanent
}

TEST_F(Shortcuts, FailureNamesTheLinkUnlessQuiet) {
  ShortcutLink link;
  link.lnk = String(u"Q:\\no\\drive\\x");
  link.target = String(U16(install_ + L"\\app.exe"));
  EXPECT_FALSE(CreateShortcut(link));

  Vector<ShortcutRequest> requests;
  ShortcutRequest request;
  request.target = link.target;
  request.name = String(u"Bad");
  request.own_folder = String(u"Q:\\no\\drive");
  requests.Add(request);
  request.quiet_failure = true;
  request.own_folder = String(u"Q:\\quiet");
  requests.Add(request);
  ShortcutStepInputs inputs;
  inputs.journal = &journal_;
  inputs.requests = &requests;
  inputs.install_folder = String(U16(install_));
  CreateShortcuts(inputs);
  const std::string failures = Text(journal_.failures.text);
  EXPECT_NE(failures.find(" Q:\\no\\drive\\Bad.lnk\r\n"), std::string::npos) << failures;
  EXPECT_EQ(failures.find("quiet"), std::string::npos) << failures;
  EXPECT_EQ(journal_.failures.count, 1);
}

// The uninstaller icon: written and recorded where the data folder is,
// logged (and still named for the shortcuts) where it cannot be written,
// nothing at all when the package carries none.
TEST_F(Shortcuts, UninstallerIconIsWrittenRecordedOrLogged) {
  const std::wstring missing = install_ + L"\\no such folder";
  struct Case {
    std::wstring folder;
    const char* icon;
    bool written;
  } cases[] = {
      {install_, "icon bytes", true},
      {install_, "", false},
      {missing, "icon bytes", false},  // last: the log keeps its line
  };
  for (const Case& c : cases) {
    ClearUninstallRecords(journal_.records);
    const std::wstring path = c.folder + L"\\uninstall.ico";
    DeleteFileW(path.c_str());
    const String named = InstallUninstallerIcon(journal_, String(U16(c.folder)), String(c.icon));
    const std::string records = Text(journal_.records.records);
    const std::string log = WorkingLogText(journal_.log, folder_ / L"log.txt");
    const bool logged = log.find("Failed to install uninstaller icon to ") != std::string::npos &&
                        log.find("no such folder\\uninstall.ico\r\n") != std::string::npos;
    EXPECT_EQ(Wide(named), *c.icon ? path : L"") << c.icon;
    EXPECT_EQ(testkit::ReadFileBytes(path).value_or("<none>"), c.written ? c.icon : "<none>");
    EXPECT_EQ(records, c.written ? Text(MarkPath(U16(path))) + "\r\n" : "");
    EXPECT_EQ(logged, *c.icon && !c.written) << log;
  }
}

}  // namespace
