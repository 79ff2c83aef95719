// zlib compression for the builder: the inverse of InflateBuffer.
#pragma once

#include <cstddef>
#include <cstdint>

class String;

// Levels run from 0 (stored) to kMaxDeflateLevel (smallest, slowest); the
// host builder's libdeflate takes them all, zlib (the Windows build of the
// builder library) codes those above 9 at 9.
inline constexpr int kMaxDeflateLevel = 12;
// What the builder codes file data, settings and pictures at. With
// libdeflate, 7 is smaller than zlib's 9 by 1 to 3 % at a third of its time
// on text-like data and half of it on incompressible data; 9 would win
// another 1 % at 2.4 times 7's time.
inline constexpr int kBuilderDeflateLevel = 7;

// Replaces *out with the zlib stream (RFC 1950, 15-bit window) of the data at
// the given level. Fails only when the compressor does, the level is out of
// range or the result would not fit a String.
bool DeflateBuffer(const uint8_t* data, size_t length, String* out, int level = kBuilderDeflateLevel);
