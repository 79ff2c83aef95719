#include "core/show_message_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "core/box_watch_wintest.h"
#include "testkit/testkit.h"

namespace {

TEST(ShowMessage, SilentRunsShowNothingAndTakeTheDefault) {
  const SilentScope silent(true);
  BoxWatch watch(IDOK);
  EXPECT_EQ(ShowMessage(nullptr, u"Continue?", u"Setup", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(ShowMessage(nullptr, u"Failed.", u"Error", MB_OK | MB_ICONERROR), IDOK);
  watch.Stop();
  EXPECT_TRUE(watch.boxes().empty());
}

TEST(ShowMessage, ShowsTheBoxAndKeepsTheLastError) {
  const SilentScope silent(false);
  BoxWatch watch(IDNO);
  SetLastError(ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ShowMessage(nullptr, u"Replace the file?", u"Setup", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  watch.Stop();
  const auto boxes = watch.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Setup");
  EXPECT_EQ(boxes[0].text, L"Replace the file?");
}

TEST(ShowMessage, BoxesWithoutAnOwnerBelongToTheRunsOwner) {
  const SilentScope silent(false);
  HWND owner = CreateWindowExW(0, L"STATIC", L"Backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  SetMessageOwner(owner);
  HWND seen_owner = nullptr;
  std::thread answering([&] {
    HWND box = testkit::WaitForWindow(GetCurrentProcessId(), {testkit::kDialogClass, L"Owned"});
    if (!box) return;
    seen_owner = GetWindow(box, GW_OWNER);
    testkit::AnswerMessageBox(box, IDOK);
  });
  ShowMessage(nullptr, u"In front of the backdrop.", u"Owned", MB_OK);
  answering.join();
  SetMessageOwner(nullptr);
  DestroyWindow(owner);
  EXPECT_EQ(seen_owner, owner);
}

}  // namespace
