#include <windows.h>

#include "core/format.h"
#include "package/locator_win.h"
#include "package/settings_state.h"
#include "setup/error_box.h"
#include "setup/exit.h"
#include "setup/install_sequence.h"
#include "setup/install_state.h"
#include "setup/run_state.h"
#include "setup/wizard_pages.h"

namespace {

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

// A page the wizard does not supply yet: interactive runs stop here and say so.
[[noreturn]] void MissingPage() {
  const String text = FormatW(
      u"%s\r\n\r\nThis installer can only run automatically in this version. Start it with /a or /silent.",
      Message(1).w_str());
  MessageBoxW(nullptr, Wide(text), Wide(Settings().WizardCaption), MB_OK | MB_ICONINFORMATION);
  CommonExit(1);
}

PageResult ShowPage(PageResult (*page)()) {
  if (!page) MissingPage();
  return page();
}

// Cancel exit: unless automatic, message 98 with title message 111.
[[noreturn]] void CancelExit() {
  if (!TheRun().args.automatic) {
    MessageBoxW(nullptr, Wide(Message(98)), Wide(Message(111)), MB_OK | MB_ICONEXCLAMATION);
  }
  CommonExit(1);
}

void KeepProgramCopyPhase(OwnPackage& package) {
  const ProductSettings& settings = Settings();
  ProgramCopyRequest request;
  request.verify_checksum = settings.Flag(product_flag::kCheckProgramChecksum);
  request.keep_stripped = settings.Flag2(product_flag2::kStrippedCopy);
  request.file_data_after_section = settings.FileDataOutside != 0;
  static ProgramCopy copy;
  KeepProgramCopy(package.file, package.section, package.header, request, &copy);
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

}  // namespace

void RefuseWithMessage(int n) {
  ShowErrorBox(Message(n));
  CommonExit(1);
}

void RunInstallSequence(OwnPackage& package) {
  KeepProgramCopyPhase(package);
  LanguagePhase();
  GreetingPhase();
  (void)CancelExit;
  CommonExit(1);
}
