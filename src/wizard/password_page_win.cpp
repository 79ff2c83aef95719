// The install password: accepted only when typed exactly; a wrong one costs
// half a second before the error, to slow down guessing.
#include "package/message_numbers.h"
#include "wizard/page_style_win.h"
#include "wizard/pages_win.h"

namespace {

using namespace page_control;

constexpr int kPasswordLimit = 64;
constexpr DWORD kWrongPasswordPause = 500;

void InitPasswordPage(HWND page, void*) {
  SetPageMessage(page, kText, message_number::kPasswordText);
  SetPageMessage(page, kPasswordLabel, message_number::kPasswordLabel);
  SetButtonText(page, kNext, String(u"OK"));
  SetButtonMessage(page, kCancel, message_number::kCancelButton);
  SendDlgItemMessageW(page, kPasswordEdit, EM_LIMITTEXT, kPasswordLimit, 0);
  GrowToFitText(page, kText);
}

bool PasswordCommand(HWND page, int id, int, void* context) {
  if (id != kNext && id != IDOK) return false;
  const String& password = *static_cast<const String*>(context);
  if (PageItemText(page, kPasswordEdit) == password) {
    EndDialog(page, kNext);
    return true;
  }
  Sleep(kWrongPasswordPause);
  const String text = PageMessageText(page, message_number::kWrongPassword);
  const String title = PageMessageText(page, message_number::kErrorTitle);
  MessageBoxW(page, reinterpret_cast<const wchar_t*>(text.w_str()), reinterpret_cast<const wchar_t*>(title.w_str()),
              MB_OK | MB_ICONERROR);
  HWND edit = GetDlgItem(page, kPasswordEdit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SetFocus(edit);
  return true;
}

}  // namespace

PageResult ShowPasswordPage(HWND owner, const RunProduct& product, const String& password) {
  PageHandlers handlers;
  handlers.init = InitPasswordPage;
  handlers.command = PasswordCommand;
  const PageFrame frame = PlainBox(product, u"EnterPassword", message_number::kPasswordCaption, handlers, const_cast<String*>(&password));
  return static_cast<PageResult>(RunPage(owner, frame));
}
