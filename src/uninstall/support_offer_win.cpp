#include <windows.h>

#include "core/format.h"
#include "core/process_win.h"
#include "package/message_box.h"
#include "package/message_numbers.h"
#include "uninstall/support_offer.h"

bool OfferSupport(const LanguageTable& languages, const String& address, const String& product) {
  if (!IsWellFormedAddress(address)) return false;
  // No message of the language table carries this question: the English
  // text is the fall-back every package shares.
  const String question = FormatW(
      u"Before %s is removed: help with it is offered at\r\n\r\n%s\r\n\r\n"
      u"Do you want to open that page instead of removing %s?",
      product.w_str(), address.w_str(), product.w_str());
  if (!AskYesNo(question, MessageText(languages, message_number::kUninstallTitle), false)) return false;
  ShellOpenW(address.w_str(), nullptr, nullptr, u"open", SW_SHOWNORMAL);
  return true;
}
