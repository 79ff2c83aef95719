// A small icon file for the branding tests: one square 32-bit image of one
// colour, with its AND mask, as an ".ico" file holds it.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "package/byte_order.h"

inline String MakeTestIcon(uint32_t bgra, uint8_t size = 16) {
  const uint32_t mask_row = (size + 31u) / 32u * 4u;
  const uint32_t image = 40u + size * size * 4u + mask_row * size;
  String icon;
  icon.SetLength(static_cast<int32_t>(6 + 16 + image));
  uint8_t* b = icon.data();
  StoreLe16(b + 2, 1);
  StoreLe16(b + 4, 1);
  b[6] = size;
  b[7] = size;
  StoreLe16(b + 10, 1);   // planes
  StoreLe16(b + 12, 32);  // bits per pixel
  StoreLe32(b + 14, image);
  StoreLe32(b + 18, 22);
  uint8_t* header = b + 22;
  StoreLe32(header, 40);
  StoreLe32(header + 4, size);
  StoreLe32(header + 8, size * 2u);  // colour and mask rows
  StoreLe16(header + 12, 1);
  StoreLe16(header + 14, 32);
  for (uint32_t i = 0; i < uint32_t{size} * size; ++i) StoreLe32(header + 40 + i * 4, bgra);
  return icon;
}

// The image bytes of a MakeTestIcon file (what RT_ICON holds).
inline String TestIconImage(const String& icon) {
  return String(icon.c_str() + 22, icon.length() - 22);
}
