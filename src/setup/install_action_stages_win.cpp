// The install sequence's stages that run install actions: closing programs,
// the restore point, folder rights, and after the files the component
// registration, shortcuts, registry work, firewall and PATH. Each stage reads
// the install state and the settings and hands the action its inputs; the
// actions log, record for uninstall and report failures themselves.
#include <windows.h>

#include "actions/action_guard.h"
#include "actions/associations.h"
#include "actions/components.h"
#include "actions/firewall.h"
#include "actions/folder_rights.h"
#include "actions/install_hooks.h"
#include "actions/install_lists.h"
#include "actions/program_closing.h"
#include "actions/registry_work.h"
#include "actions/restore_point.h"
#include "actions/shortcuts.h"
#include "actions/system_path.h"
#include "actions/uninstall_registration.h"
#include "core/close_applications_win.h"
#include "core/file_ops.h"
#include "core/message_pump_win.h"
#include "core/path_rules.h"
#include "package/action_settings.h"
#include "package/extras.h"
#include "package/locator_win.h"
#include "package/languages.h"
#include "package/message_numbers.h"
#include "records/install_log.h"
#include "setup/install_phases.h"
#include "setup/wizard_owner_win.h"
#include "setup/install_state.h"
#include "setup/refusals.h"
#include "setup/run_state.h"

namespace {

constexpr DWORD kAfterClosingPumpMs = 333;
constexpr int kPumpRound = 100;
constexpr int32_t kFirewallProgress = 98;

ActionSettings ActionSettingsOf(const ProductSettings& settings) {
  ActionSettings values;
  // The builder refuses a value that does not read; what reads is used.
  ReadActionSettings(settings.InstallActionSettings, &values);
  return values;
}

bool Removable(const ProductSettings& settings, int flag2) { return TheInstall().portable && settings.Flag2(flag2); }

RegView ProductView(const ProductSettings& settings) {
  return settings.Bitness == bitness::k64 ? RegView::k64 : RegView::kDefault;
}

// Lets the windows of the programs told to close handle their messages.
void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (DWORD elapsed = 0; elapsed < milliseconds; elapsed = GetTickCount() - start) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    PumpPendingMessages(kPumpRound);
  }
}

void GrantRights(Journal& journal, const String& folder, bool created_by_this_run) {
  FolderRightsInputs inputs;
  inputs.folder = folder;
  inputs.created_by_this_run = created_by_this_run;
  inputs.journal = &journal;
  GrantFolderRights(inputs);
}

void InstallMsiHook(const MsiRequest& request, const Progress& progress, const LanguageTable& languages, Journal& journal) {
  InstallMsiPackage(request, ComponentProgressOf(languages, progress, journal), WizardOwner());
}

void ControlPanelHook(const ControlPanelRequest& request, const Progress& progress, const LanguageTable& languages,
                      Journal& journal) {
  RegisterControlPanelApplet(request, ComponentProgressOf(languages, progress, journal));
}

// The uninstaller's shortcuts (showing `uninstaller_icon` when not empty)
// and the log shortcut, after the file entries' own requests.
void AddProductShortcuts(const RunProduct& product, const String& uninstall_folder, const String& uninstaller_icon,
                         Vector<ShortcutRequest>* requests) {
  const ProductSettings& settings = product.settings;
  if (TheInstall().uninstall_supported) {
    ShortcutRequest uninstaller;
    uninstaller.target = JoinPath(uninstall_folder, kDefaultUninstallerName);
    uninstaller.arguments = String(u"/u:\"");
    uninstaller.arguments.Append(settings.UninstallKeyName);
    uninstaller.arguments.AppendW(u"\"");
    uninstaller.name = MessageText(product.languages, message_number::kUninstallShortcutName);
    uninstaller.icon = uninstaller_icon;
    uninstaller.quiet_failure = true;
    uninstaller.start_menu = settings.Flag(product_flag::kUninstallStartMenuShortcut);
    uninstaller.desktop = settings.Flag(product_flag::kUninstallDesktopShortcut);
    if (settings.Flag(product_flag::kUninstallOwnFolderShortcut)) uninstaller.own_folder = uninstall_folder;
    if (uninstaller.start_menu || uninstaller.desktop || !uninstaller.own_folder.empty()) requests->Add(uninstaller);
  }
  if (settings.Flag(product_flag::kLogShortcut)) {
    ShortcutRequest log;
    log.start_menu = true;
    log.target = InstallLogPath(uninstall_folder);
    log.name = MessageText(product.languages, message_number::kLogShortcutName);
    requests->Add(log);
  }
}

void MakeShortcuts(InstallRun& run, const ActionSettings& values) {
  const ProductSettings& settings = run.product.settings;
  const InstallState& state = TheInstall();
  Vector<ShortcutRequest> requests = run.lists.shortcuts;
  String uninstaller_icon;
  if (state.uninstall_supported) {
    uninstaller_icon = InstallUninstallerIcon(run.journal, state.uninstall_folder, PackageUninstallerIcon(run.package->header));
  }
  AddProductShortcuts(run.product, state.uninstall_folder, uninstaller_icon, &requests);
  ShortcutStepInputs inputs;
  inputs.requests = &requests;
  inputs.install_folder = state.InstallFolder();
  inputs.uninstall_folder = state.uninstall_folder;
  inputs.start_menu_folder = state.start_menu;
  inputs.desktop_folder = settings.DesktopFolder;
  inputs.desktop_folder_icon = values.desktop_folder_icon;
  inputs.all_users = settings.ShortcutMode == 1;
  inputs.detailed_log = settings.Flag(product_flag::kDetailedLog);
  inputs.hide_file_names = settings.Flag(product_flag::kHideFileNames);
  inputs.progress = run.progress;
  inputs.languages = &run.product.languages;
  inputs.journal = &run.journal;
  CreateShortcuts(inputs);
}

}  // namespace

void CloseProgramsStage(InstallRun& run) {
  const Vector<CloseRule>& rules = run.product.settings.ProgramsToClose;
  if (rules.IsEmpty()) return;
  CloseQuestion question;
  question.text = MessageText(run.product.languages, message_number::kCloseProgramQuestion);
  question.caption = MessageText(run.product.languages, message_number::kGreetingTitle);
  if (CloseApplications(WindowRulesOf(rules), kCloseEveryPhase, question) == CloseOutcome::kCancelled) CancelExit();
  PumpFor(kAfterClosingPumpMs);
  // The closed programs' windows may have taken the front.
  if (HWND background = WizardOwner()) SetForegroundWindow(background);
}

void StartMenuPlaceholdersStage(InstallRun& run) {
  InstallState& state = TheInstall();
  if (state.existing) return;
  state.start_menu = ReplacePlaceholders(state.start_menu, run.product.languages);
}

void RestorePointStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  if (!settings.Flag2(product_flag2::kRestorePoint)) return;
  ReportProgress(run.progress, 1, MessageText(run.product.languages, message_number::kCreatingRestorePoint));
  RestorePointInputs inputs;
  inputs.product_name = settings.DisplayName;
  inputs.version = settings.DisplayVersion;
  // Nothing to commit at the end for a point that was not begun (the
  // restore point's record says so).
  run.restore_point = BeginRestorePoint(run.journal, inputs);
  ReportProgress(run.progress, 1, MessageText(run.product.languages, message_number::kPreparing));
}

void RestorePointCommitStage(InstallRun& run) {
  if (run.product.settings.Flag2(product_flag2::kRestorePoint) && run.restore_point.begun) {
    CommitRestorePoint(run.journal, run.restore_point);
  }
}

void InstallFolderRightsStage(InstallRun& run) {
  const InstallState& state = TheInstall();
  if (run.product.settings.Flag(product_flag::kGrantFolderRights)) GrantRights(run.journal, state.InstallFolder(), state.install_folder_created);
}

void SharedFolderRightsStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  const String& shared = TheInstall().shared_folder;
  if (shared.empty() || !settings.Flag(product_flag::kGrantFolderRights) ||
      !settings.Flag(product_flag::kGrantSharedRights)) {
    return;
  }
  // The shared folder usually lies in a system folder that other products
  // share: its existing restrictions always stay.
  GrantRights(run.journal, shared, false);
}

void ComponentHooksStage(InstallRun& run) {
  InstallHooks& hooks = run.hooks;
  hooks.install_msi = InstallMsiHook;
  hooks.register_control_panel = ControlPanelHook;
}

void ComponentRegistrationStage(InstallRun& run) {
  const InstallLists& lists = run.lists;
  const ComponentProgress progress = ComponentProgressOf(run.product.languages, run.progress, run.journal);
  RegisterComServers(lists.com_servers, progress);
  RegisterTypeLibraries(lists.type_libraries, progress);
  // A registered server or library may have opened a window of its own.
  if (!lists.com_servers.IsEmpty() || !lists.type_libraries.IsEmpty()) {
    if (HWND background = WizardOwner()) SetForegroundWindow(background);
  }
  InstallInfDrivers(lists.inf_files, progress);
}

void ShortcutsStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  const InstallState& state = TheInstall();
  const ActionSettings values = ActionSettingsOf(settings);
  if (!Removable(settings, product_flag2::kPortableNoStartMenuPage)) MakeShortcuts(run, values);
  if (state.portable) {
    RootShortcutInputs root;
    root.command = values.root_shortcut_command;
    root.name = values.root_shortcut_name;
    root.install_folder = state.InstallFolder();
    root.detailed_log = settings.Flag(product_flag::kDetailedLog);
    root.languages = &run.product.languages;
    root.journal = &run.journal;
    CreateRootShortcut(root);
  }
  TaskbarPinInputs pin;
  if (!state.portable) pin.command = values.pin_command;
  pin.name = values.pin_name;
  pin.product_name = settings.DisplayName;
  pin.progress = run.progress;
  pin.languages = &run.product.languages;
  pin.journal = &run.journal;
  PinToTaskbar(pin);
}

void RegistryStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  if (Removable(settings, product_flag2::kNoRegistryOnRemovable)) return;
  RegistryWorkInputs inputs;
  inputs.product_registry = settings.ProductRegistry;
  inputs.entries = settings.RegistryEntries;
  inputs.merge_file = settings.RegistryMerge;
  for (const AssociationRecord& record : settings.Associations) {
    if (record.enabled) inputs.associations.Add(AssociationFromRecord(record));
  }
  inputs.product_name = settings.DisplayName;
  const LanguageTable& languages = run.product.languages;
  if (languages.current >= 0 && languages.current < languages.names.Count()) {
    inputs.language = languages.names[languages.current];
  }
  inputs.install_folder = TheInstall().InstallFolder();
  inputs.view = ProductView(settings);
  inputs.associations_allowed = !Removable(settings, product_flag2::kNoAssociationsOnRemovable);
  inputs.journal = &run.journal;
  ApplyRegistryWork(inputs);
}

void FirewallStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  if (!settings.Reserved14.empty() && !Removable(settings, product_flag2::kNoFirewallOnRemovable)) {
    ApplyFirewallList(run.journal, settings.Reserved14, TheInstall().InstallFolder(), settings.DisplayName);
  }
  ReportProgress(run.progress, kFirewallProgress, MessageText(run.product.languages, message_number::kAfterFirewall));
}

void PathStage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  if (!settings.Flag(product_flag::kAddToPath)) return;
  AddInstallFolderToPath(run.journal, TheInstall().InstallFolder(), ActionSettingsOf(settings).path_subfolder);
}

String PathSubfolderSetting(const ProductSettings& settings) { return ActionSettingsOf(settings).path_subfolder; }
