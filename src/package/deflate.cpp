#include "package/deflate.h"

#include <zlib.h>

#include "core/string.h"

bool DeflateBuffer(const uint8_t* data, size_t length, String* out, int level) {
  out->Clear();
  if (length > 0x7F000000) return false;
  uLong bound = compressBound(static_cast<uLong>(length));
  out->SetLength(static_cast<int32_t>(bound));
  uLongf written = bound;
  static const uint8_t kNothing = 0;
  int rc = compress2(out->data(), &written, length ? data : &kNothing, static_cast<uLong>(length),
                     level);
  if (rc != Z_OK) {
    out->Clear();
    return false;
  }
  out->SetLength(static_cast<int32_t>(written));
  return true;
}
