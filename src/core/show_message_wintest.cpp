#include "core/show_message_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/box_watch_wintest.h"

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

}  // namespace
