#include "core/unique_name.h"

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Where the extension's dot is, or the length when there is none. Only a dot
// after the last folder separator starts an extension.
int32_t ExtensionStart(const String& path) {
  for (int32_t i = path.wlength() - 1; i >= 0; --i) {
    const char16_t c = path.AtW(i);
    if (c == u'.') return i;
    if (c == u'\\' || c == u'/') break;
  }
  return path.wlength();
}

// The start of the run of digits that ends at `end`.
int32_t DigitsStart(const String& text, int32_t end) {
  int32_t start = end;
  while (start > 0 && IsDigit(text.AtW(start - 1))) --start;
  return start;
}

// Adds 1 to the decimal digits text[start, end) in place, carrying into a new
// leading digit when all are nines, and returns the new value (capped at the
// largest 32-bit number; the text itself never overflows).
int32_t IncrementDigits(String& text, int32_t start, int32_t& end) {
  int32_t i = end - 1;
  for (; i >= start && text.AtW(i) == u'9'; --i) text.AtW(i) = u'0';
  if (i >= start) {
    ++text.AtW(i);
  } else {
    text.InsertW(start, u"1", 1);
    ++end;
  }
  int64_t value = 0;
  for (int32_t k = start; k < end; ++k) {
    value = value * 10 + (text.AtW(k) - u'0');
    if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
  }
  return static_cast<int32_t>(value);
}

void InsertNumber(String& text, int32_t position, int32_t number, bool parenthesized) {
  char16_t digits[16];
  int32_t count = 0;
  int64_t value = number < 0 ? -static_cast<int64_t>(number) : number;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value > 0);
  String inserted;
  if (parenthesized) inserted.AppendW(u'(');
  if (number < 0) inserted.AppendW(u'-');
  while (count > 0) inserted.AppendW(digits[--count]);
  if (parenthesized) inserted.AppendW(u')');
  text.InsertW(position, inserted.w_str(), inserted.wlength());
}

// The number rule applied to text[0, end): returns the number now there.
int32_t NumberBase(String& text, int32_t end, int32_t number, bool parenthesized) {
  if (!parenthesized) {
    const int32_t start = DigitsStart(text, end);
    if (start < end) return IncrementDigits(text, start, end);
    InsertNumber(text, end, number, false);
    return number;
  }
  if (end >= 3 && text.AtW(end - 1) == u')') {
    int32_t close = end - 1;
    const int32_t start = DigitsStart(text, close);
    if (start < close && start > 0 && text.AtW(start - 1) == u'(') return IncrementDigits(text, start, close);
  }
  InsertNumber(text, end, number, true);
  return number;
}

}  // namespace

int32_t UniqueName(String& path, int32_t number, uint32_t options) {
  const int32_t end = (options & kUniqueWholeName) ? path.wlength() : ExtensionStart(path);
  return NumberBase(path, end, number, (options & kUniqueParenthesized) != 0);
}
