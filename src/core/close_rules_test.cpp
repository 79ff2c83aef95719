#include "core/close_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Matches(const char16_t* pattern, const char16_t* text) { return WindowTextMatches(String(pattern), String(text)); }

WindowRule Rule(const char16_t* title, const char16_t* window_class, uint32_t action = 0, uint32_t phases = 1) {
  WindowRule rule;
  rule.title = String(title);
  rule.window_class = String(window_class);
  rule.program = String(u"Tool");
  rule.action = action;
  rule.phases = phases;
  return rule;
}

TEST(WindowPatterns, StarMeansContainsOtherwiseEqual) {
  EXPECT_TRUE(Matches(u"*Notepad", u"Untitled - Notepad"));
  EXPECT_TRUE(Matches(u"*Notepad", u"Notepad"));
  EXPECT_TRUE(Matches(u"*Notepad", u"Notepad++ v8"));
  EXPECT_FALSE(Matches(u"*Notepad", u"Untitled - notepad"));  // case counts
  EXPECT_FALSE(Matches(u"*Notepad", u""));
  EXPECT_TRUE(Matches(u"Notepad", u"Notepad"));
  EXPECT_FALSE(Matches(u"Notepad", u"Untitled - Notepad"));
  EXPECT_FALSE(Matches(u"Notepad", u"Notepad "));
}

TEST(WindowPatterns, TheRestIsAWildcardPattern) {
  EXPECT_TRUE(Matches(u"*Report*.pdf", u"Viewer - Report 2024.pdf"));
  EXPECT_FALSE(Matches(u"*Report*.pdf", u"Viewer - report.pdf"));
  EXPECT_TRUE(Matches(u"*5**", u"Rated 5* by users"));  // "**" is a literal star
  EXPECT_FALSE(Matches(u"*5**", u"Rated 5 by users"));
  EXPECT_FALSE(Matches(u"*", u"Anything"));  // a lone star has nothing to find
}

TEST(WindowRules, PatternsThatAreGivenMustAllMatch) {
  const String title(u"Untitled - Notepad");
  const String window_class(u"Notepad");
  EXPECT_FALSE(WindowRuleMatches(Rule(u"", u""), title, window_class));
  EXPECT_FALSE(WindowRuleMatches(Rule(u"", u""), String(), String()));  // empty patterns never match empty texts
  EXPECT_TRUE(WindowRuleMatches(Rule(u"*Notepad", u""), title, window_class));
  EXPECT_TRUE(WindowRuleMatches(Rule(u"", u"Notepad"), title, window_class));
  EXPECT_TRUE(WindowRuleMatches(Rule(u"*Notepad", u"Notepad"), title, window_class));
  EXPECT_FALSE(WindowRuleMatches(Rule(u"*Notepad", u"Edit"), title, window_class));
  EXPECT_FALSE(WindowRuleMatches(Rule(u"*Word", u"Notepad"), title, window_class));
}

TEST(WindowRules, FirstRuleOfThePhaseDecides) {
  Vector<WindowRule> rules;
  rules.Add(Rule(u"*Editor", u"", 3, 0x2));  // another phase
  rules.Add(Rule(u"", u"EditorClass", 0, 0x1));
  rules.Add(Rule(u"*Editor", u"", 2, 0x3));
  const String title(u"My Editor");
  EXPECT_EQ(FindWindowRule(rules, 0x1, title, String(u"EditorClass")), 1);
  EXPECT_EQ(FindWindowRule(rules, 0x1, title, String(u"Other")), 2);
  EXPECT_EQ(FindWindowRule(rules, 0x2, title, String(u"EditorClass")), 0);
  EXPECT_EQ(FindWindowRule(rules, 0x4, title, String(u"EditorClass")), -1);
  EXPECT_EQ(FindWindowRule(rules, 0x1, String(u"Viewer"), String(u"Other")), -1);
  EXPECT_EQ(FindWindowRule(Vector<WindowRule>(), 0x1, title, String(u"EditorClass")), -1);
}

TEST(CloseSteps, ActionsAndSilentMode) {
  EXPECT_EQ(CloseStepFor(0, false), CloseStep::kPostClose);
  EXPECT_EQ(CloseStepFor(1, false), CloseStep::kPostQuit);
  EXPECT_EQ(CloseStepFor(2, false), CloseStep::kAskUser);
  EXPECT_EQ(CloseStepFor(3, false), CloseStep::kTerminate);
  EXPECT_EQ(CloseStepFor(4, false), CloseStep::kNothing);
  // Silent runs skip only the question; the other actions need nobody.
  EXPECT_EQ(CloseStepFor(0, true), CloseStep::kPostClose);
  EXPECT_EQ(CloseStepFor(1, true), CloseStep::kPostQuit);
  EXPECT_EQ(CloseStepFor(2, true), CloseStep::kNothing);
  EXPECT_EQ(CloseStepFor(3, true), CloseStep::kTerminate);
}

TEST(CloseSteps, QuestionTextIsNeverAFormat) {
  const auto text = [](const char16_t* question) {
    const String out = CloseQuestionText(String(question), String(u"Tool 100%"));
    return std::u16string(out.w_str(), static_cast<size_t>(out.wlength()));
  };
  EXPECT_EQ(text(u"Please close %s, then press Retry."), u"Please close Tool 100%, then press Retry.");
  EXPECT_EQ(text(u"%s is running (%d). Close %s."), u"Tool 100% is running (%d). Close %s.");
  EXPECT_EQ(text(u"Close the program."), u"Close the program.");
}

}  // namespace
