#include "core/wildcard.h"

#include <utility>

#include "core/search.h"

namespace {

String PortionText(const char* text, int32_t length) { return String(text, length); }
String PortionText(const char16_t* text, int32_t length) { return String(text, length); }

int32_t Units(const String& text, const char*) { return text.length(); }
int32_t Units(const String& text, const char16_t*) { return text.wlength(); }

template <class Char>
Vector<WildcardA_Portion> Split(const Char* pattern, int32_t length) {
  Vector<WildcardA_Portion> portions;
  String* current = &portions.Emplace().text;
  int32_t run = 0;  // start of the characters not yet copied into the portion
  auto flush = [&](int32_t end) {
    String piece = PortionText(pattern + run, end - run);
    current->Append(piece);
  };
  for (int32_t i = 0; i < length; ++i) {
    if (pattern[i] != '*') continue;
    if (i + 1 < length && pattern[i + 1] == '*') {
      flush(i + 1);  // keeps one star of the pair
      run = i + 2;
      ++i;
      continue;
    }
    flush(i);
    run = i + 1;
    current = &portions.Emplace().text;
  }
  flush(length);
  return portions;
}

int32_t SearchPortion(const char* text, int32_t length, const String& portion, int32_t from, uint32_t flags) {
  return Search(text, length, portion.c_str(), portion.length(), from, flags);
}
int32_t SearchPortion(const char16_t* text, int32_t length, const String& portion, int32_t from,
                      uint32_t flags) {
  return SearchW(text, length, portion.w_str(), portion.wlength(), from, flags);
}

// Finds the portions in order, trying later matches of an earlier portion
// when a later one cannot follow it.
template <class Char>
class Matcher {
 public:
  Matcher(const Char* text, int32_t length, const Vector<WildcardA_Portion>& portions, uint32_t flags)
      : text_(text),
        length_(length),
        portions_(portions),
        portion_flags_(flags & (kSearchIgnoreCase | kSearchQuestionMark)),
        spans_lines_((flags & kSearchStarSpansLines) != 0) {
    found_.Resize(portions.Count());
  }

  // Returns the position of the first non-empty portion, or -1.
  int32_t Run(int32_t start) {
    int32_t first = 0;
    while (first < portions_.Count() && PortionLength(first) == 0) ++first;
    if (first == portions_.Count()) {
      if (start > length_) return -1;
      for (int32_t i = 0; i < first; ++i) Record(i, start);
      return start;
    }
    if (Match(first, start, first) != kFound) return -1;
    // Leading empty portions stand where the first real one was found.
    for (int32_t i = 0; i < first; ++i) Record(i, found_[first].position);
    return found_[first].position;
  }

  Vector<WildcardA_Occurrence>& found() { return found_; }
  int32_t end() const {
    const WildcardA_Occurrence& last = found_.Last();
    return last.position + last.length;
  }

 private:
  // kRetry: a later match of an earlier portion may still succeed. kNever:
  // a portion is missing from the rest of the text, so no later attempt can.
  enum Outcome { kFound, kRetry, kNever };

  int32_t PortionLength(int32_t i) const { return Units(portions_[i].text, static_cast<const Char*>(nullptr)); }

  void Record(int32_t i, int32_t position) {
    found_[i].position = position;
    found_[i].length = PortionLength(i);
  }

  bool HasLineBreak(int32_t from, int32_t to) const {
    for (int32_t k = from; k < to; ++k) {
      if (text_[k] == '\r' || text_[k] == '\n') return true;
    }
    return false;
  }

  // Matches portion i and all after it, beginning at `from`. Portion `first`
  // may begin anywhere; later ones only skip text without line breaks
  // (unless stars span lines).
  Outcome Match(int32_t i, int32_t from, int32_t first) {
    if (i == portions_.Count()) return kFound;
    const int32_t length = PortionLength(i);
    if (length == 0) {
      Record(i, from);
      return Match(i + 1, from, first);
    }
    const String& portion = portions_[i].text;
    for (int32_t at = from;; ++at) {
      const int32_t position = SearchPortion(text_, length_, portion, at, portion_flags_);
      if (position < 0) return kNever;
      // A later match would skip still more text, so the break stays in it.
      if (i > first && !spans_lines_ && HasLineBreak(from, position)) return kRetry;
      Record(i, position);
      const Outcome rest = Match(i + 1, position + length, first);
      if (rest != kRetry) return rest;
      at = position;
    }
  }

  const Char* text_;
  int32_t length_;
  const Vector<WildcardA_Portion>& portions_;
  uint32_t portion_flags_;
  bool spans_lines_;
  Vector<WildcardA_Occurrence> found_;
};

template <class Char>
int32_t Find(const Char* text, int32_t length, const Vector<WildcardA_Portion>& portions, int32_t start,
             uint32_t flags, Vector<WildcardA_Occurrence>* occurrences, int32_t* match_end) {
  if (!text || length < 0 || portions.IsEmpty() || (flags & kSearchBackward)) return -1;
  if (start < 0) start = 0;
  Matcher<Char> matcher(text, length, portions, flags);
  const int32_t position = matcher.Run(start);
  if (position < 0) return -1;
  if (match_end) *match_end = matcher.end();
  if (occurrences) *occurrences = std::move(matcher.found());
  return position;
}

}  // namespace

Vector<WildcardA_Portion> SplitWildcard(const char* pattern, int32_t length) { return Split(pattern, length); }

Vector<WildcardA_Portion> SplitWildcardW(const char16_t* pattern, int32_t length) {
  return Split(pattern, length);
}

int32_t FindWildcard(const char* text, int32_t length, const Vector<WildcardA_Portion>& portions, int32_t start,
                     uint32_t flags, Vector<WildcardA_Occurrence>* occurrences) {
  return Find(text, length, portions, start, flags, occurrences, nullptr);
}

int32_t FindWildcardW(const char16_t* text, int32_t length, const Vector<WildcardA_Portion>& portions,
                      int32_t start, uint32_t flags, Vector<WildcardA_Occurrence>* occurrences) {
  return Find(text, length, portions, start, flags, occurrences, nullptr);
}

int32_t WildcardSearch(const char* text, int32_t length, const char* pattern, int32_t pattern_length,
                       int32_t start, uint32_t flags, int32_t* match_end) {
  return Find(text, length, SplitWildcard(pattern, pattern_length), start, flags, nullptr, match_end);
}

int32_t WildcardSearchW(const char16_t* text, int32_t length, const char16_t* pattern, int32_t pattern_length,
                        int32_t start, uint32_t flags, int32_t* match_end) {
  return Find(text, length, SplitWildcardW(pattern, pattern_length), start, flags, nullptr, match_end);
}
