// zlib compression for the builder: the inverse of InflateBuffer.
#pragma once

#include <cstddef>
#include <cstdint>

class String;

// Replaces *out with the zlib stream (RFC 1950, 15-bit window) of the data at
// the given level (0-9). Fails only when zlib does or the result would not
// fit a String.
bool DeflateBuffer(const uint8_t* data, size_t length, String* out, int level = 9);
