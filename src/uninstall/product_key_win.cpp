// Finding the product: its Uninstall key, the flags and facts the installer
// left there, its data file, and the user's yes.
#include <windows.h>

#include "core/file_errors.h"
#include "core/file_ops.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "core/silent_mode.h"
#include "package/message_box.h"
#include "package/message_numbers.h"
#include "records/restart_queue.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_value_names.h"
#include "uninstall/support_offer.h"
#include "uninstall/uninstall_stages_win.h"

namespace uninstall {
namespace {

uint64_t ReadFlags(RegistryKey& key, const char16_t* name) { return FlagsFromText(ReadValue(key, name)); }

// What the %Variables% and the windows show.
void ReadProductFacts(Run& run) {
  run.product.settings.DisplayName = run.display_name;
  run.product.settings.DisplayVersion = run.result.version;
  run.variable_folders.install_folder = run.product_folder;
  run.variable_folders.uninstall_folder = run.uninstall_folder;
  run.variable_folders.shared_folder = ReadValue(run.key, uninstall_value::kSharedPath);
  ReadPaintingValues(run.key, run.uninstall_folder, run.product.settings);
  UseProductIcons(run.uninstall_folder);
}

}  // namespace

bool FindProduct(Run& run) {
  const String path = UninstallKeyPath(run.name);
  {
    RegistryKey probe;
    if (!probe.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, kRegWriteAccess,
                    RegView::kDefault)) {
      if (GetLastError() == ERROR_ACCESS_DENIED) {
        ShowErrorBox(String(u"Permission denied.  Please run the uninstaller with administrator rights."));
        run.result.outcome = UninstallOutcome::kFailed;
      } else {
        ShowErrorBox(FormatW(u"No product named '%s' is installed.", run.name.w_str()));
        run.result.outcome = UninstallOutcome::kNotInstalled;
      }
      return false;
    }
  }
  if (!run.key.Open(RegRoot::kLocalMachine, path.w_str(), kRegOpenOnly | kRegNoStack, KEY_READ | KEY_WRITE,
                    RegView::kDefault)) {
    ShowErrorBox(FormatW(u"Unable to access the uninstall information for:\r\n%s\r\n\r\n"
                           u"The uninstallation cannot be performed.",
                           run.name.w_str()));
    return false;
  }
  // The exit codes follow the product from here on, even if its values turn out unusable.
  ProductSettings& settings = run.product.settings;
  settings.ProductFlags2 = static_cast<uint32_t>(ReadFlags(run.key, uninstall_value::kProductFlags2));
  if (run.request->deployment_codes) *run.request->deployment_codes = settings.Flag2(product_flag2::kDeploymentExitCodes);
  run.display_name = ReadValue(run.key, uninstall_value::kDisplayName);
  if (run.display_name.empty()) run.display_name = run.name;
  run.product_folder = WithoutTrailingSeparators(ReadValue(run.key, uninstall_value::kInstallLocation));
  if (run.product_folder.empty()) {
    ShowErrorBox(FormatW(u"The uninstall information for %s is corrupt.\r\n\r\n"
                           u"The uninstallation cannot be performed.",
                           run.display_name.w_str()));
    return false;
  }
  settings.ProductFlags = ReadFlags(run.key, uninstall_value::kProductFlags);
  SetMessageBoxRules(MessageBoxRulesOf(run.product));
  if (settings.Flag(product_flag::kForceAutomaticUninstall)) run.automatic = true;
  SetAutomaticMode(run.automatic);
  // A restart the installer could not avoid is still owed.
  if (settings.Flag(product_flag::kRestartRequired)) run.journal.restart_needed = true;
  uint32_t bitness = 0;
  run.sixty_four_bit = run.key.ReadNumber(uninstall_value::kBitness, &bitness, 0) && bitness == 1;
  if (run.sixty_four_bit) run.view = RegView::k64;
  run.uninstall_subdir = ReadValue(run.key, uninstall_value::kUninstallSubdir);
  run.result.notify_url = ReadValue(run.key, uninstall_value::kNotifyUrl);
  run.result.version = ReadValue(run.key, uninstall_value::kDisplayVersion);
  run.uninstall_folder = run.uninstall_subdir.empty() ? run.product_folder
                                                      : JoinPath(run.product_folder, run.uninstall_subdir.w_str());
  ReadProductFacts(run);
  return true;
}

bool LoadData(Run& run) {
  const String path = UninstallDataPath(run.uninstall_folder);
  const int code = LoadUninstallData(path, run.lists, run.product);
  // The boxes speak the product's language from here on.
  SetMessageBoxRules(MessageBoxRulesOf(run.product));
  if (code == kFileOk) return true;
  ShowErrorBox(UninstallDataLoadMessage(run.display_name, path, code));
  return false;
}

bool Confirmed(Run& run) {
  const LanguageTable& languages = run.product.languages;
  if (!AskYesNo(MessageText(languages, message_number::kUninstallQuestion),
                MessageText(languages, message_number::kUninstallTitle), true)) {
    return false;
  }
  return run.automatic || !OfferSupport(languages, ReadValue(run.key, uninstall_value::kSupportOffer), run.display_name);
}

void ReadRemovalValues(Run& run) {
  run.shared_path = ReadValue(run.key, uninstall_value::kSharedPath);
  run.start_menu = ReadValue(run.key, uninstall_value::kProductStartMenu);
  run.desktop_folder = ReadValue(run.key, uninstall_value::kDesktopFolder);
  uint32_t shortcut_mode = 0;
  run.all_users = run.key.ReadNumber(uninstall_value::kShortcutMode, &shortcut_mode, 0) && shortcut_mode == 1;
}

}  // namespace uninstall
