#include "actions/program_closing.h"

#include "core/codepage.h"

Vector<WindowRule> WindowRulesOf(const Vector<CloseRule>& rules) {
  Vector<WindowRule> windows;
  for (const CloseRule& rule : rules) {
    WindowRule& window = windows.Emplace();
    window.title = AnsiToUtf16(rule.window_title);
    window.window_class = AnsiToUtf16(rule.window_class);
    window.program = AnsiToUtf16(rule.display_name);
    window.action = rule.action;
    window.phases = rule.action == static_cast<uint32_t>(CloseAction::kAskUser) ? kCloseAfterConfirmation
                                                                               : kCloseBeforeConfirmation;
  }
  return windows;
}
