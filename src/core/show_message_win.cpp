#include "core/show_message_win.h"

#include "core/process_rules.h"
#include "core/silent_mode.h"

int ShowMessage(HWND owner, const char16_t* text, const char16_t* caption, uint32_t type) {
  if (SilentMode()) return DefaultMessageBoxAnswer(type);
  const DWORD error = GetLastError();
  const int answer = MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text),
                                 reinterpret_cast<const wchar_t*>(caption), type);
  SetLastError(error);
  return answer;
}
