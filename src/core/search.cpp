#include "core/search.h"

#include "core/char_class.h"
#include "core/string.h"
#include "core/wildcard.h"

namespace {

uint32_t Unit(char c) { return static_cast<uint8_t>(c); }

// 8-bit text carries no known code page: only ASCII letters fold. UTF-16
// folds with the character-class mapping.
uint32_t Fold(char c) { return static_cast<uint8_t>(AsciiToLower(c)); }
uint32_t Fold(char16_t c) { return ToLowerChar(c); }

bool IsWord(char c, bool high_is_word) {
  const uint32_t u = Unit(c);
  if (u > 127) return high_is_word;
  return u == '_' || IsDigitChar(u) || IsAsciiLetter(u);
}

bool IsWord(char16_t c, bool high_is_word) { return (high_is_word && c > 127) || IsWordChar(c); }

int32_t Measure(const char* text) { return TextLength(text); }
int32_t Measure(const char16_t* text) { return TextLengthW(text); }

int32_t Wildcard(const char* text, int32_t length, const char* pattern, int32_t pattern_length, int32_t start,
                 uint32_t flags, int32_t* end) {
  return WildcardSearch(text, length, pattern, pattern_length, start, flags, end);
}
int32_t Wildcard(const char16_t* text, int32_t length, const char16_t* pattern, int32_t pattern_length,
                 int32_t start, uint32_t flags, int32_t* end) {
  return WildcardSearchW(text, length, pattern, pattern_length, start, flags, end);
}

template <class Char>
class Searcher {
 public:
  Searcher(const Char* text, int32_t length, const Char* pattern, int32_t pattern_length, uint32_t flags)
      : text_(text), length_(length), pattern_(pattern), pattern_length_(pattern_length), flags_(flags) {}

  int32_t match_length() const { return (flags_ & kSearchCharSet) ? 1 : pattern_length_; }

  int32_t Forward(int32_t start) const {
    const bool skip_quoted = flags_ & kSearchSkipQuoted;
    bool quoted = false;
    for (int32_t p = 0; p < start && skip_quoted; ++p) quoted ^= text_[p] == '"';
    for (int32_t p = start; match_length() <= length_ - p; ++p) {
      if (!quoted && MatchesAt(p)) return p;
      if (skip_quoted) quoted ^= text_[p] == '"';
    }
    return -1;
  }

  int32_t Backward(int32_t start) const {
    int32_t last = length_ - match_length();
    if (start >= 0 && start < last) last = start;
    if (flags_ & kSearchSkipQuoted) {
      // Whether a position lies inside quotes is known only from the front.
      int32_t found = -1;
      bool quoted = false;
      for (int32_t p = 0; p <= last; ++p) {
        if (!quoted && MatchesAt(p)) found = p;
        quoted ^= text_[p] == '"';
      }
      return found;
    }
    for (int32_t p = last; p >= 0; --p) {
      if (MatchesAt(p)) return p;
    }
    return -1;
  }

 private:
  bool Same(Char t, Char q) const {
    return t == q || ((flags_ & kSearchIgnoreCase) && Fold(t) == Fold(q));
  }

  bool InSet(Char c) const {
    for (int32_t i = 0; i < pattern_length_; ++i) {
      if (Same(c, pattern_[i])) return true;
    }
    return false;
  }

  bool RunMatches(int32_t p) const {
    const bool any = flags_ & kSearchQuestionMark;
    for (int32_t i = 0; i < pattern_length_; ++i) {
      const Char q = pattern_[i];
      if (!(any && q == '?') && !Same(text_[p + i], q)) return false;
    }
    return true;
  }

  bool AtWordBoundaries(int32_t p) const {
    const bool high = flags_ & kSearchHighIsWord;
    const int32_t end = p + match_length();
    return (p == 0 || !IsWord(text_[p - 1], high)) && (end >= length_ || !IsWord(text_[end], high));
  }

  bool MatchesAt(int32_t p) const {
    const bool found = (flags_ & kSearchCharSet) ? InSet(text_[p]) : RunMatches(p);
    return found && (!(flags_ & kSearchWholeWord) || AtWordBoundaries(p));
  }

  const Char* text_;
  int32_t length_;
  const Char* pattern_;
  int32_t pattern_length_;
  uint32_t flags_;
};

template <class Char>
int32_t SearchText(const Char* text, int32_t length, const Char* pattern, int32_t pattern_length,
                   int32_t start, uint32_t flags) {
  if (!text || !pattern) return -1;
  if (length < 0 || length == String::kToEnd) length = Measure(text);
  if (pattern_length < 0 || pattern_length == String::kToEnd) pattern_length = Measure(pattern);
  if (length == 0 || pattern_length == 0) return -1;
  const bool backward = flags & kSearchBackward;
  if (flags & kSearchWildcard) {
    if (backward) return -1;
    int32_t end = -1;
    const int32_t found = Wildcard(text, length, pattern, pattern_length, start < 0 ? 0 : start, flags, &end);
    return found >= 0 && (flags & kSearchReturnEnd) ? end : found;
  }
  const Searcher<Char> searcher(text, length, pattern, pattern_length, flags);
  const int32_t found = backward ? searcher.Backward(start) : searcher.Forward(start < 0 ? 0 : start);
  return found >= 0 && (flags & kSearchReturnEnd) ? found + searcher.match_length() : found;
}

}  // namespace

int32_t Search(const char* text, int32_t length, const char* pattern, int32_t pattern_length, int32_t start,
               uint32_t flags) {
  return SearchText(text, length, pattern, pattern_length, start, flags);
}

int32_t SearchW(const char16_t* text, int32_t length, const char16_t* pattern, int32_t pattern_length,
                int32_t start, uint32_t flags) {
  return SearchText(text, length, pattern, pattern_length, start, flags);
}
