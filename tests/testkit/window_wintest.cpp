#include "testkit/window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testkit/child.h"
#include "testkit/child_ids.h"
#include "testkit/process.h"

namespace testkit {
namespace {

TEST(Window, FindsAMessageBoxReadsItAndAnswersOk) {
  Process child = StartChild({L"msgbox", L"ok", L"Kit Title", L"First line\nSecond line"});
  ASSERT_TRUE(child.started());
  HWND box = WaitForWindow(child.id(), {.class_name = kDialogClass, .title = L"Kit Title"});
  ASSERT_NE(nullptr, box) << DescribeWindows(child.id());

  EXPECT_EQ(L"Kit Title", WindowTitle(box));
  EXPECT_EQ(kDialogClass, WindowClass(box));
  EXPECT_TRUE(IsMessageBox(box));
  EXPECT_EQ(L"First line\nSecond line", MessageBoxText(box));
  EXPECT_FALSE(AnswerMessageBox(box, IDNO)) << "an OK box has no No button";

  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
  ASSERT_TRUE(child.WaitForExit());
  EXPECT_EQ(static_cast<DWORD>(IDOK), child.ExitCode());
  EXPECT_TRUE(WaitForWindowGone(box));
}

TEST(Window, AnswersNoToAYesNoQuestion) {
  Process child = StartChild({L"msgbox", L"yesno", L"Question", L"Go on?"});
  HWND box = WaitForWindow(child.id(), {.class_name = kDialogClass});
  ASSERT_NE(nullptr, box) << DescribeWindows(child.id());
  EXPECT_EQ(L"Go on?", MessageBoxText(box));
  ASSERT_TRUE(AnswerMessageBox(box, IDNO));
  ASSERT_TRUE(child.WaitForExit());
  EXPECT_EQ(static_cast<DWORD>(IDNO), child.ExitCode());
}

TEST(Window, DrivesADialogLikeAUser) {
  Process child = StartChild({L"dialog"});
  HWND dialog = WaitForWindow(child.id(), {.class_name = kDialogClass, .title = L"Probe"});
  ASSERT_NE(nullptr, dialog) << DescribeWindows(child.id());
  EXPECT_FALSE(IsMessageBox(dialog));

  std::vector<Control> controls = ChildControls(dialog);
  auto with_id = [&](int id) {
    return std::find_if(controls.begin(), controls.end(), [&](const Control& c) { return c.id == id; });
  };
  ASSERT_NE(controls.end(), with_id(IDC_PROBE_NAME)) << DescribeControls(dialog);
  EXPECT_EQ(0, _wcsicmp(L"Edit", with_id(IDC_PROBE_NAME)->class_name.c_str()));
  ASSERT_NE(controls.end(), with_id(IDC_PROBE_NEVER));
  EXPECT_FALSE(with_id(IDC_PROBE_NEVER)->enabled);
  EXPECT_EQ(L"Never", ControlText(dialog, IDC_PROBE_NEVER));
  EXPECT_EQ(L"I agree", ControlText(dialog, IDC_PROBE_AGREE));

  EXPECT_FALSE(ClickButton(dialog, IDC_PROBE_NEVER)) << "a disabled button cannot be clicked";
  EXPECT_FALSE(ClickButton(dialog, 4242)) << "no such control";

  ASSERT_TRUE(SetControlText(dialog, IDC_PROBE_NAME, L"Zoë's product"));
  EXPECT_EQ(L"Zoë's product", ControlText(dialog, IDC_PROBE_NAME));
  EXPECT_FALSE(IsChecked(dialog, IDC_PROBE_AGREE));
  ASSERT_TRUE(SetCheck(dialog, IDC_PROBE_AGREE, true));
  EXPECT_TRUE(IsChecked(dialog, IDC_PROBE_AGREE));
  ASSERT_TRUE(SetCheck(dialog, IDC_PROBE_AGREE, false));
  ASSERT_TRUE(SetCheck(dialog, IDC_PROBE_AGREE, true));

  // The program itself saw what was typed and checked.
  ASSERT_TRUE(ClickButton(dialog, IDOK));
  HWND result = WaitForWindow(child.id(), {.class_name = kDialogClass, .title = L"Probe result"});
  ASSERT_NE(nullptr, result) << DescribeWindows(child.id());
  EXPECT_EQ(L"name=Zoë's product;agree=1", MessageBoxText(result));
  ASSERT_TRUE(AnswerMessageBox(result, IDOK));
  ASSERT_TRUE(child.WaitForExit());
  EXPECT_EQ(11u, child.ExitCode());
}

TEST(Window, WaitGivesUpWhenNoWindowAppears) {
  Process child = StartChild({L"sleep"});
  ASSERT_TRUE(child.started());
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(nullptr, WaitForWindow(child.id(), {.class_name = kDialogClass}, 300));
  EXPECT_GE(GetTickCount64() - start, 300u);
  EXPECT_TRUE(TopLevelWindows(child.id()).empty());
}

TEST(Window, IgnoresWindowsOfOtherProcesses) {
  Process asking = StartChild({L"msgbox", L"ok", L"Shared Title", L"one"});
  Process sleeping = StartChild({L"sleep"});
  ASSERT_NE(nullptr, WaitForWindow(asking.id(), {.title = L"Shared Title"}));
  EXPECT_TRUE(TopLevelWindows(sleeping.id(), {.title = L"Shared Title"}).empty());
}

}  // namespace
}  // namespace testkit
