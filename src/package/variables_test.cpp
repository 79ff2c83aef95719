#include "package/variables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/codepage.h"
#include "core/format.h"
#include "core/os_facts.h"
#include "core/system_folders.h"
#include "package/product_folders.h"
#include "package/settings.h"

namespace {

// A 64-bit machine whose special folders are named by their CSIDL, except
// the program folders, which carry their usual names.
bool g_is64 = true;

String SpecialFolder(int32_t csidl) {
  switch (csidl) {
    case 38:
    case 42: return String(u"C:\\Program Files (x86)");
    case 43:
    case 44: return String(u"C:\\Program Files (x86)\\Common Files");
    default: return FormatW(u"C:\\Special%d", csidl);
  }
}
String KnownFolder(const char16_t* id) {
  const String text(id);
  if (text.EqualsW(u"{6D809377-6AF0-444B-8957-A3773F02200E}")) return String(u"C:\\Program Files");
  if (text.EqualsW(u"{6365D5A7-0F0D-45E5-87F6-0DA56B6A4F7D}")) return String(u"C:\\Program Files\\Common Files");
  return String();
}
String NoText(const char16_t*) { return String(); }
String Same(const String& text) { return text; }
String Windows() { return String(u"C:\\Windows"); }
String System() { return String(u"C:\\Windows\\system32"); }
String Temp() { return String(u"C:\\Temp\\"); }
String Registry(RegRoot, const char16_t*, const char16_t* value, bool) {
  if (String(value).EqualsW(u"BootDir")) return String(u"d:\\");
  return String();
}
String User() { return String(u"ann"); }
bool Yes() { return true; }
bool SixtyFour() { return g_is64; }

const FolderSystem kFolders = {SpecialFolder, KnownFolder, NoText, Same, Windows, System, Temp, Registry, User, Yes,
                               SixtyFour};

std::u16string U(const String& text) { return std::u16string(text.w_str(), static_cast<size_t>(text.wlength())); }

class Variables : public ::testing::Test {
 protected:
  void SetUp() override {
    g_is64 = true;
    settings_.DisplayName = String(u"Tool");
    settings_.Publisher = String(u"Vendor & Sons");
    settings_.DisplayVersion = String(u"2.5");
    install_.start_menu = String(u"Vendor\\Tool");
    install_.install_folder = String(u"C:\\Apps\\Tool");
    install_.uninstall_folder = String(u"C:\\Apps\\Tool\\uninst");
    install_.old_version = String(u"7.2.1");
    os_.version.platform = 2;
    os_.version.major = 6;
    os_.version.minor = 1;
    os_.version.product_type = 1;
    os_.is_64bit = true;
    sources_.settings = &settings_;
    sources_.install = &install_;
    sources_.folders = &kFolders;
    sources_.os = &os_;
    sources_.installer_path = String(u"E:\\Downloads\\setup.exe");
  }

  std::u16string Expand(const char16_t* text) {
    String out(text);
    ExpandVariables(out, sources_);
    return U(out);
  }
  std::u16string Value(Variable id) { return U(VariableValue(id, sources_)); }

  ProductSettings settings_;
  ProductFolders install_;
  OsFacts os_;
  VariableSources sources_;
};

TEST_F(Variables, TableFollowsTheEnumerationOrder) {
  for (int32_t i = 0; i < static_cast<int32_t>(Variable::kCount); ++i) {
    EXPECT_EQ(static_cast<int32_t>(kVariableTable[i].id), i) << i;
  }
  EXPECT_EQ(std::u16string(kVariableTable[0].name), u"%AppDataAllDir%");
  EXPECT_EQ(std::u16string(kVariableTable[static_cast<int32_t>(Variable::kCount) - 1].name), u"%OSName%");
}

TEST_F(Variables, FoldersAndInstallValues) {
  EXPECT_EQ(Expand(u"%InstallDir%\\bin"), u"C:\\Apps\\Tool\\bin");
  EXPECT_EQ(Expand(u"%installdir%"), u"C:\\Apps\\Tool");  // names match regardless of case
  EXPECT_EQ(Value(Variable::kInstallDrive), u"C:");
  EXPECT_EQ(Value(Variable::kInstallerDir), u"E:\\Downloads");
  EXPECT_EQ(Value(Variable::kInstallerDrive), u"E:");
  EXPECT_EQ(Value(Variable::kInstallerFilename), u"setup.exe");
  EXPECT_EQ(Value(Variable::kBootDrive), u"D:");
  EXPECT_EQ(Value(Variable::kBits), u"64");
  EXPECT_EQ(Value(Variable::kDesktopDir), u"C:\\Special16");
  EXPECT_EQ(Value(Variable::kTemp), u"C:\\Temp\\");
  EXPECT_EQ(Value(Variable::kVersion), u"2.5");
  EXPECT_EQ(Value(Variable::kInetpub), u"c:\\Inetpub");
}

TEST_F(Variables, ProgramFoldersFollowTheProductsBitness) {
  settings_.Bitness = 2;
  EXPECT_EQ(Value(Variable::kProgramsDir), u"C:\\Program Files (x86)");
  EXPECT_EQ(Value(Variable::kCommonDir), u"C:\\Program Files (x86)\\Common Files");
  settings_.Bitness = 1;
  EXPECT_EQ(Value(Variable::kProgramsDir), u"C:\\Program Files");
  EXPECT_EQ(Value(Variable::kCommonDir), u"C:\\Program Files\\Common Files");
  EXPECT_EQ(Value(Variable::kProgramsDir32), u"C:\\Program Files (x86)");
  EXPECT_EQ(Value(Variable::kProgramsDir64), u"C:\\Program Files");
}

TEST_F(Variables, OldVersionParts) {
  EXPECT_EQ(Expand(u"%OldVersion%|%OldVersionMajor%|%OldVersionMinor%"), u"7.2.1|7|2");
  install_.old_version = String(u"7");
  EXPECT_EQ(Expand(u"%OldVersionMajor%|%OldVersionMinor%"), u"7|");
  install_.old_version.Clear();
  EXPECT_EQ(Expand(u"[%OldVersion%%OldVersionMajor%]"), u"[]");
  // These two are matched exactly.
  EXPECT_EQ(Expand(u"%oldversionmajor%"), u"%oldversionmajor%");
}

TEST_F(Variables, StartMenuDesktopAndOs) {
  EXPECT_EQ(Value(Variable::kStartMenuChosen), u"C:\\Special2\\Vendor\\Tool");
  settings_.ShortcutMode = 1;
  EXPECT_EQ(Value(Variable::kStartMenuChosen), u"C:\\Special23\\Vendor\\Tool");
  EXPECT_EQ(Value(Variable::kDesktopShortcuts), u"");
  settings_.DesktopFolder = String(u"Tool");
  EXPECT_EQ(Value(Variable::kDesktopShortcuts), u"C:\\Special25\\Tool");
  EXPECT_EQ(Expand(u"%OS% %OSMajor%.%OSMinor% %OSName%"), u"10 6.1 7 x64");
}

TEST_F(Variables, TableOrderDecidesWhatValuesMayHold) {
  // A value is inserted as it is: only later rows replace names inside it.
  install_.install_folder = String(u"C:\\%Temp%\\%AppDataDir%");
  EXPECT_EQ(Expand(u"%InstallDir%"), u"C:\\C:\\Temp\\\\%AppDataDir%");
  install_.install_folder = String(u"C:\\%InstallDir%");
  EXPECT_EQ(Expand(u"%InstallDir%"), u"C:\\%InstallDir%");
}

TEST_F(Variables, UnknownNamesDoubledSignsAndEnvironment) {
  EXPECT_EQ(Expand(u"%NoSuchName%"), u"%NoSuchName%");
  EXPECT_EQ(Expand(u"%%InstallDir%%"), u"%C:\\Apps\\Tool%");
  setenv("BX_VARIABLES_TEST", "from environment", 1);
  EXPECT_EQ(Expand(u"[%BX_VARIABLES_TEST%] %InstallDir%"), u"[from environment] C:\\Apps\\Tool");
  String table_only(u"%BX_VARIABLES_TEST%%ProductName%");
  ReplaceVariables(table_only, sources_);
  EXPECT_EQ(U(table_only), u"%BX_VARIABLES_TEST%Tool");
  unsetenv("BX_VARIABLES_TEST");
}

TEST_F(Variables, BatchLinesInTheirOrderAndQuoting) {
  settings_.Bitness = 1;
  install_.shared_folder = String(u"C:\\Common\\100% Vendor");
  os_.version.service_pack = String(u"Service Pack 1");
  const String lines = Utf16ToUtf8(BatchVariableLines(sources_));
  const std::string text(lines.c_str(), static_cast<size_t>(lines.length()));
  EXPECT_EQ(text,
            "SET \"InstallDir=C:\\Apps\\Tool\"\r\n"
            "SET \"Bits=64\"\r\n"
            "SET \"UninstallDir=C:\\Apps\\Tool\\uninst\"\r\n"
            "SET \"SharedDir=C:\\Common\\100%% Vendor\"\r\n"
            "SET \"InstallerFilepath=E:\\Downloads\\setup.exe\"\r\n"
            "SET \"InstallerDir=E:\\Downloads\"\r\n"
            "SET \"InstallerFilename=setup.exe\"\r\n"
            "SET \"InstallerDrive=E:\"\r\n"
            "SET \"SystemDir=C:\\Windows\\system32\"\r\n"
            "SET \"DeviceDir=C:\\Windows\\INF\"\r\n"
            "SET \"MediaDir=C:\\Windows\\Media\"\r\n"
            "SET \"FavoritesDir=C:\\Special6\"\r\n"
            "SET \"FavoritesAllDir=C:\\Special31\"\r\n"
            "SET \"FontDir=C:\\Special20\"\r\n"
            "SET \"DesktopDir=C:\\Special16\"\r\n"
            "SET \"DesktopAllDir=C:\\Special25\"\r\n"
            "SET \"DesktopShortcuts=\"\r\n"
            "SET \"DocumentDir=C:\\Special5\"\r\n"
            "SET \"DocumentAllDir=C:\\Special46\"\r\n"
            "SET \"ProductName=Tool\"\r\n"
            "SET \"CompanyName=Vendor & Sons\"\r\n"
            "SET \"ProgramsDir=C:\\Program Files\"\r\n"
            "SET \"ProgramsDir32=C:\\Program Files (x86)\"\r\n"
            "SET \"ProgramsDir64=C:\\Program Files\"\r\n"
            "SET \"StartMenuAllDir=C:\\Special22\"\r\n"
            "SET \"StartMenuChosen=C:\\Special2\\Vendor\\Tool\"\r\n"
            "SET \"StartMenuDir=C:\\Special11\"\r\n"
            "SET \"SMProgramsDir=C:\\Special2\"\r\n"
            "SET \"SMProgramsAllDir=C:\\Special23\"\r\n"
            "SET \"StartupDir=C:\\Special7\"\r\n"
            "SET \"StartupAllDir=C:\\Special24\"\r\n"
            "SET \"CommonDir=C:\\Program Files\\Common Files\"\r\n"
            "SET \"CommonDir32=C:\\Program Files (x86)\\Common Files\"\r\n"
            "SET \"CommonDir64=C:\\Program Files\\Common Files\"\r\n"
            "SET \"Inetpub=c:\\Inetpub\"\r\n"
            "SET \"AppDataDir=C:\\Special26\"\r\n"
            "SET \"AppDataAllDir=C:\\Special35\"\r\n"
            "SET InstallDrive=C:\r\n"
            "SET BootDrive=D:\r\n"
            "SET Version=2.5\r\n"
            "SET OldVersion=7.2.1\r\n"
            "SET OldVersionMajor=7\r\n"
            "SET OldVersionMinor=2\r\n"
            "SET OS=10\r\n"
            "SET OSMajor=6\r\n"
            "SET OSMinor=1\r\n"
            "SET OSName=7 x64 Service Pack 1\r\n");
}

TEST_F(Variables, UnquotedBatchValuesAreEscaped) {
  install_.old_version = String(u"1.0 & <beta>");
  const String lines = Utf16ToUtf8(BatchVariableLines(sources_));
  const std::string text(lines.c_str(), static_cast<size_t>(lines.length()));
  EXPECT_NE(text.find("SET OldVersion=1.0 ^& ^<beta^>\r\n"), std::string::npos);
}

}  // namespace
