#include "package/message_box.h"
#include "package/message_numbers.h"
#include "package/run_product.h"
#include "setup/exit.h"
#include "setup/install_folder.h"
#include "setup/refusals.h"

namespace {

const LanguageTable* g_cancel_texts = nullptr;

}  // namespace

void SetCancelTexts(const LanguageTable* languages) { g_cancel_texts = languages; }

void RefuseWithMessage(const LanguageTable& languages, int n, RunOutcome outcome) {
  RefuseWithText(MessageText(languages, n), outcome);
}

void RefuseWithText(const String& text, RunOutcome outcome) {
  ShowErrorBox(text);
  CommonExit(outcome);
}

void CancelExit() {
  const LanguageTable& languages = g_cancel_texts ? *g_cancel_texts : NoRunProduct().languages;
  ShowWarning(MessageText(languages, message_number::kCancelled), MessageText(languages, message_number::kCancelledTitle));
  RemoveUnusedInstallFolders();
  CommonExit(RunOutcome::kCancelled);
}
