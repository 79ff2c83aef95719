// zlib decompression of package data (RFC 1950 streams, 15-bit window), fed
// in 16 KiB pieces so that no second copy of the compressed input is needed.
#pragma once

#include <cstddef>
#include <cstdint>

class String;

inline constexpr size_t kInflatePiece = 16384;
// The most a String can receive, less room for one more output chunk.
inline constexpr size_t kMaxInflateOutput = 0x7FFFFFFF - 2 * kInflatePiece;

struct InflateProgress {
  // Called after an input piece once at least 201 ms have passed since the
  // last call (or the start), with the input bytes consumed so far, the total
  // input and the output so far in bits. Returning true aborts.
  bool (*report)(void* context, uint64_t consumed, uint64_t total, uint64_t output_bits) = nullptr;
  void* context = nullptr;
  // Milliseconds from any fixed origin; null means the steady clock.
  uint64_t (*now_ms)(void* context) = nullptr;
};

// Replaces *output with the decompressed stream. Fails (output emptied) when
// zlib finds the stream damaged, when the input ends before the stream does,
// when the output would grow beyond max_output bytes (a guard against
// decompression bombs) or when the progress callback aborts. Bytes after the
// end of the stream are ignored.
bool InflateBuffer(const uint8_t* input, size_t length, size_t max_output, String* output,
                   const InflateProgress* progress = nullptr);
