// The one search routine behind every find operation, for 8-bit and UTF-16
// text with the same rules.
#pragma once

#include <cstdint>

enum SearchFlags : uint32_t {
  kSearchIgnoreCase = 0x1,
  // The match may not touch a word character ('_', digit, letter) on either side.
  kSearchWholeWord = 0x2,
  // '?' in the pattern matches any one character.
  kSearchQuestionMark = 0x4,
  // Matches may not begin between double quotes.
  kSearchSkipQuoted = 0x10,
  // From the start position (or the end) towards the beginning.
  kSearchBackward = 0x20,
  // Return the position just after the match.
  kSearchReturnEnd = 0x2000,
  // The pattern is a set: find the first character that belongs to it.
  kSearchCharSet = 0x4000,
  // The pattern is a wildcard pattern (see wildcard.h); never backwards.
  kSearchWildcard = 0x80000,
  // With kSearchWholeWord every character above 127 counts as a word character.
  kSearchHighIsWord = 0x100000,
  // In wildcard patterns '*' may also span line breaks.
  kSearchStarSpansLines = 0x200000,
};

// Finds `pattern` in `text` and returns the position of the match (in
// characters) or -1. A length of -1 or String::kToEnd measures the text up to
// its terminator; an empty text or pattern finds nothing. Forward searches
// start at `start`; backward ones find the last match that begins at or
// before `start` (a negative start or one past the text: from the end).
int32_t Search(const char* text, int32_t length, const char* pattern, int32_t pattern_length,
               int32_t start, uint32_t flags);
int32_t SearchW(const char16_t* text, int32_t length, const char16_t* pattern, int32_t pattern_length,
                int32_t start, uint32_t flags);
