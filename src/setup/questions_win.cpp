#include <windows.h>

#include "setup/questions.h"
#include "setup/run_state.h"

namespace {

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

}  // namespace

bool AskYesNo(const String& text, const String& title, bool automatic_answer) {
  if (TheRun().args.automatic) return automatic_answer;
  return MessageBoxW(nullptr, Wide(text), Wide(title), MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void ShowNotice(const String& text, const String& title) {
  if (TheRun().args.automatic || text.empty()) return;
  MessageBoxW(nullptr, Wide(text), Wide(title), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}
