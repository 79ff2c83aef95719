#include "core/format_engine.h"

#include <cstddef>
#include <type_traits>

#include "core/codepage.h"
#include "core/float_text.h"
#include "core/string.h"

namespace {

// The variable arguments, held so helpers can take them by reference on
// every ABI (va_list is an array type on some).
struct Args {
  va_list list;
};

template <class Char>
class Sink {
 public:
  Sink(Char* buffer, int64_t capacity) : buffer_(buffer), capacity_(buffer ? capacity : 0) {}

  void Put(Char c) {
    if (count_ < capacity_) buffer_[count_] = c;
    ++count_;
  }
  void Repeat(Char c, int64_t n) {
    for (int64_t i = 0; i < n; ++i) Put(c);
  }
  void PutUnits(const Char* text, int64_t n) {
    for (int64_t i = 0; i < n; ++i) Put(text[i]);
  }
  // Digits, signs and float texts are ASCII in both widths.
  void PutAscii(const char* text, int64_t n) {
    for (int64_t i = 0; i < n; ++i) Put(static_cast<Char>(static_cast<uint8_t>(text[i])));
  }
  int64_t count() const { return count_; }

 private:
  Char* buffer_;
  int64_t capacity_;
  int64_t count_ = 0;
};

enum class Size { kDefault, kChar, kShort, kLong, kLongLong, kSizeT, kIntMax, kPtrDiff, kInt32, kInt64, kLongDouble };

struct Directive {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int64_t width = 0;
  int64_t precision = -1;  // none
  Size size = Size::kDefault;
  bool narrow = false;  // h: the 8-bit text width
  bool wide = false;    // l: the UTF-16 text width
  uint32_t conversion = 0;
};

template <class Char>
int64_t ReadNumber(const Char*& p) {
  int64_t n = 0;
  while (*p >= '0' && *p <= '9') {
    if (n < 100000000) n = n * 10 + (*p - '0');
    ++p;
  }
  return n;
}

template <class Char>
void ReadSize(const Char*& p, Directive& directive) {
  switch (*p) {
    case 'h':
      directive.narrow = true;
      directive.size = p[1] == 'h' ? Size::kChar : Size::kShort;
      p += p[1] == 'h' ? 2 : 1;
      return;
    case 'l':
      directive.wide = true;
      directive.size = p[1] == 'l' ? Size::kLongLong : Size::kLong;
      p += p[1] == 'l' ? 2 : 1;
      return;
    case 'L':
      directive.size = Size::kLongDouble;
      ++p;
      return;
    case 'z':
      directive.size = Size::kSizeT;
      ++p;
      return;
    case 'j':
      directive.size = Size::kIntMax;
      ++p;
      return;
    case 't':
      directive.size = Size::kPtrDiff;
      ++p;
      return;
    case 'I':
      if (p[1] == '6' && p[2] == '4') {
        directive.size = Size::kInt64;
        p += 3;
      } else if (p[1] == '3' && p[2] == '2') {
        directive.size = Size::kInt32;
        p += 3;
      } else {
        directive.size = Size::kSizeT;
        ++p;
      }
      return;
    default:
      return;
  }
}

// Reads one conversion after its '%'. False when the format ends first.
template <class Char>
bool ReadDirective(const Char*& p, Args& args, Directive& directive) {
  for (;; ++p) {
    if (*p == '-') directive.left = true;
    else if (*p == '+') directive.plus = true;
    else if (*p == ' ') directive.space = true;
    else if (*p == '#') directive.alternate = true;
    else if (*p == '0') directive.zero = true;
    else break;
  }
  if (*p == '*') {
    ++p;
    const int width = va_arg(args.list, int);
    if (width < 0) directive.left = true;
    directive.width = width < 0 ? -static_cast<int64_t>(width) : width;
  } else {
    directive.width = ReadNumber(p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      ++p;
      const int precision = va_arg(args.list, int);
      directive.precision = precision < 0 ? -1 : precision;
    } else {
      directive.precision = ReadNumber(p);
    }
  }
  ReadSize(p, directive);
  if (*p == 0) return false;
  directive.conversion = static_cast<uint32_t>(*p++);
  return true;
}

// A field: sign or prefix, zeros, then the body, padded to the width.
template <class Char, class Body>
void PutField(Sink<Char>& sink, const Directive& directive, const char* prefix, int64_t prefix_length, int64_t zeros,
              int64_t body_length, Body put_body) {
  int64_t pad = directive.width - prefix_length - zeros - body_length;
  if (pad < 0) pad = 0;
  const bool zero_pad = directive.zero && !directive.left;
  if (!directive.left && !zero_pad) sink.Repeat(' ', pad);
  sink.PutAscii(prefix, prefix_length);
  if (zero_pad) sink.Repeat('0', pad);
  sink.Repeat('0', zeros);
  put_body();
  if (directive.left) sink.Repeat(' ', pad);
}

uint64_t FetchUnsigned(Args& args, Size size) {
  switch (size) {
    case Size::kChar: return static_cast<unsigned char>(va_arg(args.list, unsigned int));
    case Size::kShort: return static_cast<unsigned short>(va_arg(args.list, unsigned int));
    case Size::kLong: return va_arg(args.list, unsigned long);
    case Size::kLongLong:
    case Size::kLongDouble:
    case Size::kInt64: return va_arg(args.list, unsigned long long);
    case Size::kSizeT: return va_arg(args.list, size_t);
    case Size::kIntMax: return va_arg(args.list, uintmax_t);
    case Size::kPtrDiff: return static_cast<uint64_t>(va_arg(args.list, ptrdiff_t));
    case Size::kInt32:
    case Size::kDefault: break;
  }
  return va_arg(args.list, unsigned int);
}

int64_t FetchSigned(Args& args, Size size) {
  switch (size) {
    case Size::kChar: return static_cast<signed char>(va_arg(args.list, int));
    case Size::kShort: return static_cast<short>(va_arg(args.list, int));
    case Size::kLong: return va_arg(args.list, long);
    case Size::kLongLong:
    case Size::kLongDouble:
    case Size::kInt64: return va_arg(args.list, long long);
    case Size::kSizeT: return static_cast<int64_t>(va_arg(args.list, size_t));
    case Size::kIntMax: return va_arg(args.list, intmax_t);
    case Size::kPtrDiff: return va_arg(args.list, ptrdiff_t);
    case Size::kInt32:
    case Size::kDefault: break;
  }
  return va_arg(args.list, int);
}

// Digits of `value` in `base`, written backwards from the end of `digits`.
int64_t ToDigits(uint64_t value, unsigned base, bool upper, char* end) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  int64_t n = 0;
  do {
    *--end = set[value % base];
    value /= base;
    ++n;
  } while (value != 0);
  return n;
}

template <class Char>
void FormatInteger(Sink<Char>& sink, const Directive& directive, Args& args) {
  const uint32_t c = directive.conversion;
  const bool is_signed = c == 'd' || c == 'i';
  uint64_t magnitude;
  bool negative = false;
  if (is_signed) {
    const int64_t value = FetchSigned(args, directive.size);
    negative = value < 0;
    magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  } else {
    magnitude = FetchUnsigned(args, directive.size);
  }
  const unsigned base = c == 'o' ? 8 : (c == 'x' || c == 'X') ? 16 : 10;
  char digits[32];
  char* const end = digits + sizeof(digits);
  // Precision 0 with the value 0 prints no digits at all.
  int64_t count = (directive.precision == 0 && magnitude == 0) ? 0 : ToDigits(magnitude, base, c == 'X', end);
  int64_t zeros = directive.precision > count ? directive.precision - count : 0;
  if (base == 8 && directive.alternate && zeros == 0 && (count == 0 || end[-count] != '0')) zeros = 1;
  char prefix[3] = {};
  int64_t prefix_length = 0;
  if (negative) prefix[prefix_length++] = '-';
  else if (is_signed && directive.plus) prefix[prefix_length++] = '+';
  else if (is_signed && directive.space) prefix[prefix_length++] = ' ';
  if (base == 16 && directive.alternate && magnitude != 0) {
    prefix[prefix_length++] = '0';
    prefix[prefix_length++] = static_cast<char>(c);
  }
  Directive field = directive;
  field.zero = directive.zero && directive.precision < 0;  // a precision turns zero padding off
  PutField(sink, field, prefix, prefix_length, zeros, count, [&] { sink.PutAscii(end - count, count); });
}

template <class Char>
void FormatPointer(Sink<Char>& sink, const Directive& directive, Args& args) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(va_arg(args.list, void*));
  char digits[32];
  char* const end = digits + sizeof(digits);
  const int64_t count = ToDigits(value, 16, true, end);
  const int64_t zeros = static_cast<int64_t>(2 * sizeof(void*)) - count;
  Directive field = directive;
  field.zero = false;
  PutField(sink, field, "", 0, zeros, count, [&] { sink.PutAscii(end - count, count); });
}

// One floating-point conversion: the sign and, for %a, "0x" before any
// zero padding; infinity and NaN are never padded with zeros.
template <class Char>
void FormatFloat(Sink<Char>& sink, const Directive& directive, Args& args) {
  const long double value =
      directive.size == Size::kLongDouble ? va_arg(args.list, long double) : va_arg(args.list, double);
  const char conversion = static_cast<char>(directive.conversion);
  const FloatText text = FormatFloatText(value, conversion, directive.precision, directive.alternate);
  char prefix[3];
  int64_t prefix_length = 0;
  if (text.negative) prefix[prefix_length++] = '-';
  else if (directive.plus) prefix[prefix_length++] = '+';
  else if (directive.space) prefix[prefix_length++] = ' ';
  if (text.finite && (conversion == 'a' || conversion == 'A')) {
    prefix[prefix_length++] = '0';
    prefix[prefix_length++] = conversion == 'A' ? 'X' : 'x';
  }
  Directive field = directive;
  field.zero = directive.zero && text.finite;
  const int64_t length = text.body.length();
  PutField(sink, field, prefix, prefix_length, 0, length, [&] { sink.PutAscii(text.body.c_str(), length); });
}

template <class Source>
int64_t MeasureUpTo(const Source* text, int64_t limit) {
  int64_t n = 0;
  while ((limit < 0 || n < limit) && text[n]) ++n;
  return n;
}

// A text argument of the sink's own width, or converted through the ANSI
// code page when it has the other width.
template <class Char, class Source>
void PutText(Sink<Char>& sink, const Directive& directive, const Source* text, int64_t length) {
  if constexpr (std::is_same_v<Char, Source>) {
    if (directive.precision >= 0 && length > directive.precision) length = directive.precision;
    PutField(sink, directive, "", 0, 0, length, [&] { sink.PutUnits(text, length); });
  } else {
    String converted;
    const int32_t n = static_cast<int32_t>(length);
    if constexpr (std::is_same_v<Char, char>) {
      FromUtf16(text, n, converted, kCodePageAnsi, "?");
      PutText(sink, directive, converted.c_str(), converted.length());
    } else {
      ToUtf16(text, n, converted, kCodePageAnsi);
      PutText(sink, directive, converted.w_str(), converted.wlength());
    }
  }
}

// Whether a text or character conversion takes the 8-bit width.
template <class Char>
bool TakesNarrow(const Directive& directive) {
  const bool opposite = directive.conversion == 'S' || directive.conversion == 'C';
  if (directive.narrow) return true;
  if (directive.wide) return false;
  return std::is_same_v<Char, char> != opposite;
}

template <class Char>
void FormatText(Sink<Char>& sink, const Directive& directive, Args& args) {
  Directive field = directive;
  field.zero = false;
  if (TakesNarrow<Char>(directive)) {
    const char* text = va_arg(args.list, const char*);
    if (!text) text = "(null)";
    PutText(sink, field, text, MeasureUpTo(text, directive.precision));
  } else {
    const char16_t* text = va_arg(args.list, const char16_t*);
    if (!text) text = u"(null)";
    PutText(sink, field, text, MeasureUpTo(text, directive.precision));
  }
}

template <class Char>
void FormatCharacter(Sink<Char>& sink, const Directive& directive, Args& args) {
  Directive field = directive;
  field.zero = false;
  field.precision = -1;
  const int value = va_arg(args.list, int);
  if (TakesNarrow<Char>(directive)) {
    const char c = static_cast<char>(value);
    PutText(sink, field, &c, 1);
  } else {
    const char16_t c = static_cast<char16_t>(value);
    PutText(sink, field, &c, 1);
  }
}

template <class Char>
void FormatOne(Sink<Char>& sink, const Directive& directive, Args& args, const Char* spec_start, const Char* spec_end) {
  switch (directive.conversion) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return FormatInteger(sink, directive, args);
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      return FormatFloat(sink, directive, args);
    case 's': case 'S':
      return FormatText(sink, directive, args);
    case 'c': case 'C':
      return FormatCharacter(sink, directive, args);
    case 'p':
      return FormatPointer(sink, directive, args);
    case '%':
      return sink.Put('%');
    case 'n':
      // Writing through an argument is how format strings get exploited.
      (void)va_arg(args.list, void*);
      return;
    default:
      // Not a conversion: the text stands as written.
      return sink.PutUnits(spec_start, spec_end - spec_start);
  }
}

template <class Char>
int64_t RunFormat(Char* buffer, int64_t capacity, const Char* format, va_list list) {
  Sink<Char> sink(buffer, capacity);
  Args args;
  va_copy(args.list, list);
  for (const Char* p = format; p && *p;) {
    if (*p != '%') {
      sink.Put(*p++);
      continue;
    }
    const Char* start = p++;
    Directive directive;
    if (!ReadDirective(p, args, directive)) {
      sink.PutUnits(start, p - start);  // cut short by the end of the format
      break;
    }
    FormatOne(sink, directive, args, start, p);
  }
  va_end(args.list);
  return sink.count();
}

}  // namespace

int64_t FormatToBuffer(char* buffer, int64_t capacity, const char* format, va_list args) {
  return RunFormat(buffer, capacity, format, args);
}

int64_t FormatToBufferW(char16_t* buffer, int64_t capacity, const char16_t* format, va_list args) {
  return RunFormat(buffer, capacity, format, args);
}

int64_t VFormatTerminated(char* buffer, int64_t size, const char* format, va_list args) {
  if (buffer == nullptr || size <= 0) return RunFormat<char>(nullptr, 0, format, args);
  const int64_t length = RunFormat(buffer, size - 1, format, args);
  buffer[length < size - 1 ? length : size - 1] = '\0';
  return length;
}

int64_t FormatTerminated(char* buffer, int64_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int64_t length = VFormatTerminated(buffer, size, format, args);
  va_end(args);
  return length;
}
