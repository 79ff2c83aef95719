#include "core/system_folders.h"

#include "core/char_class.h"
#include "core/codepage.h"
#include "core/path_rules.h"
#include "core/search.h"

namespace {

constexpr char16_t kShellFoldersKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kSetupKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kWebServerKey[] = u"SOFTWARE\\Microsoft\\INetStp";
constexpr char16_t kBootKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

// Where a program folder is asked for, view by view: the 32-bit folder
// (special folder, known folder, environment), the 64-bit one (known folder,
// environment) and the default one (special folder, known folder, setup value).
struct ProgramFolderSteps {
  int32_t csidl_32;
  const char16_t* known_32;
  const char16_t* environment_32;
  const char16_t* known_64;
  const char16_t* environment_64;
  int32_t csidl_default;
  const char16_t* known_default;
  const char16_t* setup_value;
};

constexpr ProgramFolderSteps kProgramFilesSteps = {
    42, u"{7C5A40EF-A0FB-4BFC-874A-C0F2E0B9FA8E}", u"ProgramFiles(x86)",
    u"{6D809377-6AF0-444B-8957-A3773F02200E}", u"ProgramW6432",
    38, u"{905E63B6-C1BF-494E-B29C-65B732D3D21A}", u"ProgramFilesDir",
};

constexpr ProgramFolderSteps kCommonFilesSteps = {
    44, u"{DE974D24-D9C6-4D3E-BF91-F4455120B917}", u"CommonProgramFiles(x86)",
    u"{6365D5A7-0F0D-45E5-87F6-0DA56B6A4F7D}", u"CommonProgramW6432",
    43, u"{F7F1ED05-9F6D-47A2-AAAE-29D317C6F066}", u"CommonFilesDir",
};

// The sources that ask for a special folder, then a shell-folder value, then
// fall back. A fall-back is a fixed text, or another source with an
// optional name joined to it; CommonStartMenu and CommonPrograms first try
// "Common Startup" with `startup_cut` components removed.
struct ShellSource {
  FolderSource source;
  int32_t csidl;
  bool common;  // HKEY_LOCAL_MACHINE's shell folders, else the user's
  const char16_t* value;
  int32_t startup_cut;
  FolderSource base;
  const char16_t* name;   // joined to `base`; null: `base` alone
  const char16_t* fixed;  // instead of `base`
};

constexpr ShellSource kShellSources[] = {
    {FolderSource::kAppData, 26, false, u"AppData", 0, FolderSource::kCommonFiles, nullptr, nullptr},
    {FolderSource::kCommonAppData, 35, true, u"Common AppData", 0, FolderSource::kCommonFiles, nullptr, nullptr},
    {FolderSource::kDesktop, 16, false, u"Desktop", 0, FolderSource::kWindows, u"Desktop", nullptr},
    {FolderSource::kCommonDesktop, 25, true, u"Common Desktop", 0, FolderSource::kDesktop, nullptr, nullptr},
    {FolderSource::kDocuments, 5, false, u"Personal", 0, FolderSource::kWindows, nullptr, u"c:\\My Documents"},
    {FolderSource::kCommonDocuments, 46, true, u"Common Documents", 0, FolderSource::kDocuments, nullptr, nullptr},
    {FolderSource::kFavorites, 6, false, u"Favorites", 0, FolderSource::kWindows, u"Favorites", nullptr},
    {FolderSource::kCommonFavorites, 31, true, u"Common Favorites", 0, FolderSource::kFavorites, nullptr, nullptr},
    {FolderSource::kFonts, 20, false, u"Fonts", 0, FolderSource::kWindows, u"Fonts", nullptr},
    {FolderSource::kStartMenu, 11, false, u"Start Menu", 0, FolderSource::kWindows, u"Start Menu", nullptr},
    {FolderSource::kCommonStartMenu, 22, true, u"Common Start Menu", 2, FolderSource::kStartMenu, nullptr, nullptr},
    {FolderSource::kPrograms, 2, false, u"Programs", 0, FolderSource::kStartMenu, u"Programs", nullptr},
    {FolderSource::kCommonPrograms, 23, true, u"Common Programs", 1, FolderSource::kPrograms, nullptr, nullptr},
    {FolderSource::kStartup, 7, false, u"Startup", 0, FolderSource::kPrograms, u"StartUp", nullptr},
    {FolderSource::kCommonStartup, 24, true, u"Common Startup", 0, FolderSource::kStartup, nullptr, nullptr},
};

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The first non-empty answer of the steps, asked in order.
template <class... Steps>
String FirstOf(Steps&&... steps) {
  String answer;
  ((answer.empty() ? static_cast<void>(answer = steps()) : static_cast<void>(0)), ...);
  return answer;
}

String WithoutFirst(const String& text, const char16_t* part) {
  String out = text;
  const int32_t at = out.FindW(part);
  if (at >= 0) out.DeleteW(at, TextLengthW(part));
  return out;
}

class Sources {
 public:
  explicit Sources(const FolderSystem& system) : s_(system) {}

  String Path(FolderSource source, FolderView view) {
    switch (source) {
      case FolderSource::kWindows: return s_.windows_directory();
      case FolderSource::kSystem: return System();
      case FolderSource::kSystem32: return FirstOf([&] { return Special(41); }, [&] { return System(); });
      case FolderSource::kTemp: return s_.temp_folder();
      case FolderSource::kProgramFiles: return ProgramFiles(NormalizeView(view, s_.is_64bit_windows()));
      case FolderSource::kCommonFiles: return CommonFiles(NormalizeView(view, s_.is_64bit_windows()));
      case FolderSource::kProfile:
        return FirstOf([&] { return Special(40); },
                       [&] { return JoinPath(JoinPath(s_.windows_directory(), u"Profiles"), s_.user_name().w_str()); });
      case FolderSource::kDevicePath:
        return FirstOf([&] { return DevicePath(); }, [&] { return JoinPath(s_.windows_directory(), u"INF"); });
      case FolderSource::kMediaPath:
        return FirstOf([&] { return Setup(u"MediaPath"); }, [&] { return JoinPath(s_.windows_directory(), u"Media"); });
      case FolderSource::kWebRoot: return WebRoot();
      case FolderSource::kWebServerFolder: return WithoutLastComponents(WebRoot(), 1);
      case FolderSource::kBootDrive: return BootDrive();
      default: return Shell(source);
    }
  }

 private:
  String Special(int32_t csidl) { return s_.special_folder(csidl); }
  String Known(const char16_t* id) { return s_.known_folder(id); }
  String Environment(const char16_t* name) { return s_.environment(name); }
  String Registry(RegRoot root, const char16_t* key, const char16_t* value) {
    return RegistryFolderAnswer(s_.registry_text(root, key, value, true));
  }
  String ShellFolder(bool common, const char16_t* value) {
    return Registry(common ? RegRoot::kLocalMachine : RegRoot::kCurrentUser, kShellFoldersKey, value);
  }
  String Setup(const char16_t* value) { return Registry(RegRoot::kLocalMachine, kSetupKey, value); }

  String System() {
    return FirstOf([&] { return s_.system_directory(); },
                   [&] { return JoinPath(s_.windows_directory(), s_.is_nt() ? u"System32" : u"System"); });
  }

  // The steps of a program folder in each view; the default view's last
  // fall-back is left to the caller.
  String ProgramFolder(const ProgramFolderSteps& steps, FolderView view) {
    switch (view) {
      case FolderView::k32:
        return FirstOf([&] { return Special(steps.csidl_32); }, [&] { return Known(steps.known_32); },
                       [&] { return Environment(steps.environment_32); });
      case FolderView::k64:
        return FirstOf([&] { return Known(steps.known_64); }, [&] { return Environment(steps.environment_64); },
                       [&] { return WithoutFirst(ProgramFolder(steps, FolderView::k32), u" (x86)"); });
      default:
        return FirstOf([&] { return Special(steps.csidl_default); }, [&] { return Known(steps.known_default); },
                       [&] { return Setup(steps.setup_value); });
    }
  }

  String ProgramFiles(FolderView view) {
    const String path = ProgramFolder(kProgramFilesSteps, view);
    if (!path.empty() || view == FolderView::k32 || view == FolderView::k64) return path;
    return String(u"c:\\Program Files");
  }

  String CommonFiles(FolderView view) {
    const String path = ProgramFolder(kCommonFilesSteps, view);
    if (!path.empty() || view == FolderView::k32 || view == FolderView::k64) return path;
    return JoinPath(ProgramFiles(FolderView::kDefault), u"Common Files");
  }

  String Shell(FolderSource source) {
    for (const ShellSource& row : kShellSources) {
      if (row.source != source) continue;
      return FirstOf([&] { return Special(row.csidl); }, [&] { return ShellFolder(row.common, row.value); },
                     [&] {
                       if (row.startup_cut == 0) return String();
                       return WithoutLastComponents(ShellFolder(true, u"Common Startup"), row.startup_cut);
                     },
                     [&] { return Fallback(row); });
    }
    return String();
  }

  String Fallback(const ShellSource& row) {
    if (row.fixed) return String(row.fixed);
    const String base = Path(row.base, FolderView::kDefault);
    return row.name ? JoinPath(base, row.name) : base;
  }

  // The first folder of the list, with %SystemRoot% (any case) put in.
  String DevicePath() {
    String value(s_.registry_text(RegRoot::kLocalMachine, kSetupKey, u"DevicePath", true));
    const int32_t semicolon = value.FindW(u';');
    if (semicolon >= 0) value.TruncateAtW(semicolon);
    static constexpr char16_t kSystemRoot[] = u"%SystemRoot%";
    const int32_t name_units = TextLengthW(kSystemRoot);
    String root;
    for (int32_t at = value.FindW(kSystemRoot, 0, kSearchIgnoreCase); at >= 0;
         at = value.FindW(kSystemRoot, at + root.wlength(), kSearchIgnoreCase)) {
      if (root.empty()) root = FirstOf([&] { return Environment(u"SystemRoot"); }, [&] { return s_.windows_directory(); });
      value.ReplaceW(at, name_units, root.w_str(), root.wlength());
    }
    value.TrimW();
    return RegistryFolderAnswer(value);
  }

  String WebRoot() {
    return FirstOf(
        [&] {
          const String value = s_.registry_text(RegRoot::kLocalMachine, kWebServerKey, u"PathWWWRoot", false);
          return RegistryFolderAnswer(value.empty() ? value : s_.expand_environment(value));
        },
        [&] { return String(u"c:\\Inetpub\\wwwroot"); });
  }

  String BootDrive() {
    const String value = s_.registry_text(RegRoot::kLocalMachine, kBootKey, u"BootDir", false);
    char16_t letter = u'C';
    if (value.wlength() >= 2 && value.AtW(1) == u':' && IsAsciiLetter(value.AtW(0))) {
      letter = static_cast<char16_t>(AsciiToUpper(static_cast<char>(value.AtW(0))));
    }
    String drive;
    drive.AppendW(letter);
    return drive;
  }

  const FolderSystem& s_;
};

}  // namespace

FolderView NormalizeView(FolderView view, bool is_64bit_windows) {
  if (!is_64bit_windows) return FolderView::kDefault;
  if (view == FolderView::k64IfAny) return FolderView::k64;
  if (view == FolderView::k32) return FolderView::kDefault;
  return view;
}

String FolderPath(const FolderSystem& system, FolderSource source, FolderView view) {
  return Sources(system).Path(source, view);
}

String FolderPath(FolderSource source, FolderView view) { return FolderPath(TheFolderSystem(), source, view); }

String FolderPathA(FolderSource source, FolderView view) { return Utf16ToAnsi(FolderPath(source, view)); }

String RegistryFolderAnswer(const String& value) {
  const int32_t units = value.wlength();
  if (units > 3 && IsSeparator(value.AtW(units - 1))) return String(value.w_str(), units - 1);
  return value;
}
