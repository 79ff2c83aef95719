// A bitmap as the package carries it: a .bmp file image (or a bare
// device-independent bitmap), checked before anything draws from it.
#pragma once

#include <cstdint>

struct DibView {
  int32_t header_offset = 0;  // the BITMAPINFOHEADER
  int32_t bits_offset = 0;    // the pixel rows
  int32_t width = 0;
  int32_t height = 0;         // always positive; bottom-up or top-down alike
};

// False for bytes that are not a whole uncompressed bitmap of 1 to 32
// bits per pixel: a damaged bitmap is not painted rather than read past.
bool ParseDib(const uint8_t* data, int32_t size, DibView& view);
