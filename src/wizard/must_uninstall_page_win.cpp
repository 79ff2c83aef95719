// The must-uninstall question: the earlier installation has to go before this
// one can be installed.
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

void InitMustUninstallPage(HWND page, void*) {
  SetPageMessage(page, kText, 9);
  SetButtonMessage(page, kNext, 104);
  SetButtonMessage(page, kCancel, 49);
  GrowToFitText(page, kText);
}

}  // namespace

PageResult ShowMustUninstallPage(HWND owner, const RunProduct& product) {
  PageHandlers handlers;
  handlers.init = InitMustUninstallPage;
  const PageFrame frame = PlainBox(product, u"MustUninstall", 21, handlers, nullptr);
  return static_cast<PageResult>(RunPage(owner, frame));
}
