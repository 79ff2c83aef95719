#include "core/format.h"

#include <cstring>
#include <utility>

#include "core/format_engine.h"

namespace {

constexpr int32_t kFirstPass = 16384;

int64_t Engine(char* buffer, int64_t capacity, const char* format, va_list args) {
  return FormatToBuffer(buffer, capacity, format, args);
}
int64_t Engine(char16_t* buffer, int64_t capacity, const char16_t* format, va_list args) {
  return FormatToBufferW(buffer, capacity, format, args);
}

// Formats into a local buffer first; a result that does not fit is formatted
// again into a string of its full size. The result is built apart from `out`
// and only then moved in, because arguments may point into `out`.
template <class Char>
int32_t FormatInto(String& out, bool append, const Char* format, va_list args) {
  constexpr int64_t unit = sizeof(Char);
  const int32_t keep = append ? out.length() : 0;
  Char buffer[kFirstPass];
  const int64_t count = Engine(buffer, kFirstPass, format, args);
  if (count * unit > String::kToEnd - 2 - keep) return -1;
  const int32_t bytes = static_cast<int32_t>(count * unit);
  if (count < kFirstPass) {
    out.Replace(keep, String::kToEnd, buffer, bytes);
    return static_cast<int32_t>(count);
  }
  String result;
  result.SetLength(keep + bytes);
  if (keep > 0) std::memcpy(result.data(), out.c_str(), static_cast<size_t>(keep));
  Engine(reinterpret_cast<Char*>(result.data() + keep), count, format, args);
  out = std::move(result);
  return static_cast<int32_t>(count);
}

}  // namespace

int32_t VFormatString(String& out, const char* format, va_list args) { return FormatInto(out, false, format, args); }

int32_t VFormatStringW(String& out, const char16_t* format, va_list args) {
  return FormatInto(out, false, format, args);
}

int32_t VAppendFormat(String& out, const char* format, va_list args) { return FormatInto(out, true, format, args); }

int32_t VAppendFormatW(String& out, const char16_t* format, va_list args) {
  return FormatInto(out, true, format, args);
}

int32_t FormatString(String& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int32_t n = VFormatString(out, format, args);
  va_end(args);
  return n;
}

int32_t FormatStringW(String& out, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int32_t n = VFormatStringW(out, format, args);
  va_end(args);
  return n;
}

int32_t AppendFormat(String& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int32_t n = VAppendFormat(out, format, args);
  va_end(args);
  return n;
}

int32_t AppendFormatW(String& out, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int32_t n = VAppendFormatW(out, format, args);
  va_end(args);
  return n;
}

String Format(const char* format, ...) {
  String out;
  va_list args;
  va_start(args, format);
  VFormatString(out, format, args);
  va_end(args);
  return out;
}

String FormatW(const char16_t* format, ...) {
  String out;
  va_list args;
  va_start(args, format);
  VFormatStringW(out, format, args);
  va_end(args);
  return out;
}
