#include <windows.h>

#include "core/format.h"
#include "net/notify_worker.h"
#include "package/locator_win.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "package/variables.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_folder.h"
#include "setup/install_phases.h"
#include "setup/install_rules.h"
#include "setup/install_sequence.h"
#include "setup/install_state.h"
#include "setup/notifications_win.h"
#include "setup/refusals.h"
#include "setup/run_state.h"
#include "setup/wizard_owner_win.h"
#include "wizard/greeting_sound_win.h"
#include "wizard/pages_win.h"

namespace {

bool Automatic() { return TheRun().args.automatic; }

void Notify(const String& address) { PostNotification(NotificationAddress(address, Settings().DisplayVersion)); }

void LaunchNotification(InstallRun&) {
  PrepareNotifications();  // the firewall entry and the worker's stop at exit
  Notify(Settings().LaunchNotifyURL);
}

void StartNotification(InstallRun&) { Notify(Settings().StartNotifyURL); }

void CompletionNotification(InstallRun&) { Notify(CompletionAddress(Settings(), TheInstall())); }

void BackgroundWindow(InstallRun&) { CreateWizardBackground(); }

void LanguagePage(InstallRun&) {
  if (Languages().LanguageCount() <= 1 || Automatic()) return;
  if (ShowLanguagePage(WizardOwner()) == PageResult::kCancel) CommonExit(1);
}

void Caption(InstallRun&) { RefreshWizardBackground(); }

void Checks(InstallRun&) {
  CheckBitness();
  CheckExcludedSystems();
  CheckRequiredProduct();
  TakeSingleInstance();
  DetectEarlierInstallation();
}

void GreetingSound(InstallRun&) {
  if (!Automatic()) PlayGreetingSound(Settings().GreetingSound);
}

void LinkNotification() { Notify(Settings().LinkNotifyURL); }

void GreetingPage(InstallRun&) {
  if (Automatic() || Settings().Flag(product_flag::kNoGreetingPage)) return;
  if (ShowGreetingPage(WizardOwner(), LinkNotification) == PageResult::kCancel) CommonExit(1);
}

void PasswordPage(InstallRun&) {
  const String& password = Settings().InstallPassword;
  if (password.empty()) return;
  // Nobody can type it in a silent run: a page there would wait for ever, so
  // the run ends at once, with no window, as a cancelled one does.
  if (TheRun().args.silent) CommonExit(1);
  if (ShowPasswordPage(WizardOwner(), password) == PageResult::kCancel) CancelExit();
}

// The first page's text is message `first_message` when it has one.
void TextPages(TextPageKind kind, int first_message, const Array<String>& texts) {
  if (Automatic()) return;
  Array<String> pages;
  const String first = Message(first_message);
  if (!first.empty()) pages.Add(first);
  for (const String& text : texts) pages.Add(text);
  for (const String& text : pages) {
    if (ShowTextPage(WizardOwner(), kind, text) == PageResult::kCancel) CancelExit();
  }
}

void LicencePages(InstallRun&) {
  TextPages(TextPageKind::kLicence, message_number::kLicenceFirstPage, Settings().LicenseTexts);
}

void ReadmePages(InstallRun&) {
  TextPages(TextPageKind::kReadme, message_number::kReadmeFirstPage, Settings().ReadmeTexts);
}

void InstallFolder(InstallRun&) {
  ChooseInstallFolder();
  InstallState& state = TheInstall();
  state.portable = IsPortableFolder(state.install_folder_full);
}

void StartMenuPage(InstallRun&) {
  ProductSettings& settings = Settings();
  const InstallState& state = TheInstall();
  if (state.existing) {
    if (!state.old_start_menu.empty()) settings.ProductStartMenu = state.old_start_menu;
    return;
  }
  const bool page_wanted = settings.Flag(product_flag::kStartMenuPage) &&
                           (!state.portable || !settings.Flag2(product_flag2::kPortableNoStartMenuPage));
  if (Automatic() || !page_wanted) return;
  if (ShowStartMenuPage(WizardOwner(), settings.ProductStartMenu) == PageResult::kCancel) CancelExit();
}

// One stage of the installation.
struct Stage {
  const char* name;  // for the reader; the stages are what Install.log's reader would expect, in order
  void (*run)(InstallRun& run);
};

// The installation, in order. The progress each stage moves the bar through
// is noted beside it (install_phases.h); stages still to be built are listed
// where they belong.
constexpr Stage kStages[] = {
    {"background window", BackgroundWindow},
    {"launch notification", LaunchNotification},
    {"program copy", KeepProgramCopyStage},
    {"language page", LanguagePage},
    {"caption", Caption},
    {"checks", Checks},
    {"greeting sound", GreetingSound},
    {"greeting page", GreetingPage},
    {"password page", PasswordPage},
    {"licence pages", LicencePages},
    {"readme pages", ReadmePages},
    {"programs to close", CloseProgramsStage},
    {"install folder", InstallFolder},  // with the folder page
    {"start menu placeholders", StartMenuPlaceholdersStage},
    {"start menu page", StartMenuPage},
    {"start notification", StartNotification},
    {"progress page", ProgressPageStage},
    {"working log", WorkingLogStage},            // 1
    {"restore point", RestorePointStage},
    {"install folder rights", InstallFolderRightsStage},
    {"install folders", InstallFoldersStage},
    {"shared folder rights", SharedFolderRightsStage},
    {"pre-installation batches", PreInstallBatchesStage},  // with the upgrade or reinstall batch
    {"component hooks", ComponentHooksStage},
    {"files", FilesStage},                       // 2 to 93
    {"component registration", ComponentRegistrationStage},  // 93
    {"shortcuts", ShortcutsStage},               // 95 to 97
    {"registry", RegistryStage},                 // 97
    {"firewall", FirewallStage},                 // 98
    {"text copies", TextCopiesStage},            // 98
    {"path", PathStage},
    {"registration", RegistrationStage},         // 99, 100
    {"post-installation batch", PostInstallBatchStage},
    {"completion notification", CompletionNotification},
    {"desktop changed", DesktopChangedStage},
    {"restore point commit", RestorePointCommitStage},
};

}  // namespace

void RunInstallSequence(OwnPackage& package) {
  // The %Variables% read the folders of this installation from now on.
  SetVariableFolders(&TheInstall());
  InstallRun run;
  run.package = &package;
  for (const Stage& stage : kStages) stage.run(run);
  FinishInstallation(run);
}
