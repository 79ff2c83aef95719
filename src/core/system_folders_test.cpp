#include "core/system_folders.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/codepage.h"

namespace {

// A machine described by tables: each test fills in what its system answers.
struct Machine {
  std::map<int32_t, std::u16string> special;
  std::map<std::u16string, std::u16string> known;
  std::map<std::u16string, std::u16string> environment;
  std::map<std::u16string, std::u16string> registry;  // "HKLM|key|value"
  std::u16string windows = u"C:\\Windows";
  std::u16string system = u"C:\\Windows\\system32";
  bool nt = true;
  bool is64 = false;
  int registry_creates = 0;
};

Machine* g_machine;

String Answer(const std::u16string* text) {
  return text ? String(text->c_str(), static_cast<int32_t>(text->size())) : String();
}

template <class Map, class Key>
const std::u16string* Lookup(const Map& map, const Key& key) {
  auto found = map.find(key);
  return found == map.end() ? nullptr : &found->second;
}

String Special(int32_t csidl) { return Answer(Lookup(g_machine->special, csidl)); }
String Known(const char16_t* id) { return Answer(Lookup(g_machine->known, std::u16string(id))); }
String Environment(const char16_t* name) { return Answer(Lookup(g_machine->environment, std::u16string(name))); }
// Expands the one variable the tests use.
String Expand(const String& text) {
  std::u16string out(text.w_str(), static_cast<size_t>(text.wlength()));
  const std::u16string name = u"%SystemDrive%";
  for (size_t at; (at = out.find(name)) != std::u16string::npos;) out.replace(at, name.size(), u"D:");
  return Answer(&out);
}
String Windows() { return Answer(&g_machine->windows); }
String System() { return Answer(g_machine->system.empty() ? nullptr : &g_machine->system); }
String Temp() { return String(u"C:\\Temp\\"); }
String Registry(RegRoot root, const char16_t* key, const char16_t* value, bool create) {
  if (create) ++g_machine->registry_creates;
  const std::u16string id = std::u16string(root == RegRoot::kLocalMachine ? u"HKLM|" : u"HKCU|") + key + u"|" + value;
  return Answer(Lookup(g_machine->registry, id));
}
String User() { return String(u"ann"); }
bool Nt() { return g_machine->nt; }
bool SixtyFour() { return g_machine->is64; }

const FolderSystem kTestSystem = {Special, Known, Environment, Expand, Windows, System, Temp, Registry, User, Nt,
                                  SixtyFour};

class SystemFolders : public ::testing::Test {
 protected:
  void SetUp() override { g_machine = &machine_; }
  void TearDown() override { g_machine = nullptr; }

  std::string Path(FolderSource source, FolderView view = FolderView::kDefault) {
    const String utf8 = Utf16ToUtf8(FolderPath(kTestSystem, source, view));
    return std::string(utf8.c_str(), static_cast<size_t>(utf8.length()));
  }

  // A 64-bit machine whose shell answers every program folder.
  void SixtyFourBitShell() {
    machine_.is64 = true;
    machine_.special[42] = u"C:\\Program Files (x86)";
    machine_.special[38] = u"C:\\Program Files (x86)";
    machine_.known[u"{6D809377-6AF0-444B-8957-A3773F02200E}"] = u"C:\\Program Files";
  }

  Machine machine_;
};

TEST_F(SystemFolders, ViewsAreNormalisedByBitness) {
  EXPECT_EQ(NormalizeView(FolderView::k32, true), FolderView::kDefault);
  EXPECT_EQ(NormalizeView(FolderView::k64, true), FolderView::k64);
  EXPECT_EQ(NormalizeView(FolderView::kDefault, true), FolderView::kDefault);
  EXPECT_EQ(NormalizeView(FolderView::k64IfAny, true), FolderView::k64);
  for (FolderView view : {FolderView::k32, FolderView::k64, FolderView::kDefault, FolderView::k64IfAny}) {
    EXPECT_EQ(NormalizeView(view, false), FolderView::kDefault);
  }
}

TEST_F(SystemFolders, ProgramFilesOnSixtyFourBitWindows) {
  SixtyFourBitShell();
  EXPECT_EQ(Path(FolderSource::kProgramFiles, FolderView::k32), "C:\\Program Files (x86)");
  EXPECT_EQ(Path(FolderSource::kProgramFiles, FolderView::kDefault), "C:\\Program Files (x86)");
  EXPECT_EQ(Path(FolderSource::kProgramFiles, FolderView::k64), "C:\\Program Files");
  EXPECT_EQ(Path(FolderSource::kProgramFiles, FolderView::k64IfAny), "C:\\Program Files");
  // Without the known folder, the environment; without that, the 32-bit
  // folder's name without " (x86)".
  machine_.known.clear();
  machine_.environment[u"ProgramW6432"] = u"E:\\Programs64";
  EXPECT_EQ(Path(FolderSource::kProgramFiles, FolderView::k64), "E:\\Programs64");
  machine_.environment.clear();
  EXPECT_EQ(Path(FolderSource::kProgramFiles, FolderView::k64), "C:\\Program Files");
}

TEST_F(SystemFolders, ProgramFilesOnThirtyTwoBitWindowsIsOneFolder) {
  machine_.special[38] = u"C:\\Program Files";
  machine_.special[42] = u"C:\\Wrong (x86)";
  for (FolderView view : {FolderView::k32, FolderView::k64, FolderView::kDefault, FolderView::k64IfAny}) {
    EXPECT_EQ(Path(FolderSource::kProgramFiles, view), "C:\\Program Files");
  }
}

TEST_F(SystemFolders, ProgramAndCommonFilesFallBackInOrder) {
  EXPECT_EQ(Path(FolderSource::kProgramFiles), "c:\\Program Files");
  EXPECT_EQ(Path(FolderSource::kCommonFiles), "c:\\Program Files\\Common Files");
  machine_.registry[u"HKLM|Software\\Microsoft\\Windows\\CurrentVersion|ProgramFilesDir"] = u"D:\\Apps\\";
  EXPECT_EQ(Path(FolderSource::kProgramFiles), "D:\\Apps");
  EXPECT_EQ(Path(FolderSource::kCommonFiles), "D:\\Apps\\Common Files");
  machine_.known[u"{905E63B6-C1BF-494E-B29C-65B732D3D21A}"] = u"K:\\Known";
  EXPECT_EQ(Path(FolderSource::kProgramFiles), "K:\\Known");
  machine_.special[38] = u"S:\\Special";
  EXPECT_EQ(Path(FolderSource::kProgramFiles), "S:\\Special");

  machine_.is64 = true;
  machine_.environment[u"CommonProgramFiles(x86)"] = u"C:\\Program Files (x86)\\Common Files";
  EXPECT_EQ(Path(FolderSource::kCommonFiles, FolderView::k64), "C:\\Program Files\\Common Files");
  machine_.environment[u"CommonProgramW6432"] = u"C:\\CP64";
  EXPECT_EQ(Path(FolderSource::kCommonFiles, FolderView::k64), "C:\\CP64");
}

TEST_F(SystemFolders, ShellFoldersFromSpecialFolderRegistryOrFallBack) {
  EXPECT_EQ(Path(FolderSource::kDesktop), "C:\\Windows\\Desktop");
  EXPECT_EQ(Path(FolderSource::kCommonDesktop), "C:\\Windows\\Desktop");
  EXPECT_EQ(Path(FolderSource::kDocuments), "c:\\My Documents");
  EXPECT_EQ(Path(FolderSource::kStartup), "C:\\Windows\\Start Menu\\Programs\\StartUp");
  EXPECT_EQ(Path(FolderSource::kAppData), "c:\\Program Files\\Common Files");
  machine_.registry[u"HKCU|Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders|Desktop"] =
      u"C:\\Users\\ann\\Desktop\\";
  EXPECT_EQ(Path(FolderSource::kDesktop), "C:\\Users\\ann\\Desktop");
  EXPECT_EQ(Path(FolderSource::kCommonDesktop), "C:\\Users\\ann\\Desktop");
  machine_.special[25] = u"C:\\Users\\Public\\Desktop";
  EXPECT_EQ(Path(FolderSource::kCommonDesktop), "C:\\Users\\Public\\Desktop");
  EXPECT_GT(machine_.registry_creates, 0);  // shell-folder keys are created when missing
}

TEST_F(SystemFolders, CommonStartMenuFromCommonStartup) {
  machine_.registry[u"HKLM|Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders|Common Startup"] =
      u"C:\\ProgramData\\Start Menu\\Programs\\StartUp";
  EXPECT_EQ(Path(FolderSource::kCommonStartMenu), "C:\\ProgramData\\Start Menu");
  EXPECT_EQ(Path(FolderSource::kCommonPrograms), "C:\\ProgramData\\Start Menu\\Programs");
  EXPECT_EQ(Path(FolderSource::kCommonStartup), "C:\\ProgramData\\Start Menu\\Programs\\StartUp");
}

TEST_F(SystemFolders, SystemProfileMediaAndDevicePaths) {
  EXPECT_EQ(Path(FolderSource::kSystem), "C:\\Windows\\system32");
  EXPECT_EQ(Path(FolderSource::kSystem32), "C:\\Windows\\system32");
  machine_.system.clear();
  EXPECT_EQ(Path(FolderSource::kSystem), "C:\\Windows\\System32");
  machine_.nt = false;
  EXPECT_EQ(Path(FolderSource::kSystem), "C:\\Windows\\System");
  machine_.special[41] = u"C:\\Windows\\SysWOW64";
  EXPECT_EQ(Path(FolderSource::kSystem32), "C:\\Windows\\SysWOW64");

  EXPECT_EQ(Path(FolderSource::kProfile), "C:\\Windows\\Profiles\\ann");
  EXPECT_EQ(Path(FolderSource::kMediaPath), "C:\\Windows\\Media");
  EXPECT_EQ(Path(FolderSource::kDevicePath), "C:\\Windows\\INF");
  machine_.environment[u"SystemRoot"] = u"C:\\WINNT";
  machine_.registry[u"HKLM|Software\\Microsoft\\Windows\\CurrentVersion|DevicePath"] =
      u"%systemroot%\\inf;D:\\Drivers";
  EXPECT_EQ(Path(FolderSource::kDevicePath), "C:\\WINNT\\inf");
  EXPECT_EQ(Path(FolderSource::kTemp), "C:\\Temp\\");
}

TEST_F(SystemFolders, WebFoldersAndBootDrive) {
  EXPECT_EQ(Path(FolderSource::kWebRoot), "c:\\Inetpub\\wwwroot");
  EXPECT_EQ(Path(FolderSource::kWebServerFolder), "c:\\Inetpub");
  machine_.registry[u"HKLM|SOFTWARE\\Microsoft\\INetStp|PathWWWRoot"] = u"%SystemDrive%\\web\\root\\";
  EXPECT_EQ(Path(FolderSource::kWebRoot), "D:\\web\\root");
  EXPECT_EQ(Path(FolderSource::kWebServerFolder), "D:\\web");
  EXPECT_EQ(machine_.registry_creates, 0);  // the web server's key is never created

  EXPECT_EQ(Path(FolderSource::kBootDrive), "C");
  machine_.registry[u"HKLM|Software\\Microsoft\\Windows\\CurrentVersion\\Setup|BootDir"] = u"e:\\";
  EXPECT_EQ(Path(FolderSource::kBootDrive), "E");
  machine_.registry[u"HKLM|Software\\Microsoft\\Windows\\CurrentVersion\\Setup|BootDir"] = u"1:\\";
  EXPECT_EQ(Path(FolderSource::kBootDrive), "C");
}

TEST(SystemFolderNames, RegistryAnswersLoseOneTrailingBackslashUnlessARoot) {
  EXPECT_TRUE(RegistryFolderAnswer(String(u"C:\\")).EqualsW(u"C:\\"));
  EXPECT_TRUE(RegistryFolderAnswer(String(u"C:\\Data\\")).EqualsW(u"C:\\Data"));
  EXPECT_TRUE(RegistryFolderAnswer(String(u"C:\\Data")).EqualsW(u"C:\\Data"));
}

}  // namespace
