#include "package/variables.h"

#include "core/char_class.h"
#include "core/environment.h"
#include "core/file_ops.h"
#include "core/format.h"
#include "core/os_facts.h"
#include "core/os_name.h"
#include "core/path_rules.h"
#include "core/search.h"
#include "core/system_folders.h"
#include "package/run_product.h"
#include "package/settings.h"

namespace {

using V = Variable;

String Text(const char16_t* text) { return String(text); }

// "X:" of a path that begins with a drive letter; empty for any other path.
String DriveText(const String& path) {
  if (path.wlength() < 2 || path.AtW(1) != u':' || !IsAsciiLetter(path.AtW(0))) return String();
  return String(path.w_str(), 2);
}

String FileNameOf(const String& path) {
  const int32_t cut = path.FindLastW(u'\\');
  return cut < 0 ? path : String(path.w_str() + cut + 1, path.wlength() - cut - 1);
}

// Part `index` (0 or 1) of a point-separated version; empty when missing.
String VersionPart(const String& version, int32_t index) {
  int32_t start = 0;
  for (int32_t i = 0; i < index; ++i) {
    const int32_t point = version.FindW(u'.', start);
    if (point < 0) return String();
    start = point + 1;
  }
  const int32_t end = version.FindW(u'.', start);
  return String(version.w_str() + start, (end < 0 ? version.wlength() : end) - start);
}

String Decimal(uint32_t number) { return FormatW(u"%u", number); }

class Values {
 public:
  explicit Values(const VariableSources& sources)
      : settings_(*sources.settings),
        install_(*sources.install),
        folders_(*sources.folders),
        os_(*sources.os),
        installer_(sources.installer_path) {}

  String Get(Variable id) const {
    switch (id) {
      case V::kAppDataAllDir: return Folder(FolderSource::kCommonAppData);
      case V::kAppDataDir: return Folder(FolderSource::kAppData);
      case V::kBits: return Text(os_.is_64bit ? u"64" : u"32");
      case V::kBootDrive: return BootDrive();
      case V::kCommonDir: return Folder(FolderSource::kCommonFiles, ProductView());
      case V::kCommonDir32: return Folder(FolderSource::kCommonFiles, FolderView::k32);
      case V::kCommonDir64: return Folder(FolderSource::kCommonFiles, FolderView::k64);
      case V::kDesktopAllDir: return Folder(FolderSource::kCommonDesktop);
      case V::kDesktopDir: return Folder(FolderSource::kDesktop);
      case V::kDesktopShortcuts: return DesktopShortcuts();
      case V::kDeviceDir: return Folder(FolderSource::kDevicePath);
      case V::kDocumentAllDir: return Folder(FolderSource::kCommonDocuments);
      case V::kDocumentDir: return Folder(FolderSource::kDocuments);
      case V::kFavoritesAllDir: return Folder(FolderSource::kCommonFavorites);
      case V::kFavoritesDir: return Folder(FolderSource::kFavorites);
      case V::kFontDir: return Folder(FolderSource::kFonts);
      case V::kInetpub: return Folder(FolderSource::kWebServerFolder);
      case V::kInstallDir: return install_.install_folder;
      case V::kInstallDrive: return DriveText(install_.install_folder);
      case V::kInstallerDir: return ParentFolder(installer_);
      case V::kInstallerDrive: return DriveText(installer_);
      case V::kInstallerFilename: return FileNameOf(installer_);
      case V::kInstallerFilepath: return installer_;
      case V::kMediaDir: return Folder(FolderSource::kMediaPath);
      case V::kOldVersion: return install_.old_version;
      case V::kOldVersionMajor: return VersionPart(install_.old_version, 0);
      case V::kOldVersionMinor: return VersionPart(install_.old_version, 1);
      case V::kProductName: return settings_.DisplayName;
      case V::kCompanyName: return settings_.Publisher;
      case V::kProgramsDir: return Folder(FolderSource::kProgramFiles, ProductView());
      case V::kProgramsDir32: return Folder(FolderSource::kProgramFiles, FolderView::k32);
      case V::kProgramsDir64: return Folder(FolderSource::kProgramFiles, FolderView::k64);
      case V::kSharedDir: return install_.shared_folder;
      case V::kSMProgramsAllDir: return Folder(FolderSource::kCommonPrograms);
      case V::kSMProgramsDir: return Folder(FolderSource::kPrograms);
      case V::kStartMenuAllDir: return Folder(FolderSource::kCommonStartMenu);
      case V::kStartMenuChosen: return Beneath(ShortcutFolder(FolderSource::kCommonPrograms, FolderSource::kPrograms),
                                               install_.start_menu);
      case V::kStartMenuDir: return Folder(FolderSource::kStartMenu);
      case V::kStartupAllDir: return Folder(FolderSource::kCommonStartup);
      case V::kStartupDir: return Folder(FolderSource::kStartup);
      case V::kSystemDir: return Folder(FolderSource::kSystem);
      case V::kTemp: return Folder(FolderSource::kTemp);
      case V::kUninstallDir: return install_.uninstall_folder;
      case V::kVersion: return settings_.DisplayVersion;
      case V::kWinDir: return Folder(FolderSource::kWindows);
      case V::kOS: return Decimal(static_cast<uint32_t>(OsFamilyOf(os_)));
      case V::kOSMajor: return Decimal(os_.version.major);
      case V::kOSMinor: return Decimal(os_.version.minor);
      case V::kOSName: return OSName(os_, kOsNameShort);
      case V::kCount: break;
    }
    return String();
  }

 private:
  String Folder(FolderSource source, FolderView view = FolderView::kDefault) const {
    return FolderPath(folders_, source, view);
  }

  // A 64-bit product's folders are the 64-bit ones; any other product's the 32-bit ones.
  FolderView ProductView() const { return settings_.Bitness == bitness::k64 ? FolderView::k64 : FolderView::k32; }

  // The all-users folder for all-users shortcuts, else the user's own.
  String ShortcutFolder(FolderSource all_users, FolderSource user) const {
    return Folder(settings_.ShortcutMode == 1 ? all_users : user);
  }

  static String Beneath(const String& folder, const String& subfolder) {
    return subfolder.empty() ? folder : JoinPath(folder, subfolder.w_str());
  }

  String BootDrive() const {
    String drive = Folder(FolderSource::kBootDrive);
    if (drive.wlength() != 1 || !IsAsciiLetter(drive.AtW(0))) return String();
    drive.AppendW(u':');
    return drive;
  }

  // Where the product's desktop shortcuts go: its own folder on the desktop
  // of the shortcut family; empty when the product has no desktop folder.
  String DesktopShortcuts() const {
    if (!install_.desktop_shortcuts.empty()) return install_.desktop_shortcuts;
    if (settings_.DesktopFolder.empty()) return String();
    return Beneath(ShortcutFolder(FolderSource::kCommonDesktop, FolderSource::kDesktop), settings_.DesktopFolder);
  }

  const ProductSettings& settings_;
  const ProductFolders& install_;
  const FolderSystem& folders_;
  const OsFacts& os_;
  const String& installer_;
};

// Replaces every occurrence of one name, going on after each inserted value
// so that a value holding the name is left as it is.
void ReplaceRow(String& text, const VariableRow& row, const Values& values) {
  const uint32_t flags = row.exact_case ? 0u : static_cast<uint32_t>(kSearchIgnoreCase);
  int32_t at = text.FindW(row.name, 0, flags);
  if (at < 0) return;
  const String value = values.Get(row.id);
  const int32_t name_units = TextLengthW(row.name);
  while (at >= 0) {
    if (!text.ReplaceW(at, name_units, value.w_str(), value.wlength())) return;
    at = text.FindW(row.name, at + value.wlength(), flags);
  }
}

// Makes a value safe inside a batch SET line: '%' doubled; outside quotes
// the characters the command interpreter would act on are escaped too.
String BatchValue(const String& value, bool quoted) {
  String out;
  for (int32_t i = 0; i < value.wlength(); ++i) {
    const char16_t c = value.AtW(i);
    if (c == u'%') {
      out.AppendW(u'%');
    } else if (!quoted && (c == u'&' || c == u'|' || c == u'<' || c == u'>' || c == u'^')) {
      out.AppendW(u'^');
    }
    out.AppendW(c);
  }
  return out;
}

constexpr Variable kQuotedExports[] = {
    V::kInstallDir,       V::kBits,           V::kUninstallDir,   V::kSharedDir,        V::kInstallerFilepath,
    V::kInstallerDir,     V::kInstallerFilename, V::kInstallerDrive, V::kSystemDir,    V::kDeviceDir,
    V::kMediaDir,         V::kFavoritesDir,   V::kFavoritesAllDir, V::kFontDir,         V::kDesktopDir,
    V::kDesktopAllDir,    V::kDesktopShortcuts, V::kDocumentDir,  V::kDocumentAllDir,   V::kProductName,
    V::kCompanyName,      V::kProgramsDir,    V::kProgramsDir32,  V::kProgramsDir64,    V::kStartMenuAllDir,
    V::kStartMenuChosen,  V::kStartMenuDir,   V::kSMProgramsDir,  V::kSMProgramsAllDir, V::kStartupDir,
    V::kStartupAllDir,    V::kCommonDir,      V::kCommonDir32,    V::kCommonDir64,      V::kInetpub,
    V::kAppDataDir,       V::kAppDataAllDir,
};

// Unquoted; the OS numbers are decimal text already.
constexpr Variable kPlainExports[] = {
    V::kInstallDrive, V::kBootDrive, V::kVersion, V::kOldVersion, V::kOldVersionMajor, V::kOldVersionMinor,
    V::kOS,           V::kOSMajor,   V::kOSMinor, V::kOSName,
};

// The name without its percent signs.
String BareName(Variable id) {
  const char16_t* name = kVariableTable[static_cast<int32_t>(id)].name;
  return String(name + 1, TextLengthW(name) - 2);
}

}  // namespace

const VariableRow kVariableTable[static_cast<int32_t>(Variable::kCount)] = {
    {V::kAppDataAllDir, u"%AppDataAllDir%", false},
    {V::kAppDataDir, u"%AppDataDir%", false},
    {V::kBits, u"%Bits%", false},
    {V::kBootDrive, u"%BootDrive%", false},
    {V::kCommonDir, u"%CommonDir%", false},
    {V::kCommonDir32, u"%CommonDir32%", false},
    {V::kCommonDir64, u"%CommonDir64%", false},
    {V::kDesktopAllDir, u"%DesktopAllDir%", false},
    {V::kDesktopDir, u"%DesktopDir%", false},
    {V::kDesktopShortcuts, u"%DesktopShortcuts%", false},
    {V::kDeviceDir, u"%DeviceDir%", false},
    {V::kDocumentAllDir, u"%DocumentAllDir%", false},
    {V::kDocumentDir, u"%DocumentDir%", false},
    {V::kFavoritesAllDir, u"%FavoritesAllDir%", false},
    {V::kFavoritesDir, u"%FavoritesDir%", false},
    {V::kFontDir, u"%FontDir%", false},
    {V::kInetpub, u"%Inetpub%", false},
    {V::kInstallDir, u"%InstallDir%", false},
    {V::kInstallDrive, u"%InstallDrive%", false},
    {V::kInstallerDir, u"%InstallerDir%", false},
    {V::kInstallerDrive, u"%InstallerDrive%", false},
    {V::kInstallerFilename, u"%InstallerFilename%", false},
    {V::kInstallerFilepath, u"%InstallerFilepath%", false},
    {V::kMediaDir, u"%MediaDir%", false},
    {V::kOldVersion, u"%OldVersion%", false},
    // These two have always been matched exactly.
    {V::kOldVersionMajor, u"%OldVersionMajor%", true},
    {V::kOldVersionMinor, u"%OldVersionMinor%", true},
    {V::kProductName, u"%ProductName%", false},
    {V::kCompanyName, u"%CompanyName%", false},
    {V::kProgramsDir, u"%ProgramsDir%", false},
    {V::kProgramsDir32, u"%ProgramsDir32%", false},
    {V::kProgramsDir64, u"%ProgramsDir64%", false},
    {V::kSharedDir, u"%SharedDir%", false},
    {V::kSMProgramsAllDir, u"%SMProgramsAllDir%", false},
    {V::kSMProgramsDir, u"%SMProgramsDir%", false},
    {V::kStartMenuAllDir, u"%StartMenuAllDir%", false},
    {V::kStartMenuChosen, u"%StartMenuChosen%", false},
    {V::kStartMenuDir, u"%StartMenuDir%", false},
    {V::kStartupAllDir, u"%StartupAllDir%", false},
    {V::kStartupDir, u"%StartupDir%", false},
    {V::kSystemDir, u"%SystemDir%", false},
    {V::kTemp, u"%Temp%", false},
    {V::kUninstallDir, u"%UninstallDir%", false},
    {V::kVersion, u"%Version%", false},
    {V::kWinDir, u"%WinDir%", false},
    {V::kOS, u"%OS%", false},
    {V::kOSMajor, u"%OSMajor%", false},
    {V::kOSMinor, u"%OSMinor%", false},
    {V::kOSName, u"%OSName%", false},
};

namespace {

const ProductFolders* g_folders = nullptr;
const ProductSettings* g_settings = nullptr;

}  // namespace

void SetVariableFolders(const ProductFolders* folders) { g_folders = folders; }

void SetVariableSettings(const ProductSettings* settings) { g_settings = settings; }

VariableSources CurrentVariableSources() {
  static const String installer_path = ProgramFilePath();
  static const ProductFolders none;
  VariableSources sources;
  sources.settings = g_settings ? g_settings : &NoRunProduct().settings;
  sources.install = g_folders ? g_folders : &none;
  sources.folders = &TheFolderSystem();
  sources.os = &TheOsFacts();
  sources.installer_path = installer_path;
  return sources;
}

String VariableValue(Variable id, const VariableSources& sources) { return Values(sources).Get(id); }

void ReplaceVariables(String& text, const VariableSources& sources) {
  if (text.FindW(u'%') < 0) return;
  const Values values(sources);
  for (const VariableRow& row : kVariableTable) ReplaceRow(text, row, values);
}

void ExpandVariables(String& text, const VariableSources& sources) {
  if (text.FindW(u'%') < 0) return;
  ReplaceVariables(text, sources);
  ExpandEnvironment(text);
}

void ExpandVariables(String& text) {
  if (text.FindW(u'%') < 0) return;
  ExpandVariables(text, CurrentVariableSources());
}

String ExpandedVariables(const String& text) {
  String expanded = text;
  ExpandVariables(expanded);
  return expanded;
}

String BatchVariableLines(const VariableSources& sources) {
  const Values values(sources);
  String lines;
  for (Variable id : kQuotedExports) {
    AppendFormatW(lines, u"SET \"%s=%s\"\r\n", BareName(id).w_str(), BatchValue(values.Get(id), true).w_str());
  }
  for (Variable id : kPlainExports) {
    AppendFormatW(lines, u"SET %s=%s\r\n", BareName(id).w_str(), BatchValue(values.Get(id), false).w_str());
  }
  return lines;
}

String BatchVariableLines() { return BatchVariableLines(CurrentVariableSources()); }
