// String's find members: thin calls of the search routine.
#include "core/search.h"
#include "core/string.h"

int32_t String::Find(char c, int32_t start) const { return Search(c_str(), length_, &c, 1, start, 0); }

int32_t String::Find(const char* text, int32_t start, uint32_t flags) const {
  return Search(c_str(), length_, text, kToEnd, start, flags);
}

int32_t String::FindLast(char c, int32_t start) const {
  return Search(c_str(), length_, &c, 1, start, kSearchBackward);
}

int32_t String::FindLast(const char* text, int32_t start, uint32_t flags) const {
  return Search(c_str(), length_, text, kToEnd, start, flags | kSearchBackward);
}

int32_t String::FindAnyOf(const char* set, int32_t start) const {
  return Search(c_str(), length_, set, kToEnd, start, kSearchCharSet);
}

int32_t String::FindW(char16_t c, int32_t start) const { return SearchW(w_str(), wlength(), &c, 1, start, 0); }

int32_t String::FindW(const char16_t* text, int32_t start, uint32_t flags) const {
  return SearchW(w_str(), wlength(), text, kToEnd, start, flags);
}

int32_t String::FindLastW(char16_t c, int32_t start) const {
  return SearchW(w_str(), wlength(), &c, 1, start, kSearchBackward);
}

int32_t String::FindLastW(const char16_t* text, int32_t start, uint32_t flags) const {
  return SearchW(w_str(), wlength(), text, kToEnd, start, flags | kSearchBackward);
}

int32_t String::FindAnyOfW(const char16_t* set, int32_t start) const {
  return SearchW(w_str(), wlength(), set, kToEnd, start, kSearchCharSet);
}
