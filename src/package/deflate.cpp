#include "package/deflate.h"

#include "core/string.h"

#if BX_LIBDEFLATE
#include <libdeflate.h>

#include <memory>
#else
#include <zlib.h>
#endif

namespace {

// Beyond the String's length and zlib's own bounds.
constexpr size_t kMaxDeflateInput = 0x7F000000;

const uint8_t kNothing = 0;

#if BX_LIBDEFLATE

// The host builder's compressor: libdeflate writes the same zlib stream that
// the runtime's zlib inflates, faster than zlib at the same level and smaller
// at the levels above 9.
size_t Compress(const uint8_t* data, size_t length, String* out, int level) {
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
      libdeflate_alloc_compressor(level), libdeflate_free_compressor);
  if (!compressor) return 0;
  const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), length);
  if (bound > 0x7FFFFFFF) return 0;
  out->SetLength(static_cast<int32_t>(bound));
  return libdeflate_zlib_compress(compressor.get(), length ? data : &kNothing, length, out->data(), bound);
}

#else

// The Windows build of the builder library (the end-to-end tests'), where
// no libdeflate exists: zlib's own compressor, the same stream format.
size_t Compress(const uint8_t* data, size_t length, String* out, int level) {
  uLong bound = compressBound(static_cast<uLong>(length));
  out->SetLength(static_cast<int32_t>(bound));
  uLongf written = bound;
  const int zlib_level = level > Z_BEST_COMPRESSION ? Z_BEST_COMPRESSION : level;
  if (compress2(out->data(), &written, length ? data : &kNothing, static_cast<uLong>(length), zlib_level) != Z_OK) {
    return 0;
  }
  return written;
}

#endif

}  // namespace

bool DeflateBuffer(const uint8_t* data, size_t length, String* out, int level) {
  out->Clear();
  if (length > kMaxDeflateInput || level < 0 || level > kMaxDeflateLevel) return false;
  const size_t written = Compress(data, length, out, level);
  if (written == 0) {
    out->Clear();
    return false;
  }
  out->SetLength(static_cast<int32_t>(written));
  return true;
}
