#include "wizard/background_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(BackgroundLayout, BitmapBoxPerStretchMode) {
  const Box client{0, 0, 1000, 800};
  const struct {
    int32_t percent, mode;
    Box want;
  } cases[] = {
      {50, 0, {250, 200, 750, 600}},    // stretched over the central half
      {100, 0, {0, 0, 1000, 800}},
      {100, 1, {100, 0, 900, 800}},     // 200 x 200 fits by height
      {50, 1, {300, 200, 700, 600}},
      {100, 2, {400, 300, 600, 500}},   // natural size, centred
  };
  for (const auto& c : cases) {
    const Box got = BitmapBox(client, c.percent, c.mode, 200, 200);
    EXPECT_EQ(got.left, c.want.left) << c.percent << " " << c.mode;
    EXPECT_EQ(got.top, c.want.top) << c.percent << " " << c.mode;
    EXPECT_EQ(got.right, c.want.right) << c.percent << " " << c.mode;
    EXPECT_EQ(got.bottom, c.want.bottom) << c.percent << " " << c.mode;
  }
}

TEST(BackgroundLayout, TilesCoverTheClientRoundedUp) {
  int32_t across = 0;
  int32_t down = 0;
  TileCounts(Box{0, 0, 1001, 800}, 100, 300, across, down);
  EXPECT_EQ(across, 11);
  EXPECT_EQ(down, 3);
}

TEST(BackgroundLayout, TextPositions) {
  const Box client{0, 0, 1000, 800};
  const struct {
    int32_t position, x, y;
  } cases[] = {{1, 10, 10}, {2, 447, 10}, {3, 884, 10}, {4, 10, 724}, {5, 447, 724}, {6, 884, 724}};
  for (const auto& c : cases) {
    int32_t x = 0;
    int32_t y = 0;
    PlaceText(client, c.position, 100, 60, 6, 10, x, y);
    EXPECT_EQ(x, c.x) << c.position;
    EXPECT_EQ(y, c.y) << c.position;
  }
  EXPECT_EQ(ShadowOffset(100, 130), 10);
  EXPECT_EQ(FontPixels(144, 26), 52);
}

TEST(BackgroundLayout, ProgressPlacementCodes) {
  const Box area{100, 50, 1100, 850};
  const struct {
    int32_t code, x, y;
  } cases[] = {
      {0, 500, 350},  // centred
      {1, 110, 60},   {2, 500, 60},   {3, 890, 60},
      {4, 110, 640},  {5, 500, 640},  {6, 890, 640},
      {7, 500, 350},  {-1, 500, 350},  // unknown codes centre
  };
  for (const auto& c : cases) {
    int32_t x = 0;
    int32_t y = 0;
    PlaceWindow(area, c.code, 200, 200, 10, x, y);
    EXPECT_EQ(x, c.x) << c.code;
    EXPECT_EQ(y, c.y) << c.code;
  }
}

}  // namespace
