#include "core/string_split.h"

#include "core/search.h"

namespace {

int32_t Length(const char* text) { return TextLength(text); }
int32_t Length(const char16_t* text) { return TextLengthW(text); }
int32_t Find(const char* text, int32_t length, const char* separator, int32_t start) {
  return Search(text, length, separator, String::kToEnd, start, 0);
}
int32_t Find(const char16_t* text, int32_t length, const char16_t* separator, int32_t start) {
  return SearchW(text, length, separator, String::kToEnd, start, 0);
}
String Part(const char* text, int32_t count) { return String(text, count); }
String Part(const char16_t* text, int32_t count) { return String(text, count); }

template <class Char>
Array<String> SplitText(const Char* text, int32_t length, const Char* separator) {
  Array<String> parts;
  if (length == 0) return parts;
  const int32_t step = Length(separator);
  int32_t start = 0;
  for (int32_t at; step > 0 && (at = Find(text, length, separator, start)) >= 0; start = at + step) {
    parts.Add(Part(text + start, at - start));
  }
  parts.Add(Part(text + start, length - start));
  return parts;
}

}  // namespace

Array<String> Split(const String& text, const char* separator) {
  return SplitText(text.c_str(), text.length(), separator);
}

Array<String> SplitW(const String& text, const char16_t* separator) {
  return SplitText(text.w_str(), text.wlength(), separator);
}
