#include "testkit/screenshot.h"

#include <gtest/gtest.h>

#include "testkit/child.h"
#include "testkit/files.h"
#include "testkit/window.h"
#include "testkit/wine.h"

namespace testkit {
namespace {

TEST(Screenshot, SavesTheScreenWithAMessageBoxAsPng) {
  if (!RunningUnderWine()) GTEST_SKIP() << "screenshots are taken through Wine";
  Process child = StartChild({L"msgbox", L"ok", L"Screenshot", L"On screen"});
  HWND box = WaitForWindow(child.id(), {.title = L"Screenshot"});
  ASSERT_NE(nullptr, box);

  ASSERT_TRUE(Screenshot(L"testkit-message-box"));
  std::string png = ReadFileBytes(ScreenshotPath(L"testkit-message-box")).value_or("");
  EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, 8));
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
}

TEST(Screenshot, RefusesNamesThatLeaveTheFolder) {
  EXPECT_FALSE(Screenshot(L"..\\escape"));
  EXPECT_FALSE(Screenshot(L"../escape"));
  EXPECT_FALSE(Screenshot(L""));
  EXPECT_FALSE(Screenshot(L"it's"));
}

TEST(Wine, MapsBuildPathsToUnix) {
  if (!RunningUnderWine()) GTEST_SKIP();
  std::string unix_path = UnixPath(L"Z:\\tmp\\x y");
  EXPECT_EQ("/tmp/x y", unix_path);
}

}  // namespace
}  // namespace testkit
