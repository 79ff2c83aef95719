#include "core/close_rules.h"

#include "core/search.h"

bool WindowTextMatches(const String& pattern, const String& text) {
  if (pattern.wlength() > 0 && pattern.AtW(0) == u'*') {
    return SearchW(text.w_str(), text.wlength(), pattern.w_str() + 1, pattern.wlength() - 1, 0, kSearchWildcard) >= 0;
  }
  return pattern == text;
}

bool WindowRuleMatches(const WindowRule& rule, const String& title, const String& window_class) {
  if (rule.title.empty() && rule.window_class.empty()) return false;
  if (!rule.title.empty() && !WindowTextMatches(rule.title, title)) return false;
  return rule.window_class.empty() || WindowTextMatches(rule.window_class, window_class);
}

int32_t FindWindowRule(const Vector<WindowRule>& rules, uint32_t phases, const String& title,
                       const String& window_class) {
  for (int32_t i = 0; i < rules.Count(); ++i) {
    if ((rules[i].phases & phases) != 0 && WindowRuleMatches(rules[i], title, window_class)) return i;
  }
  return -1;
}

CloseStep CloseStepFor(uint32_t action, bool silent) {
  switch (static_cast<CloseAction>(action)) {
    case CloseAction::kPostClose:
      return CloseStep::kPostClose;
    case CloseAction::kPostQuit:
      return CloseStep::kPostQuit;
    case CloseAction::kAskUser:
      return silent ? CloseStep::kNothing : CloseStep::kAskUser;
    case CloseAction::kTerminate:
      return CloseStep::kTerminate;
  }
  return CloseStep::kNothing;
}

String CloseQuestionText(const String& question, const String& program) {
  String text = question;
  const int32_t at = text.FindW(u"%s");
  if (at >= 0) text.ReplaceW(at, 2, program.w_str(), program.wlength());
  return text;
}
