#include "core/close_applications_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/box_watch_wintest.h"
#include "testkit/child.h"
#include "testkit/child_ids.h"
#include "testkit/window.h"

namespace {

constexpr uint32_t kPhase = 0x1;

WindowRule Rule(const char16_t* title, const char16_t* window_class, CloseAction action, uint32_t phases = kPhase) {
  WindowRule rule;
  rule.title = String(title);
  rule.window_class = String(window_class);
  rule.program = String(u"Probe Tool");
  rule.action = static_cast<uint32_t>(action);
  rule.phases = phases;
  return rule;
}

Vector<WindowRule> Rules(const WindowRule& rule) {
  Vector<WindowRule> rules;
  rules.Add(rule);
  return rules;
}

CloseQuestion Question() {
  CloseQuestion question;
  question.text = String(u"Please close %s, then press Retry.");
  question.caption = String(u"Setup");
  return question;
}

// testkit_child showing its "Probe" dialog: a program of another process with
// a top-level window to close.
class CloseApplicationsTest : public testing::Test {
 protected:
  void SetUp() override {
    child_ = testkit::StartChild({L"dialog"});
    ASSERT_TRUE(child_.started()) << child_.error();
    window_ = testkit::WaitForWindow(child_.id(), {testkit::kDialogClass, L"Probe"});
    ASSERT_NE(window_, nullptr) << testkit::DescribeWindows(child_.id());
  }
  void TearDown() override { child_.Kill(); }

  // Whether the program still runs once it has handled all that was posted to
  // it before: a mark posted behind those messages is handled, or it ends.
  bool StillRuns() {
    static WPARAM mark = 0;
    ++mark;
    if (!PostMessageW(window_, WM_PROBE_MARK, mark, 0)) return false;
    const auto marked = [&] { return static_cast<WPARAM>(GetWindowLongPtrW(window_, GWLP_USERDATA)) == mark; };
    EXPECT_TRUE(testkit::Await("the program to handle its messages or end",
                               [&] { return !child_.Running() || !IsWindow(window_) || marked(); }));
    return child_.Running() && IsWindow(window_) && marked();
  }

  testkit::Process child_;
  HWND window_ = nullptr;
};

TEST_F(CloseApplicationsTest, TitlePatternPostsClose) {
  EXPECT_EQ(CloseApplications(Rules(Rule(u"*rob", u"", CloseAction::kPostClose)), kPhase, Question()),
            CloseOutcome::kDone);
  ASSERT_TRUE(child_.WaitForExit());
  EXPECT_EQ(child_.ExitCode(), static_cast<DWORD>(IDCANCEL));  // the dialog's answer to WM_CLOSE
}

TEST_F(CloseApplicationsTest, ClassAndExactTitleTerminate) {
  EXPECT_EQ(CloseApplications(Rules(Rule(u"Probe", u"#32770", CloseAction::kTerminate)), kPhase, Question()),
            CloseOutcome::kDone);
  ASSERT_TRUE(child_.WaitForExit());
  EXPECT_EQ(child_.ExitCode(), 0u);
}

TEST_F(CloseApplicationsTest, QuitMessageEndsTheProgram) {
  CloseApplications(Rules(Rule(u"Probe", u"", CloseAction::kPostQuit)), kPhase, Question());
  EXPECT_TRUE(child_.WaitForExit());
}

TEST_F(CloseApplicationsTest, RulesThatDoNotApplyLeaveItRunning) {
  Vector<WindowRule> rules;
  rules.Add(Rule(u"Probe", u"", CloseAction::kTerminate, 0x2));     // another phase
  rules.Add(Rule(u"Probe Tool", u"", CloseAction::kTerminate));     // not the exact title
  rules.Add(Rule(u"*Probe", u"Edit", CloseAction::kTerminate));     // class differs
  rules.Add(Rule(u"", u"", CloseAction::kTerminate));               // no pattern
  EXPECT_EQ(CloseApplications(rules, kPhase, Question()), CloseOutcome::kDone);
  EXPECT_TRUE(StillRuns());
}

TEST_F(CloseApplicationsTest, FirstMatchingRuleDecides) {
  Vector<WindowRule> rules;
  rules.Add(Rule(u"*Probe", u"", static_cast<CloseAction>(9)));  // an unknown action: nothing is done
  rules.Add(Rule(u"Probe", u"", CloseAction::kTerminate));
  EXPECT_EQ(CloseApplications(rules, kPhase, Question()), CloseOutcome::kDone);
  EXPECT_TRUE(StillRuns());
}

TEST_F(CloseApplicationsTest, AskingIsSkippedInSilentMode) {
  const SilentScope silent(true);
  BoxWatch watch(IDCANCEL);
  EXPECT_EQ(CloseApplications(Rules(Rule(u"Probe", u"", CloseAction::kAskUser)), kPhase, Question()),
            CloseOutcome::kDone);
  watch.Stop();
  EXPECT_TRUE(watch.boxes().empty());
  EXPECT_TRUE(StillRuns());
}

TEST_F(CloseApplicationsTest, CancelOfTheQuestionStopsTheWalk) {
  const SilentScope silent(false);
  BoxWatch watch(IDCANCEL);
  EXPECT_EQ(CloseApplications(Rules(Rule(u"Probe", u"", CloseAction::kAskUser)), kPhase, Question()),
            CloseOutcome::kCancelled);
  watch.Stop();
  const auto boxes = watch.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Setup");
  EXPECT_EQ(boxes[0].text, L"Please close Probe Tool, then press Retry.");
  EXPECT_TRUE(StillRuns());
}

TEST_F(CloseApplicationsTest, QuestionRepeatsUntilTheWindowIsGone) {
  const SilentScope silent(false);
  // The user presses Retry twice; before the second time they close the program.
  BoxWatch watch(IDRETRY, [this](int seen, int answer) {
    if (seen == 2) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(child_.WaitForExit()) << "the program did not close";
    }
    return answer;
  });
  EXPECT_EQ(CloseApplications(Rules(Rule(u"Probe", u"", CloseAction::kAskUser)), kPhase, Question()),
            CloseOutcome::kDone);
  watch.Stop();
  EXPECT_EQ(watch.boxes().size(), 2u);
  EXPECT_FALSE(IsWindow(window_));
}

TEST(CloseApplications, OwnWindowsAreNeverClosed) {
  HWND own = CreateWindowExW(0, L"STATIC", L"Probe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(CloseApplications(Rules(Rule(u"Probe", u"", CloseAction::kPostClose)), kPhase, Question()),
            CloseOutcome::kDone);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_TRUE(IsWindow(own));
  DestroyWindow(own);
}

TEST(CloseApplications, NoRulesNoWalk) {
  EXPECT_EQ(CloseApplications(Vector<WindowRule>(), kPhase, Question()), CloseOutcome::kDone);
}

}  // namespace
