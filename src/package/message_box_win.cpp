#include <windows.h>

#include "core/show_message_win.h"
#include "core/silent_mode.h"
#include "package/message_box.h"

namespace {

int Show(const String& text, const String& title, uint32_t type) {
  return ShowMessage(nullptr, text.w_str(), title.w_str(), type | MB_SETFOREGROUND);
}

}  // namespace

void ShowErrorBox(const String& text) {
  if (text.empty() || SilentMode()) return;
  if (AutomaticMode() && !TheMessageBoxRules().error_boxes_when_automatic) return;
  Show(text, ErrorTitle(), MB_OK | MB_ICONERROR);
}

void ShowFatalErrorBox(const String& text) {
  if (SilentMode()) return;
  Show(text, ErrorTitle(), MB_OK | MB_ICONERROR);
}

bool AskYesNo(const String& text, const String& title, bool automatic_answer) {
  if (AutomaticMode() || SilentMode()) return automatic_answer;
  return Show(text, title, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowNotice(const String& text, const String& title) {
  if (text.empty() || AutomaticMode() || SilentMode()) return;
  Show(text, title, MB_OK | MB_ICONINFORMATION);
}

void ShowWarning(const String& text, const String& title) {
  if (text.empty() || AutomaticMode() || SilentMode()) return;
  Show(text, title, MB_OK | MB_ICONEXCLAMATION);
}
