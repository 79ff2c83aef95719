// Where the background window puts its bitmap, title and copyright line:
// the arithmetic, apart from the drawing.
#pragma once

#include <cstdint>

struct Box {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};

// The area the bitmap is drawn into for stretch modes 0 (stretch), 1 (fit,
// keeping the aspect ratio) and 2 (natural size, centred): the client scaled
// by `percent` / 100 about its centre, then the mode applied.
Box BitmapBox(const Box& client, int32_t percent, int32_t stretch_mode, int32_t bitmap_width, int32_t bitmap_height);

// How many copies across and down cover the client when tiling.
void TileCounts(const Box& client, int32_t bitmap_width, int32_t bitmap_height, int32_t& across, int32_t& down);

// The title's shadow offset for a shadow depth and a font height in pixels.
inline int32_t ShadowOffset(int32_t depth, int32_t font_height) { return depth * font_height / 1300; }

// Font height in pixels for a size in points at `dpi`.
inline int32_t FontPixels(int32_t dpi, int32_t points) { return dpi * points / 72; }

// The smallest size a title shrinks to while it does not fit.
inline constexpr int32_t kSmallestTitlePoints = 6;

// The top-left corner of a text of the given size for positions 1-6 (1-3
// top left, centre, right; 4-6 the same at the bottom).
void PlaceText(const Box& client, int32_t position, int32_t text_width, int32_t text_height, int32_t shadow,
               int32_t margin, int32_t& x, int32_t& y);

// Where a window of the given size goes in `area` for the progress page's
// placement code: 1-6 as the title positions, any other value centred.
void PlaceWindow(const Box& area, int32_t code, int32_t width, int32_t height, int32_t margin, int32_t& x,
                 int32_t& y);
