#include "core/string_compare.h"

#include "core/char_class.h"

namespace {

uint32_t Same(uint32_t c) { return c; }
uint32_t AsciiLower(uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }
uint32_t AsciiUpper(uint32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

uint32_t Unit(char c) { return static_cast<uint8_t>(c); }
uint32_t Unit(char16_t c) { return c; }

int Sign(int64_t difference) { return difference < 0 ? -1 : difference > 0 ? 1 : 0; }

// Order of two runs after folding each unit; the shorter run sorts first
// when it is the start of the other.
template <class Char>
int OrderRuns(const Char* a, int32_t a_count, const Char* b, int32_t b_count, uint32_t (*fold)(uint32_t)) {
  const int32_t common = a_count < b_count ? a_count : b_count;
  for (int32_t i = 0; i < common; ++i) {
    const uint32_t x = fold(Unit(a[i]));
    const uint32_t y = fold(Unit(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return Sign(static_cast<int64_t>(a_count) - b_count);
}

template <class Char>
int ComparePattern(const Char* text, const Char* pattern, int32_t count, uint32_t (*fold)(uint32_t)) {
  for (int32_t i = 0; i < count; ++i) {
    if (pattern[i] == '?') continue;
    const uint32_t x = fold(Unit(text[i]));
    const uint32_t y = fold(Unit(pattern[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

uint32_t LowerMapping(uint32_t c) { return ToLowerChar(c); }
uint32_t UpperMapping(uint32_t c) { return ToUpperChar(c); }

}  // namespace

int Compare(const String& a, const String& b) {
  return OrderRuns(a.c_str(), a.length(), b.c_str(), b.length(), Same);
}

int CompareW(const String& a, const String& b) {
  return OrderRuns(a.w_str(), a.wlength(), b.w_str(), b.wlength(), Same);
}

int CompareNoCase(const char* a, int32_t a_bytes, const char* b, int32_t b_bytes) {
  return OrderRuns(a, a_bytes, b, b_bytes, AsciiLower);
}

int CompareNoCase(const String& a, const String& b) {
  return CompareNoCase(a.c_str(), a.length(), b.c_str(), b.length());
}

int CompareNoCaseW(const char16_t* a, int32_t a_units, const char16_t* b, int32_t b_units) {
  if (!a || !b) return a ? 1 : b ? -1 : 0;
  if (a_units < 0) a_units = 0;
  if (b_units < 0) b_units = 0;
  const int system = SystemCompareNoCaseW(a, a_units, b, b_units);
  if (system >= -1 && system <= 1) return system;
  return OrderRuns(a, a_units, b, b_units, LowerMapping);
}

int CompareNoCaseW(const char16_t* a, const char16_t* b, int32_t count) {
  if (!a || !b) return a ? 1 : b ? -1 : 0;
  if (count <= 0) return 0;
  return CompareNoCaseW(a, count, b, count);
}

int CompareNoCaseW(const String& a, const String& b) {
  return CompareNoCaseW(a.w_str(), a.wlength(), b.w_str(), b.wlength());
}

int PatternCompare(const char* text, const char* pattern, int32_t count) {
  return ComparePattern(text, pattern, count, Same);
}

int PatternCompareNoCase(const char* text, const char* pattern, int32_t count) {
  return ComparePattern(text, pattern, count, AsciiUpper);
}

int PatternCompareW(const char16_t* text, const char16_t* pattern, int32_t count) {
  return ComparePattern(text, pattern, count, Same);
}

int PatternCompareNoCaseW(const char16_t* text, const char16_t* pattern, int32_t count) {
  return ComparePattern(text, pattern, count, UpperMapping);
}

// String's equality and prefix members: lengths first, then the characters.

bool String::Equals(const char* text) const {
  const int32_t n = TextLength(text);
  return n == length_ && OrderRuns(c_str(), n, text, n, Same) == 0;
}

bool String::EqualsNoCase(const char* text) const {
  const int32_t n = TextLength(text);
  return n == length_ && OrderRuns(c_str(), n, text, n, AsciiLower) == 0;
}

bool String::EqualsW(const char16_t* text) const {
  const int32_t n = TextLengthW(text);
  return n == wlength() && OrderRuns(w_str(), n, text, n, Same) == 0;
}

bool String::EqualsNoCaseW(const char16_t* text) const {
  const int32_t n = TextLengthW(text);
  return n == wlength() && CompareNoCaseW(w_str(), text, n) == 0;
}

bool String::StartsWith(const char* text, bool ignore_case) const {
  const int32_t n = TextLength(text);
  return n <= length_ && OrderRuns(c_str(), n, text, n, ignore_case ? AsciiLower : Same) == 0;
}

bool String::EndsWith(const char* text, bool ignore_case) const {
  const int32_t n = TextLength(text);
  return n <= length_ && OrderRuns(c_str() + length_ - n, n, text, n, ignore_case ? AsciiLower : Same) == 0;
}

bool String::StartsWithW(const char16_t* text, bool ignore_case) const {
  const int32_t n = TextLengthW(text);
  if (n > wlength()) return false;
  return ignore_case ? CompareNoCaseW(w_str(), text, n) == 0 : OrderRuns(w_str(), n, text, n, Same) == 0;
}

bool String::EndsWithW(const char16_t* text, bool ignore_case) const {
  const int32_t n = TextLengthW(text);
  if (n > wlength()) return false;
  const char16_t* tail = w_str() + wlength() - n;
  return ignore_case ? CompareNoCaseW(tail, text, n) == 0 : OrderRuns(tail, n, text, n, Same) == 0;
}
