// Host stand-in of the system converter: UTF-8, Windows-1252 (which also
// serves as the ANSI code page) and Latin-1. It keeps the Win32 contract that
// the portable layer relies on, including the refusal of flags for UTF-8.
// There is no best-fit mapping: characters 1252 cannot hold become the default.
#include "core/codepage.h"

namespace codepage_system {
namespace {

constexpr uint32_t kErrInvalidChars = 0x8;    // MB_ERR_INVALID_CHARS
constexpr uint32_t kWcErrInvalidChars = 0x80;  // WC_ERR_INVALID_CHARS

// Windows-1252 0x80-0x9F; the five unassigned bytes map to their C1 controls.
constexpr char16_t kWestern80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

enum class Kind { kWestern, kLatin1, kUtf8, kUnknown };

Kind KindOf(uint32_t code_page) {
  switch (code_page) {
    case 0:
    case 1252:
    case 20127:
      return Kind::kWestern;
    case 28591:
      return Kind::kLatin1;
    case 65001:
      return Kind::kUtf8;
    default:
      return Kind::kUnknown;
  }
}

// Writes into a bounded buffer, or only counts when there is none.
template <class Unit>
struct Output {
  Unit* out;
  int32_t capacity;
  int32_t count = 0;
  bool overflow = false;
  void Put(uint32_t unit) {
    if (out) {
      if (count >= capacity) {
        overflow = true;
        return;
      }
      out[count] = static_cast<Unit>(unit);
    }
    ++count;
  }
};

// One UTF-8 sequence at *i; malformed input gives U+FFFD for its first byte.
uint32_t DecodeUtf8(const uint8_t* s, int32_t n, int32_t* i) {
  const uint32_t lead = s[*i];
  int32_t extra;
  if (lead < 0x80) {
    extra = 0;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
  } else {
    ++*i;
    return 0xFFFD;
  }
  if (extra > n - *i - 1) {  // cut short by the end of the text
    ++*i;
    return 0xFFFD;
  }
  uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int32_t k = 1; k <= extra; ++k) {
    const uint32_t next = s[*i + k];
    if ((next & 0xC0) != 0x80) {
      ++*i;
      return 0xFFFD;
    }
    c = (c << 6) | (next & 0x3F);
  }
  const uint32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
  if ((extra && c < minimum) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++*i;
    return 0xFFFD;
  }
  *i += extra + 1;
  return c;
}

uint32_t WesternToUnicode(uint8_t b) { return b >= 0x80 && b <= 0x9F ? kWestern80[b - 0x80] : b; }

int32_t UnicodeToWestern(uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int32_t>(c);
  for (int32_t i = 0; i < 32; ++i) {
    if (kWestern80[i] == c) return 0x80 + i;
  }
  return -1;
}

int32_t Refuse(uint32_t code, uint32_t* error) {
  *error = code;
  return 0;
}

}  // namespace

int32_t MultiByteToWide(uint32_t code_page, uint32_t flags, const char* source, int32_t bytes,
                        char16_t* out, int32_t out_units, uint32_t* error) {
  *error = 0;
  const Kind kind = KindOf(code_page);
  if (kind == Kind::kUnknown || !source || bytes == 0 || (out && out_units < 0)) {
    return Refuse(kErrorInvalidParameter, error);
  }
  if (kind == Kind::kUtf8 ? (flags & ~kErrInvalidChars) != 0 : (flags & ~(kPrecomposed | kErrInvalidChars)) != 0) {
    return Refuse(kErrorInvalidFlags, error);
  }
  const uint8_t* s = reinterpret_cast<const uint8_t*>(source);
  const int32_t n = bytes < 0 ? TextLength(source) + 1 : bytes;
  Output<char16_t> output{out_units ? out : nullptr, out_units};
  for (int32_t i = 0; i < n;) {
    uint32_t c = s[i];
    if (kind == Kind::kUtf8) {
      c = DecodeUtf8(s, n, &i);
    } else {
      if (kind == Kind::kWestern) c = WesternToUnicode(s[i]);
      ++i;
    }
    if (c >= 0x10000) {
      output.Put(0xD800 + ((c - 0x10000) >> 10));
      output.Put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      output.Put(c);
    }
  }
  if (output.overflow) return Refuse(kErrorInsufficientBuffer, error);
  return output.count;
}

int32_t WideToMultiByte(uint32_t code_page, uint32_t flags, const char16_t* source, int32_t units,
                        char* out, int32_t out_bytes, const char* default_char, uint32_t* error) {
  *error = 0;
  const Kind kind = KindOf(code_page);
  if (kind == Kind::kUnknown || !source || units == 0 || (out && out_bytes < 0)) {
    return Refuse(kErrorInvalidParameter, error);
  }
  if (kind == Kind::kUtf8) {
    if ((flags & ~kWcErrInvalidChars) != 0) return Refuse(kErrorInvalidFlags, error);
    if (default_char) return Refuse(kErrorInvalidParameter, error);
  } else if ((flags & ~(kCompositeCheck | kNoBestFitChars)) != 0) {
    return Refuse(kErrorInvalidFlags, error);
  }
  const int32_t n = units < 0 ? TextLengthW(source) + 1 : units;
  const uint8_t fallback = default_char && *default_char ? static_cast<uint8_t>(*default_char) : '?';
  Output<char> output{out_bytes ? out : nullptr, out_bytes};
  for (int32_t i = 0; i < n; ++i) {
    uint32_t c = source[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < n && source[i + 1] >= 0xDC00 && source[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (source[++i] - 0xDC00u);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    if (kind != Kind::kUtf8) {
      const int32_t b = kind == Kind::kWestern ? UnicodeToWestern(c) : (c <= 0xFF ? static_cast<int32_t>(c) : -1);
      output.Put(b < 0 ? fallback : static_cast<uint32_t>(b));
    } else if (c < 0x80) {
      output.Put(c);
    } else if (c < 0x800) {
      output.Put(0xC0 | (c >> 6));
      output.Put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      output.Put(0xE0 | (c >> 12));
      output.Put(0x80 | ((c >> 6) & 0x3F));
      output.Put(0x80 | (c & 0x3F));
    } else {
      output.Put(0xF0 | (c >> 18));
      output.Put(0x80 | ((c >> 12) & 0x3F));
      output.Put(0x80 | ((c >> 6) & 0x3F));
      output.Put(0x80 | (c & 0x3F));
    }
  }
  if (output.overflow) return Refuse(kErrorInsufficientBuffer, error);
  return output.count;
}

}  // namespace codepage_system
