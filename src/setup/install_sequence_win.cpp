#include <windows.h>

#include "core/format.h"
#include "net/notify_worker.h"
#include "package/locator_win.h"
#include "package/message_numbers.h"
#include "package/message_box.h"
#include "package/variables.h"
#include "setup/crash_records_win.h"
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

void Notify(const ProductSettings& settings, const String& address) {
  PostNotification(NotificationAddress(address, settings.DisplayVersion));
}

void LaunchNotification(InstallRun& run) {
  PrepareNotifications();  // the firewall entry and the worker's stop at exit
  Notify(run.product.settings, run.product.settings.LaunchNotifyURL);
}

void StartNotification(InstallRun& run) { Notify(run.product.settings, run.product.settings.StartNotifyURL); }

void CompletionNotification(InstallRun& run) {
  Notify(run.product.settings, CompletionAddress(run.product.settings, TheInstall()));
}

void BackgroundWindow(InstallRun& run) { CreateWizardBackground(run.background); }

void LanguagePage(InstallRun& run) {
  LanguageTable& languages = run.product.languages;
  if (languages.LanguageCount() <= 1 || Automatic()) return;
  int32_t chosen = languages.current;
  const PageResult result = ShowLanguagePage(WizardOwner(), run.product, &chosen);
  // The run's language is the user's choice from now on, boxes included.
  languages.current = chosen;
  SetMessageBoxRules(MessageBoxRulesOf(run.product));
  if (result == PageResult::kCancel) CommonExit(RunOutcome::kCancelled);
}

void Caption(InstallRun& run) { RefreshWizardBackground(run.product); }

void Checks(InstallRun& run) {
  CheckBitness(run.product);
  CheckExcludedSystems(run.product);
  CheckRequiredProduct(run.product);
  TakeSingleInstance(run.product);
  DetectEarlierInstallation(run.product.settings);
}

void GreetingSound(InstallRun& run) {
  if (!Automatic()) PlayGreetingSound(run.product.settings.GreetingSound);
}

// The link's notification: the greeting page calls back without a context,
// so the address is taken when the page opens.
String g_link_address;

void LinkNotification() { PostNotification(g_link_address); }

void GreetingPage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  if (Automatic() || settings.Flag(product_flag::kNoGreetingPage)) return;
  g_link_address = NotificationAddress(settings.LinkNotifyURL, settings.DisplayVersion);
  if (ShowGreetingPage(WizardOwner(), run.product, LinkNotification) == PageResult::kCancel) CommonExit(RunOutcome::kCancelled);
}

void PasswordPage(InstallRun& run) {
  const String& password = run.product.settings.InstallPassword;
  if (password.empty()) return;
  // Nobody can type it in a silent run: a page there would wait for ever, so
  // the run ends at once, with no window, as a cancelled one does.
  if (TheRun().args.silent) CommonExit(RunOutcome::kCancelled);
  if (ShowPasswordPage(WizardOwner(), run.product, password) == PageResult::kCancel) CancelExit();
}

// The first page's text is message `first_message` when it has one.
void TextPages(const RunProduct& product, TextPageKind kind, int first_message, const Array<String>& texts) {
  if (Automatic()) return;
  Array<String> pages;
  const String first = MessageText(product.languages, first_message);
  if (!first.empty()) pages.Add(first);
  for (const String& text : texts) pages.Add(text);
  for (const String& text : pages) {
    if (ShowTextPage(WizardOwner(), product, kind, text) == PageResult::kCancel) CancelExit();
  }
}

void LicencePages(InstallRun& run) {
  TextPages(run.product, TextPageKind::kLicence, message_number::kLicenceFirstPage, run.product.settings.LicenseTexts);
}

void ReadmePages(InstallRun& run) {
  TextPages(run.product, TextPageKind::kReadme, message_number::kReadmeFirstPage, run.product.settings.ReadmeTexts);
}

void InstallFolder(InstallRun& run) {
  ChooseInstallFolder(run.journal.records, run.product);
  InstallState& state = TheInstall();
  state.portable = IsPortableFolder(state.install_folder_full);
}

// The folder chosen is the install state's; the settings keep the package's.
void StartMenuPage(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  InstallState& state = TheInstall();
  if (state.existing) {
    if (!state.old_start_menu.empty()) state.start_menu = state.old_start_menu;
    return;
  }
  const bool page_wanted = settings.Flag(product_flag::kStartMenuPage) &&
                           (!state.portable || !settings.Flag2(product_flag2::kPortableNoStartMenuPage));
  if (Automatic() || !page_wanted) return;
  if (ShowStartMenuPage(WizardOwner(), run.product, state.start_menu) == PageResult::kCancel) CancelExit();
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
    {"required space", RequiredSpaceStage},
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

void RunInstallSequence(InstallRun& run) {
  const ProductSettings& settings = run.product.settings;
  InstallState& state = TheInstall();
  state.start_menu = settings.ProductStartMenu;
  state.uninstall_supported = settings.Flag(product_flag::kDetectInstallation);
  run.background = BackgroundWindowStateOf(settings);
  // The %Variables% read the settings and folders of this installation from
  // now on; the exits reached from callbacks and the crash handler see the
  // same product.
  SetVariableSettings(&settings);
  SetVariableFolders(&state);
  SetCancelTexts(&run.product.languages);
  SetCrashRecordsRun(&run.product, &run.journal);
  for (const Stage& stage : kStages) stage.run(run);
  FinishInstallation(run);
}
