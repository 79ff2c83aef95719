#include "core/float_text.h"

#include <cfloat>
#include <cstring>
#include <vector>

namespace {

// Beyond this many digits a precision is cut: the text would not fit a
// String long before (and no caller comes near).
constexpr int64_t kMaxPrecision = 1 << 20;

// |value| = mantissa × 2^exponent exactly, or a value that is not finite.
struct Binary {
  bool negative = false;
  bool infinite = false;
  bool nan = false;
  uint64_t mantissa = 0;
  int exponent = 0;
};

Binary DecomposeDouble(double value) {
  Binary b;
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  b.negative = (bits >> 63) != 0;
  b.mantissa = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) {
    b.nan = b.mantissa != 0;
    b.infinite = !b.nan;
  }
  if (biased != 0) b.mantissa |= uint64_t{1} << 52;
  b.exponent = (biased == 0 ? 1 : biased) - 1023 - 52;
  return b;
}

Binary Decompose(long double value) {
#if LDBL_MANT_DIG == 64
  // The x87 extended format: an explicit 64-bit mantissa, a 15-bit biased
  // exponent and the sign above it.
  Binary b;
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof bytes);
  std::memcpy(&b.mantissa, bytes, 8);
  const unsigned top = bytes[8] | (bytes[9] << 8);
  const int biased = static_cast<int>(top & 0x7FFF);
  b.negative = (top & 0x8000) != 0;
  if (biased == 0x7FFF) {
    b.nan = (b.mantissa << 1) != 0;
    b.infinite = !b.nan;
  }
  b.exponent = (biased == 0 ? 1 : biased) - 16383 - 63;
  return b;
#else
  return DecomposeDouble(static_cast<double>(value));  // long double is double here
#endif
}

// A natural number in base 10^9, least significant limb first.
class BigDecimal {
 public:
  explicit BigDecimal(uint64_t n) {
    do {
      limbs_.push_back(static_cast<uint32_t>(n % kBase));
      n /= kBase;
    } while (n != 0);
  }

  // Multiplies by base^count, `step` powers at a time (base^step < 2^32).
  void MultiplyPower(uint32_t base, int step, int count) {
    while (count > 0) {
      const int n = count < step ? count : step;
      uint32_t factor = 1;
      for (int i = 0; i < n; ++i) factor *= base;
      Multiply(factor);
      count -= n;
    }
  }

  // The decimal digits, without leading zeros.
  String Digits() const {
    String out;
    char limb[16];
    for (size_t i = limbs_.size(); i-- > 0;) {
      uint32_t v = limbs_[i];
      for (int d = 8; d >= 0; --d, v /= 10) limb[d] = static_cast<char>('0' + v % 10);
      int skip = 0;
      if (i + 1 == limbs_.size()) {
        while (skip < 8 && limb[skip] == '0') ++skip;
      }
      out.Append(limb + skip, 9 - skip);
    }
    return out;
  }

 private:
  static constexpr uint32_t kBase = 1000000000;

  void Multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs_) {
      const uint64_t v = uint64_t{limb} * factor + carry;
      limb = static_cast<uint32_t>(v % kBase);
      carry = v / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }

  std::vector<uint32_t> limbs_;
};

// value = 0.digits × 10^point; digits has no leading or trailing zero and
// is empty for zero.
struct Decimal {
  String digits;
  int point = 1;

  char At(int64_t i) const { return i >= 0 && i < digits.length() ? static_cast<char>(digits.At(static_cast<int32_t>(i))) : '0'; }
};

void TrimZeros(String& digits) {
  int32_t n = digits.length();
  while (n > 0 && digits.At(n - 1) == '0') --n;
  digits.TruncateAt(n);
}

Decimal Exact(const Binary& b) {
  Decimal d;
  if (b.mantissa == 0) return d;
  BigDecimal n(b.mantissa);
  int shift = 0;
  if (b.exponent >= 0) {
    n.MultiplyPower(2, 31, b.exponent);
  } else {
    // m / 2^k = m × 5^k / 10^k
    n.MultiplyPower(5, 13, -b.exponent);
    shift = -b.exponent;
  }
  d.digits = n.Digits();
  d.point = d.digits.length() - shift;
  TrimZeros(d.digits);
  return d;
}

// Rounds to the first `keep` digits, the exact tie to even.
void Round(Decimal& d, int64_t keep) {
  const int32_t n = d.digits.length();
  if (keep >= n) return;
  if (keep < 0) {
    d.digits.Clear();
    return;
  }
  const int32_t k = static_cast<int32_t>(keep);
  const char first = static_cast<char>(d.digits.At(k));
  const bool odd = k > 0 && (d.digits.At(k - 1) - '0') % 2 == 1;
  // Trailing zeros are trimmed: a digit after the first dropped one is not 0.
  const bool up = first > '5' || (first == '5' && (k + 1 < n || odd));
  d.digits.TruncateAt(k);
  if (!up) {
    TrimZeros(d.digits);
    return;
  }
  int32_t i = k - 1;
  while (i >= 0 && d.digits.At(i) == '9') --i;
  if (i < 0) {
    d.digits = "1";
    ++d.point;
    return;
  }
  d.digits.At(i) = static_cast<uint8_t>(d.digits.At(i) + 1);
  d.digits.TruncateAt(i + 1);
}

void AppendFraction(String& out, const Decimal& d, int64_t from, int64_t count, bool alternate) {
  if (count > 0 || alternate) out.Append('.');
  for (int64_t i = 0; i < count; ++i) out.Append(d.At(from + i));
}

// The exponent's letter, its sign and at least `min_digits` decimal digits.
void AppendExponent(String& out, char letter, int exponent, int min_digits) {
  out.Append(letter);
  out.Append(exponent < 0 ? '-' : '+');
  char digits[12];
  int n = 0;
  for (unsigned v = exponent < 0 ? 0u - exponent : exponent; v != 0 || n < min_digits; v /= 10) {
    digits[n++] = static_cast<char>('0' + v % 10);
  }
  while (n > 0) out.Append(digits[--n]);
}

void Fixed(Decimal d, int64_t precision, bool alternate, String& out) {
  Round(d, d.point + precision);
  if (d.digits.empty() || d.point <= 0) {
    out.Append('0');
  } else {
    for (int i = 0; i < d.point; ++i) out.Append(d.At(i));
  }
  AppendFraction(out, d, d.point, precision, alternate);
}

void Exponential(Decimal d, int64_t precision, bool alternate, String& out) {
  int exponent = 0;
  if (!d.digits.empty()) {
    Round(d, precision + 1);
    exponent = d.point - 1;
  }
  out.Append(d.At(0));
  AppendFraction(out, d, 1, precision, alternate);
  AppendExponent(out, 'e', exponent, 2);
}

// %g: the style that suits the exponent, trailing zeros dropped without '#'.
void General(const Decimal& d, int64_t precision, bool alternate, String& out) {
  const int64_t p = precision < 0 ? 6 : precision == 0 ? 1 : precision;
  Decimal rounded = d;
  int64_t exponent = 0;
  if (!d.digits.empty()) {
    Round(rounded, p);
    exponent = rounded.point - 1;
  }
  if (p > exponent && exponent >= -4) {
    Fixed(d, p - 1 - exponent, alternate, out);
  } else {
    Exponential(d, p - 1, alternate, out);
  }
  if (alternate || out.Find('.') < 0) return;
  const int32_t e = out.Find('e');
  const int32_t end = e < 0 ? out.length() : e;
  int32_t cut = end;
  while (out.At(cut - 1) == '0') --cut;
  if (out.At(cut - 1) == '.') --cut;
  out.Delete(cut, end - cut);
}

// %a: one hexadecimal digit before the point (1, or 0 for zero), the
// exponent of two in decimal.
void Hexadecimal(Binary b, int64_t precision, bool alternate, String& out) {
  int exponent = 0;
  unsigned lead = 0;
  uint64_t fraction = 0;  // 16 hexadecimal digits after the point
  if (b.mantissa != 0) {
    while ((b.mantissa >> 63) == 0) {
      b.mantissa <<= 1;
      --b.exponent;
    }
    lead = 1;
    fraction = b.mantissa << 1;
    exponent = b.exponent + 63;
  }
  int64_t digits = 16;
  if (precision < 0) {
    while (digits > 0 && (fraction & 0xF) == 0 && fraction != 0) {
      fraction >>= 4;
      --digits;
    }
    if (fraction == 0) digits = 0;
  } else if (precision < 16) {
    const int dropped = static_cast<int>(64 - 4 * precision);
    const uint64_t kept = dropped == 64 ? 0 : fraction >> dropped;
    const uint64_t rest = dropped == 64 ? fraction : fraction << (64 - dropped);
    const uint64_t half = uint64_t{1} << 63;
    const bool odd = (dropped == 64 ? lead : kept) & 1;
    const bool up = rest > half || (rest == half && odd);
    fraction = kept + (up ? 1 : 0);
    digits = precision;
    if (digits == 0 ? up : (fraction >> (4 * digits)) != 0) {
      ++lead;  // the carry reaches the leading digit
      fraction = digits == 0 ? 0 : fraction & ((uint64_t{1} << (4 * digits)) - 1);
    }
  }
  static const char kHex[] = "0123456789abcdef";
  out.Append(kHex[lead]);
  if (digits > 0 || alternate || precision > 0) out.Append('.');
  for (int64_t i = digits - 1; i >= 0; --i) out.Append(kHex[(fraction >> (4 * i)) & 0xF]);
  for (int64_t i = digits; i < precision; ++i) out.Append('0');
  AppendExponent(out, 'p', exponent, 1);
}

// Orders two non-negative decimals.
int Compare(const Decimal& a, const Decimal& b) {
  if (a.digits.empty() || b.digits.empty()) return (a.digits.empty() ? 0 : 1) - (b.digits.empty() ? 0 : 1);
  if (a.point != b.point) return a.point < b.point ? -1 : 1;
  const int32_t n = a.digits.length() < b.digits.length() ? a.digits.length() : b.digits.length();
  const int c = std::memcmp(a.digits.c_str(), b.digits.c_str(), static_cast<size_t>(n));
  if (c != 0) return c < 0 ? -1 : 1;
  return a.digits.length() == b.digits.length() ? 0 : (a.digits.length() < b.digits.length() ? -1 : 1);
}

double FromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Sign, digits with an optional point, an optional exponent: the magnitude
// as a decimal. Exponents beyond any double are clamped.
Decimal ParseDecimal(const char* p, bool* negative) {
  Decimal d;
  *negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  int64_t point = 0;
  bool seen_point = false;
  for (; (*p >= '0' && *p <= '9') || (*p == '.' && !seen_point); ++p) {
    if (*p == '.') {
      seen_point = true;
    } else if (*p != '0' || !d.digits.empty()) {
      d.digits.Append(*p);
      if (!seen_point) ++point;
    } else if (seen_point) {
      --point;  // a zero before the first significant digit
    }
  }
  if (*p == 'e' || *p == 'E') {
    ++p;
    const bool down = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    int64_t exponent = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
      if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
    }
    point += down ? -exponent : exponent;
  }
  TrimZeros(d.digits);
  d.point = static_cast<int>(point < -200000 ? -200000 : point > 200000 ? 200000 : point);
  return d;
}

}  // namespace

double ReadDecimalReal(const char* text) {
  bool negative = false;
  const Decimal target = ParseDecimal(text, &negative);
  // The largest double not above the target, found over the ordered bit
  // patterns of the non-negative doubles; infinity stands above them all.
  const uint64_t kInfinity = 0x7FF0000000000000u;
  uint64_t low = 0;
  uint64_t high = kInfinity;
  while (high - low > 1) {
    const uint64_t middle = low + (high - low) / 2;
    (Compare(Exact(DecomposeDouble(FromBits(middle))), target) <= 0 ? low : high) = middle;
  }
  uint64_t bits = low;
  const Binary below = DecomposeDouble(FromBits(low));
  if (Compare(Exact(below), target) < 0) {
    // Halfway to the next double: (2m + 1) × 2^(e - 1), ties to the even one.
    Binary half = below;
    half.mantissa = 2 * below.mantissa + 1;
    --half.exponent;
    const int c = Compare(target, Exact(half));
    if (c > 0 || (c == 0 && (low & 1) != 0)) ++bits;
  }
  const double magnitude = FromBits(bits);
  return negative ? -magnitude : magnitude;
}

FloatText FormatFloatText(long double value, char conversion, int64_t precision, bool alternate) {
  FloatText text;
  const Binary b = Decompose(value);
  text.negative = b.negative;
  const bool upper = conversion >= 'A' && conversion <= 'Z';
  const char lower = static_cast<char>(upper ? conversion - 'A' + 'a' : conversion);
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  if (b.infinite || b.nan) {
    text.finite = false;
    text.body = b.nan ? "nan" : "inf";
  } else if (lower == 'a') {
    Hexadecimal(b, precision, alternate, text.body);
  } else {
    const Decimal d = Exact(b);
    if (lower == 'e') Exponential(d, precision < 0 ? 6 : precision, alternate, text.body);
    else if (lower == 'g') General(d, precision, alternate, text.body);
    else Fixed(d, precision < 0 ? 6 : precision, alternate, text.body);
  }
  if (upper) {
    for (int32_t i = 0; i < text.body.length(); ++i) {
      uint8_t& c = text.body.At(i);
      if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    }
  }
  return text;
}
