#include "core/show_message_win.h"

#include "core/process_rules.h"
#include "core/silent_mode.h"

namespace {
HWND g_message_owner = nullptr;
}  // namespace

void SetMessageOwner(HWND owner) { g_message_owner = owner; }

int ShowMessage(HWND owner, const char16_t* text, const char16_t* caption, uint32_t type) {
  if (SilentMode()) return DefaultMessageBoxAnswer(type);
  const DWORD error = GetLastError();
  const int answer = MessageBoxW(owner ? owner : g_message_owner, reinterpret_cast<const wchar_t*>(text),
                                 reinterpret_cast<const wchar_t*>(caption), type);
  SetLastError(error);
  return answer;
}
