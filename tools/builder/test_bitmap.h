// A .bmp file of one colour for the picture tests: 24 bits per pixel,
// bottom-up rows padded to four bytes, as paint programs save it.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "package/byte_order.h"

inline String MakeTestBitmap(int32_t width, int32_t height, uint32_t rgb) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3u + 3u) & ~3u;
  const uint32_t bits = 14u + 40u;
  String bitmap;
  bitmap.SetLength(static_cast<int32_t>(bits + stride * static_cast<uint32_t>(height)));
  uint8_t* b = bitmap.data();
  b[0] = 'B';
  b[1] = 'M';
  StoreLe32(b + 2, static_cast<uint32_t>(bitmap.length()));
  StoreLe32(b + 10, bits);
  StoreLe32(b + 14, 40);
  StoreLe32(b + 18, static_cast<uint32_t>(width));
  StoreLe32(b + 22, static_cast<uint32_t>(height));
  StoreLe16(b + 26, 1);   // planes
  StoreLe16(b + 28, 24);  // bits per pixel
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = b + bits + stride * static_cast<uint32_t>(y);
    for (int32_t x = 0; x < width; ++x) {
      row[x * 3] = static_cast<uint8_t>(rgb);
      row[x * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(rgb >> 16);
    }
  }
  return bitmap;
}
