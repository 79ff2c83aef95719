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
// libdeflate, 8 is within 0.2 % of 9's size at 0.7 times its time, and
// smaller than zlib's 9 by 2 to 4 % at half its time (text-like data).
inline constexpr int kBuilderDeflateLevel = 8;

// Replaces *out with the zlib stream (RFC 1950, 15-bit window) of the data at
// the given level. Fails only when the compressor does, the level is out of
// range or the result would not fit a String.
bool DeflateBuffer(const uint8_t* data, size_t length, String* out, int level = kBuilderDeflateLevel);
