// String's trimming members and TakeUpToW.
#include <utility>

#include "core/string.h"

namespace {

template <class Char>
bool InSet(Char c, const Char* set) {
  for (; set && *set; ++set) {
    if (*set == c) return true;
  }
  return false;
}

// The span of text left after removing set characters at the chosen ends.
template <class Char>
void KeptSpan(const Char* text, int32_t count, const Char* set, bool start, bool end, int32_t* begin_out,
              int32_t* end_out) {
  int32_t begin = 0;
  int32_t stop = count;
  while (start && begin < stop && InSet(text[begin], set)) ++begin;
  while (end && stop > begin && InSet(text[stop - 1], set)) --stop;
  *begin_out = begin;
  *end_out = stop;
}

// The end of a kept text that includes the character found at `at`; -1
// (nothing to cut, and a refused position) when there was none.
int32_t Through(int32_t at) { return at < 0 ? -1 : at + 1; }

}  // namespace

void String::Trim(const char* set) {
  TrimEnd(set);
  TrimStart(set);
}

void String::TrimStart(const char* set) {
  int32_t begin, end;
  KeptSpan(c_str(), length_, set, true, false, &begin, &end);
  Delete(0, begin);
}

void String::TrimEnd(const char* set) {
  int32_t begin, end;
  KeptSpan(c_str(), length_, set, false, true, &begin, &end);
  TruncateAt(end);
}

void String::TrimW(const char16_t* set) {
  TrimEndW(set);
  TrimStartW(set);
}

void String::TrimStartW(const char16_t* set) {
  int32_t begin, end;
  KeptSpan(w_str(), wlength(), set, true, false, &begin, &end);
  DeleteW(0, begin);
}

void String::TrimEndW(const char16_t* set) {
  int32_t begin, end;
  KeptSpan(w_str(), wlength(), set, false, true, &begin, &end);
  TruncateAtW(end);
}

bool String::TrimAtFirst(char c) { return TruncateAt(Find(c)); }

bool String::TrimAtLast(char c) { return TruncateAt(FindLast(c)); }

bool String::TrimAfterFirst(char c) { return TruncateAt(Through(Find(c))); }

bool String::TrimAfterLast(char c) { return TruncateAt(Through(FindLast(c))); }

bool String::TrimAtFirstW(char16_t c) { return TruncateAtW(FindW(c)); }

bool String::TrimAtLastW(char16_t c) { return TruncateAtW(FindLastW(c)); }

bool String::TrimAfterFirstW(char16_t c) { return TruncateAtW(Through(FindW(c))); }

bool String::TrimAfterLastW(char16_t c) { return TruncateAtW(Through(FindLastW(c))); }

String String::TakeUpToW(char16_t separator) {
  const int32_t at = FindW(separator);
  if (at < 0) return std::move(*this);
  String taken(w_str(), at);
  DeleteW(0, at + 1);
  return taken;
}
