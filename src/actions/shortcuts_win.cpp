#include <windows.h>
#include <shellapi.h>

#include "actions/action_guard.h"
#include "actions/install_hooks.h"
#include "actions/shortcut.h"
#include "actions/shortcut_rules.h"
#include "actions/shortcuts.h"
#include "core/file_ops.h"
#include "core/os_facts.h"
#include "core/path_rules.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "core/temp_files.h"
#include "core/whole_file.h"
#include "core/wide_win.h"
#include "package/message_numbers.h"
#include "package/message_format.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/uninstall_records.h"

namespace {

constexpr int32_t kShortcutProgress = 95;
constexpr int32_t kProgressAfterShortcuts = 97;

bool IsFolder(const String& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

String Absolute(const String& path, const String& base) {
  if (path.empty() || IsAbsolutePathW(path.w_str())) return path;
  return JoinPath(base, path.w_str());
}

String Text(const LanguageTable* languages, int32_t n) { return languages ? MessageText(*languages, n) : String(); }

void ReportShortcutFailure(Journal& journal, const LanguageTable* languages, const String& lnk) {
  const String reason = LastErrorTextW();
  const String head = Text(languages, message_number::kWriteFailed);
  AddFailureFormatW(journal, u"%s %s\r\n%s\r\n\r\n", head.w_str(), lnk.w_str(), reason.w_str());
}

class ShortcutMaker {
 public:
  explicit ShortcutMaker(const ShortcutStepInputs& inputs) : in_(inputs) {}
  void Make(const ShortcutRequest& request);

 private:
  ShortcutLink Prepare(const ShortcutRequest& request, String* name) const;
  bool MakeOne(const ShortcutRequest& request, ShortcutLink link, const String& folder, const String& name,
               const char16_t* log_format);
  bool PrepareDesktopFolder(const String& folder);
  FolderSource Source(FolderSource common, FolderSource user) const { return in_.all_users ? common : user; }

  const ShortcutStepInputs& in_;
  bool desktop_folder_made_ = false;
};

ShortcutLink ShortcutMaker::Prepare(const ShortcutRequest& request, String* name) const {
  ShortcutLink link;
  link.target = request.target;
  link.arguments = request.arguments;
  ExpandVariables(link.arguments);
  TakeTargetFromArguments(&link.arguments, &link.target);
  link.icon = Absolute(request.icon, in_.uninstall_folder);
  link.working_folder = request.working_folder;
  ExpandVariables(link.working_folder);
  if (link.working_folder.empty() || !IsFolder(link.working_folder)) link.working_folder = in_.install_folder;
  if (link.target.FindW(u':') < 0) link.target = JoinPath(in_.install_folder, link.target.w_str());
  *name = request.name;
  if (name->empty()) *name = FillMessage(Text(in_.languages, message_number::kShortcutDefaultName), {LastPathComponent(link.target)});
  return link;
}

// Makes folder\name.lnk, logs it, records it (and a subfolder the name
// holds) unless permanent, or reports the failure.
bool ShortcutMaker::MakeOne(const ShortcutRequest& request, ShortcutLink link, const String& folder,
                            const String& name, const char16_t* log_format) {
  Journal& journal = *in_.journal;
  // The name with ".lnk" added, as it is logged and recorded.
  link.lnk = JoinPath(folder, name.w_str());
  link.lnk.AppendW(u".lnk");
  if (!in_.hide_file_names) ReportProgress(in_.progress, kShortcutProgress, link.lnk);
  if (!CreateShortcut(link)) {
    if (!request.quiet_failure) ReportShortcutFailure(journal, in_.languages, link.lnk);
    return false;
  }
  if (in_.detailed_log) LogFormatW(journal, log_format, name.w_str(), link.lnk.w_str());
  if (!request.permanent) {
    AddUninstallRecordW(journal.records, link.lnk, kRecordFile);
    if (name.FindW(u'\\') >= 0) AddUninstallRecordW(journal.records, WithoutLastComponents(link.lnk, 1), kRecordFolder);
  }
  return true;
}

// The product's folder on the desktop, made on the first desktop request:
// its Desktop.ini names the folder's icon.
bool ShortcutMaker::PrepareDesktopFolder(const String& folder) {
  Journal& journal = *in_.journal;
  if (desktop_folder_made_) return true;
  desktop_folder_made_ = true;
  if (!CreateFolder(folder.w_str())) {
    const String reason = LastErrorTextW();
    AddFailureFormatW(journal, u"Failed to create directory %s: %s\r\n\r\n", folder.w_str(), reason.w_str());
    return false;
  }
  const String ini = JoinPath(folder, u"Desktop.ini");
  AddUninstallRecordW(journal.records, ini, kRecordFile);
  AddUninstallRecordW(journal.records, folder, kRecordFolder);
  if (!in_.desktop_folder_icon.empty()) {
    const String icon = JoinPath(in_.uninstall_folder, u"Desktop Icon.ico");
    if (WriteWholeFile(icon.w_str(), in_.desktop_folder_icon.c_str(), in_.desktop_folder_icon.length()) != 0) {
      AddFailureFormatW(journal, u"Failed to create Desktop shortcut folder icon \"%s\"\r\n", icon.w_str());
    } else {
      WritePrivateProfileStringW(L".ShellClassInfo", L"IconFile", Wide(icon), Wide(ini));
      WritePrivateProfileStringW(L".ShellClassInfo", L"IconIndex", L"0", Wide(ini));
      AddUninstallRecordW(journal.records, icon, kRecordFile);
    }
  }
  SetFileAttributesW(Wide(folder), GetFileAttributesW(Wide(folder)) | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(Wide(ini), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  return true;
}

void ShortcutMaker::Make(const ShortcutRequest& request) {
  Journal& journal = *in_.journal;
  String name;
  const ShortcutLink link = Prepare(request, &name);
  if (request.desktop) {
    const String desktop = FolderPath(Source(FolderSource::kCommonDesktop, FolderSource::kDesktop));
    if (!in_.desktop_folder.empty()) {
      const String folder = Absolute(in_.desktop_folder, desktop);
      PrepareDesktopFolder(folder);
      MakeOne(request, link, folder, name, u"Desktop Folder Shortcut(%s) >>> %s\r\n");
    } else {
      MakeOne(request, link, desktop, name, u"Desktop Shortcut(%s) >>> %s\r\n");
    }
  }
  if (request.start_menu) {
    const String programs = FolderPath(Source(FolderSource::kCommonPrograms, FolderSource::kPrograms));
    MakeOne(request, link, JoinPath(programs, in_.start_menu_folder.w_str()), name,
            u"Start Menu Shortcut(%s) >>> %s\r\n");
  }
  if (request.startup) {
    const String startup = FolderPath(Source(FolderSource::kCommonStartup, FolderSource::kStartup));
    MakeOne(request, link, startup, name, u"Startup Shortcut(%s) >>> %s\r\n");
  }
  if (!request.own_folder.empty()) {
    String folder = request.own_folder;
    ExpandVariables(folder);
    if (MakeOne(request, link, folder, name, u"Shortcut(%s) >>> %s\r\n") && !request.permanent) {
      AddUninstallRecordW(journal.records, folder, kRecordFolder);
    }
  }
}

bool IsPinningSystem() {
  const OsVersion& v = TheOsFacts().version;
  if (v.platform != os_value::kPlatformNT) return false;
  return (v.major == 6 && v.minor >= 1) || (v.major > 6 && v.major < 10);
}

String UserPinnedFolder() {
  return JoinPath(FolderPath(FolderSource::kAppData), u"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar");
}

bool InvokePinVerb(const String& lnk) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"taskbarpin";
  info.lpFile = Wide(lnk);
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

void Pin(const TaskbarPinInputs& inputs) {
  Journal& journal = *inputs.journal;
  ReportProgress(inputs.progress, kShortcutProgress, String(u"Pin to taskbar"));
  String command = inputs.command;
  ExpandVariables(command);
  ShortcutLink link;
  SplitCommand(command, &link.target, &link.arguments);
  String name = inputs.name;
  ExpandVariables(name);
  if (name.empty()) name = inputs.product_name;
  link.lnk = LinkFileName(JoinPath(FolderPath(FolderSource::kTemp), name.w_str()));
  if (!CreateShortcut(link)) return ReportShortcutFailure(journal, inputs.languages, link.lnk);
  const bool pinned = InvokePinVerb(link.lnk);
  const String reason = pinned ? String() : LastErrorTextW();
  LogFormatW(journal, u"Pin to taskbar(%s): %s\r\n", link.target.w_str(), pinned ? u"OK" : u"FAIL");
  if (!pinned) LogFormatW(journal, u"%s\r\n", reason.w_str());
  DeleteFileW(Wide(link.lnk));
  String pinned_name = name;
  pinned_name.AppendW(u".lnk");
  AddUninstallRecordW(journal.records, JoinPath(UserPinnedFolder(), pinned_name.w_str()), kRecordFile);
}

}  // namespace

void CreateShortcuts(const ShortcutStepInputs& inputs) {
  Journal& journal = *inputs.journal;
  if (inputs.requests == nullptr || inputs.requests->Count() == 0) return;
  if (inputs.detailed_log) LogText(journal, "\r\n");
  ShortcutMaker maker(inputs);
  for (int32_t i = 0; i < inputs.requests->Count(); ++i) maker.Make((*inputs.requests)[i]);
}

void CreateRootShortcut(const RootShortcutInputs& inputs) {
  Journal& journal = *inputs.journal;
  if (inputs.command.empty() || inputs.install_folder.wlength() < 2) return;
  auto work = [&inputs, &journal]() {
    String command = inputs.command;
    String name = inputs.name;
    ExpandVariables(command);
    ExpandVariables(name);
    ShortcutLink link;
    SplitCommand(command, &link.target, &link.arguments);
    link.working_folder = inputs.install_folder;
    const char16_t root[] = {inputs.install_folder.w_str()[0], u':', u'\\', 0};
    link.lnk = String(root);
    link.lnk.Append(name);
    link.lnk.AppendW(u".lnk");
    if (!CreateShortcut(link)) return ReportShortcutFailure(journal, inputs.languages, link.lnk);
    if (inputs.detailed_log) LogFormatW(journal, u"Root Shortcut(%s) >>> %s\r\n", name.w_str(), link.lnk.w_str());
    AddUninstallRecordW(journal.records, link.lnk, kRecordFile);
  };
  if (!RunActionGuarded(work)) AddFailure(journal, "Crash while installing root shortcut.\r\n");
}

void PinToTaskbar(const TaskbarPinInputs& inputs) {
  Journal& journal = *inputs.journal;
  if (!inputs.command.empty() && IsPinningSystem()) {
    auto work = [&inputs]() { Pin(inputs); };
    if (!RunActionGuarded(work)) AddFailure(journal, "Crash while pinning to taskbar.\r\n");
  }
  ReportProgress(inputs.progress, kProgressAfterShortcuts, Text(inputs.languages, message_number::kAfterShortcuts));
}

String InstallUninstallerIcon(Journal& journal, const String& uninstall_folder, const String& icon) {
  if (icon.empty()) return String();
  const String path = JoinPath(uninstall_folder, u"uninstall.ico");
  if (WriteWholeFile(path.w_str(), icon.c_str(), icon.length()) == 0) {
    AddUninstallRecordW(journal.records, path, kRecordFile);
  } else {
    const String reason = LastErrorTextW();
    LogFormatW(journal, u"Failed to install uninstaller icon to %s\r\n%s\r\n", path.w_str(), reason.w_str());
  }
  return path;
}
