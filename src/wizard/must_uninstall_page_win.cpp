// The must-uninstall question: the earlier installation has to go before this
// one can be installed.
#include "wizard/page_style_win.h"
#include "package/message_numbers.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

void InitMustUninstallPage(HWND page, void*) {
  SetPageMessage(page, kText, message_number::kMustUninstall);
  SetButtonMessage(page, kNext, message_number::kUninstallButton);
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
  GrowToFitText(page, kText);
}

}  // namespace

PageResult ShowMustUninstallPage(HWND owner, const RunProduct& product) {
  PageHandlers handlers;
  handlers.init = InitMustUninstallPage;
  const PageFrame frame = PlainBox(product, u"MustUninstall", message_number::kErrorTitle, handlers, nullptr);
  return static_cast<PageResult>(RunPage(owner, frame));
}
