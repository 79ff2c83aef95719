#include <windows.h>

#include "core/file_ops.h"
#include "core/full_path.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "package/variables.h"
#include "records/uninstall_entry.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_folder.h"
#include "setup/install_rules.h"
#include "setup/install_state.h"
#include "setup/refusals.h"
#include "setup/run_state.h"
#include "wizard/pages_win.h"

namespace {

// A relative default folder lies under Program Files.
String AbsoluteDefaultFolder(String folder) {
  if (IsAbsolutePathW(folder.w_str())) return folder;
  // A 64-bit product belongs in the 64-bit Program Files.
  String base = FolderPath(FolderSource::kProgramFiles, Settings().Bitness == 1 ? FolderView::k64 : FolderView::kDefault);
  if (!base.EndsWithW(u"\\")) base.AppendW(u'\\');
  base.AppendW(folder.w_str(), folder.wlength());
  return base;
}


void FolderFromRegistry(bool local_machine, const String& value_path, const String& shown_path) {
  String path(local_machine ? u"HKLM\\" : u"HKCU\\");
  path.AppendW(value_path.w_str(), value_path.wlength());
  const String folder = ReadRegistryValueText(path);
  if (folder.empty()) {
    RefuseWithText(FillMessage(String(u"Failed to obtain installation path from \"%s\""), {shown_path}));
  }
  const String expanded = ExpandFolderText(folder);
  if (!FolderExists(expanded.w_str())) {
    RefuseWithText(FillMessage(String(u"Installation path \"%s\" obtained from \"%s\" does not exist."),
                               {expanded, shown_path}));
  }
  TheInstall().install_folder = expanded;
}

void InstallOverEarlierInstallation() {
  const ProductSettings& settings = Settings();
  InstallState& state = TheInstall();
  RegistryKey key;
  String no_downgrade_below;
  if (key.Open(RegRoot::kLocalMachine, UninstallKeyPath(settings.UninstallKeyName).w_str(),
               kRegOpenOnly | kRegNoStack, kRegReadAccess, RegView::kDefault)) {
    key.ReadText(u"NoDowngradeBelow", &no_downgrade_below, 0);
  }
  if (RefusedByNoDowngrade(no_downgrade_below, settings.DisplayVersion)) {
    if (!TheRun().args.automatic) ShowErrorBox(FillMessage(Message(message_number::kNoDowngrade), {no_downgrade_below}));
    CommonExit(1);
  }
  SetInstallType(state, DetermineInstallType(settings.Flag(product_flag::kCheckInstalledVersion), state.old_version,
                                             settings.DisplayVersion));
  if (!settings.Flag(product_flag::kNoInstallOverConfirm)) {
    const String question = InstallOverQuestion(Message(static_cast<int>(state.install_type)),
                                                state.existing_location, Message(message_number::kInstallOverFolder));
    if (!AskYesNo(question, Message(message_number::kInstallOverTitle), true)) CancelExit();
  }
  state.install_folder = state.existing_location;
}

void NewInstallationFolder() {
  const ProductSettings& settings = Settings();
  InstallState& state = TheInstall();
  const CommandLine& args = TheRun().args;
  if (!args.install_folder_full.empty()) {
    state.install_folder = args.install_folder_full;
  } else if (state.install_folder.empty()) {
    state.install_folder = AbsoluteDefaultFolder(ExpandFolderText(settings.DefaultInstallDir));
  }
  if (args.automatic) {
    // A folder that cannot be made ends the run before anything is installed
    // or registered (a product registered without its files cannot be removed).
    if (!FolderExists(state.install_folder.w_str())) {
      if (!CreateFolder(state.install_folder.w_str())) {
        const String reason = LastErrorTextW();
        RefuseWithText(FillMessage(Message(message_number::kFolderFailed), {state.install_folder, reason}));
      }
      state.install_folder_created = true;
    }
    return;
  }
  if (!settings.Flag(product_flag::kFolderPage)) return;
  FolderPageInputs inputs;
  inputs.required_space = state.required_space < 0 ? 0 : state.required_space;
  inputs.start_menu_follows = settings.Flag(product_flag::kStartMenuPage);
  if (ShowFolderPage(nullptr, inputs, state.install_folder) == PageResult::kCancel) CancelExit();
}

}  // namespace

String ExpandFolderText(const String& text) {
  String expanded = text;
  ExpandVariables(expanded);
  return expanded;
}

void ChooseInstallFolder() {
  const ProductSettings& settings = Settings();
  InstallState& state = TheInstall();
  bool local_machine = false;
  String value_path;
  if (RegistryFolderSource(settings.DefaultInstallDir, &local_machine, &value_path)) {
    FolderFromRegistry(local_machine, value_path, settings.DefaultInstallDir);
  } else if (settings.Flag(product_flag::kDetectInstallation) && state.existing) {
    InstallOverEarlierInstallation();
  } else {
    NewInstallationFolder();
  }
  state.install_folder_full = FullPathName(state.install_folder);
}
