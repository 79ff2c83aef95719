#include "package/message_box.h"

#include "package/message_numbers.h"

namespace {

MessageBoxRules& Rules() {
  static MessageBoxRules rules;
  return rules;
}

}  // namespace

MessageBoxRules MessageBoxRulesOf(const RunProduct& product) {
  MessageBoxRules rules;
  rules.error_boxes_when_automatic = product.settings.Flag(product_flag::kErrorBoxesWhenAutomatic);
  rules.error_title = MessageText(product.languages, message_number::kErrorTitle);
  rules.corrupt_package = MessageText(product.languages, message_number::kCorruptPackage);
  return rules;
}

void SetMessageBoxRules(const MessageBoxRules& rules) { Rules() = rules; }

const MessageBoxRules& TheMessageBoxRules() { return Rules(); }

String ErrorTitle() {
  const String& title = Rules().error_title;
  return title.empty() ? String(u"Error") : title;
}
