#include <windows.h>

#include "core/file_ops.h"
#include "core/format.h"
#include "net/notify_worker.h"
#include "package/locator_win.h"
#include "package/settings_state.h"
#include "setup/error_box.h"
#include "setup/exit.h"
#include "setup/install_checks.h"
#include "setup/install_folder.h"
#include "setup/install_phases.h"
#include "setup/install_rules.h"
#include "setup/install_sequence.h"
#include "setup/install_state.h"
#include "setup/questions.h"
#include "setup/run_state.h"
#include "setup/wizard_pages.h"

namespace {

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

[[noreturn]] void CancelExit() {
  if (!TheRun().args.automatic) {
    MessageBoxW(nullptr, Wide(Message(98)), Wide(Message(111)), MB_OK | MB_ICONEXCLAMATION);
  }
  CommonExit(1);
}

void Notify(const String& address) { PostNotification(NotificationAddress(address, Settings().DisplayVersion)); }

ProgramCopy& TheProgramCopy() {
  static ProgramCopy copy;
  return copy;
}

void KeepProgramCopyPhase(OwnPackage& package) {
  const ProductSettings& settings = Settings();
  ProgramCopyRequest request;
  request.verify_checksum = settings.Flag(product_flag::kCheckProgramChecksum);
  request.keep_stripped = settings.Flag2(product_flag2::kStrippedCopy);
  request.file_data_after_section = settings.FileDataOutside != 0;
  KeepProgramCopy(package.file, package.section, package.header, request, &TheProgramCopy());
}

void LanguagePhase() {
  if (Languages().LanguageCount() > 1 && !TheRun().args.automatic) {
    if (ShowPage(TheWizardPages().language) == PageResult::kCancel) CommonExit(1);
  }
}

void GreetingPhase() {
  if (TheRun().args.automatic || Settings().Flag(product_flag::kNoGreetingPage)) return;
  if (ShowPage(TheWizardPages().greeting) == PageResult::kCancel) CommonExit(1);
}

void PasswordPhase() {
  if (Settings().InstallPassword.empty()) return;
  if (ShowPage(TheWizardPages().password) == PageResult::kCancel) CancelExit();
}

void TextPages(int first_message, const Array<String>& texts, PageResult (*page)(const String&)) {
  if (TheRun().args.automatic) return;
  Array<String> pages;
  const String first = Message(first_message);
  if (!first.empty()) pages.Add(first);
  for (const String& text : texts) pages.Add(text);
  for (const String& text : pages) {
    if (!page) ShowPage(nullptr);
    const PageResult result = page(text);
    if (result == PageResult::kCancel || result == PageResult::kDecline) CancelExit();
  }
}

void StartMenuPhase() {
  ProductSettings& settings = Settings();
  const InstallState& state = TheInstall();
  if (state.existing) {
    if (!state.old_start_menu.empty()) settings.ProductStartMenu = state.old_start_menu;
    return;
  }
  const bool page_wanted = settings.Flag(34) && (!state.portable || !settings.Flag2(product_flag2::kPortableNoStartMenuPage));
  if (TheRun().args.automatic || !page_wanted) return;
  if (!TheWizardPages().start_menu) ShowPage(nullptr);
  if (TheWizardPages().start_menu(settings.ProductStartMenu) == PageResult::kCancel) CancelExit();
}

}  // namespace

void RefuseWithMessage(int n) { RefuseWithText(Message(n)); }

void RefuseWithText(const String& text) {
  ShowErrorBox(text);
  CommonExit(1);
}

bool FolderExists(const String& folder) {
  const uint32_t attributes = GetAttributes(folder.w_str());
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RunInstallSequence(OwnPackage& package) {
  TheExitHooks().stop_notification_worker = StopNotificationWorker;
  const ProductSettings& settings = Settings();
  Notify(settings.LaunchNotifyURL);
  KeepProgramCopyPhase(package);
  LanguagePhase();
  CheckBitness();
  CheckExcludedSystems();
  CheckRequiredProduct();
  TakeSingleInstance();
  DetectEarlierInstallation();
  GreetingPhase();
  PasswordPhase();
  TextPages(63, settings.LicenseTexts, TheWizardPages().licence);
  TextPages(64, settings.ReadmeTexts, TheWizardPages().readme);
  ChooseInstallFolder();
  TheInstall().portable = IsPortableFolder(TheInstall().install_folder_full);
  StartMenuPhase();
  Notify(settings.StartNotifyURL);

  RunInstallPhases(package, TheProgramCopy());

  Notify(CompletionAddress(settings, TheInstall()));
  NotifyDesktopChanged();
  FinishInstallation();
}
