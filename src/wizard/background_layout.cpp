#include "wizard/background_layout.h"

Box BitmapBox(const Box& client, int32_t percent, int32_t stretch_mode, int32_t bitmap_width, int32_t bitmap_height) {
  const int64_t width = static_cast<int64_t>(client.width()) * percent / 100;
  const int64_t height = static_cast<int64_t>(client.height()) * percent / 100;
  const int32_t centre_x = client.left + client.width() / 2;
  const int32_t centre_y = client.top + client.height() / 2;
  int64_t w = width;
  int64_t h = height;
  if (stretch_mode == 1 && bitmap_width > 0 && bitmap_height > 0) {
    // Fit: the side that limits decides the scale.
    if (width * bitmap_height <= height * bitmap_width) {
      h = width * bitmap_height / bitmap_width;
    } else {
      w = height * bitmap_width / bitmap_height;
    }
  } else if (stretch_mode == 2) {
    w = bitmap_width;
    h = bitmap_height;
  }
  Box box;
  box.left = centre_x - static_cast<int32_t>(w / 2);
  box.top = centre_y - static_cast<int32_t>(h / 2);
  box.right = box.left + static_cast<int32_t>(w);
  box.bottom = box.top + static_cast<int32_t>(h);
  return box;
}

void TileCounts(const Box& client, int32_t bitmap_width, int32_t bitmap_height, int32_t& across, int32_t& down) {
  across = bitmap_width > 0 ? (client.width() + bitmap_width - 1) / bitmap_width : 0;
  down = bitmap_height > 0 ? (client.height() + bitmap_height - 1) / bitmap_height : 0;
}

void PlaceText(const Box& client, int32_t position, int32_t text_width, int32_t text_height, int32_t shadow,
               int32_t margin, int32_t& x, int32_t& y) {
  switch ((position - 1) % 3) {
    case 0:
      x = client.left + margin;
      break;
    case 1:
      x = client.left + (client.width() - text_width - shadow) / 2;
      break;
    default:
      x = client.right - text_width - shadow - margin;
      break;
  }
  y = position >= 4 ? client.bottom - text_height - shadow - margin : client.top + margin;
}

void PlaceWindow(const Box& area, int32_t code, int32_t width, int32_t height, int32_t margin, int32_t& x,
                 int32_t& y) {
  if (code >= 1 && code <= 6) {
    PlaceText(area, code, width, height, 0, margin, x, y);
    return;
  }
  x = area.left + (area.width() - width) / 2;
  y = area.top + (area.height() - height) / 2;
}
