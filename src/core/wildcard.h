// Wildcard patterns in memory: the search routine's kSearchWildcard mode.
//
// A pattern is cut at every single '*' into portions; "**" stands for one
// literal '*' inside its portion. Inside a portion '?' matches any one
// character when kSearchQuestionMark is given. The portions must be found in
// order, each after the previous one; unless kSearchStarSpansLines the text
// skipped between two portions may not hold CR or LF. The search is not
// anchored: a pattern is found anywhere in the text.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// The text between two single stars, "**" already turned into '*'. Bytes for
// 8-bit patterns, UTF-16 units for the W forms.
struct WildcardA_Portion {
  String text;
};

// Where one portion was found: position and length in characters (bytes or
// UTF-16 units).
struct WildcardA_Occurrence {
  int32_t position = -1;
  int32_t length = 0;
};

// Cuts a pattern into its portions. A pattern with n single stars gives n + 1
// portions, empty ones included ("*a" gives "" and "a").
Vector<WildcardA_Portion> SplitWildcard(const char* pattern, int32_t length);
Vector<WildcardA_Portion> SplitWildcardW(const char16_t* pattern, int32_t length);

// Finds the portions in `text` from `start`, honouring kSearchIgnoreCase,
// kSearchQuestionMark and kSearchStarSpansLines of `flags`. Returns the
// position of the first non-empty portion's match (or `start` when every
// portion is empty) and, when `occurrences` is given, replaces its content
// with one entry per portion; -1 when the pattern is not found. Empty
// portions match where they stand, without skipping text.
int32_t FindWildcard(const char* text, int32_t length, const Vector<WildcardA_Portion>& portions, int32_t start,
                     uint32_t flags, Vector<WildcardA_Occurrence>* occurrences);
int32_t FindWildcardW(const char16_t* text, int32_t length, const Vector<WildcardA_Portion>& portions,
                      int32_t start, uint32_t flags, Vector<WildcardA_Occurrence>* occurrences);

// The search routine's hook: lengths are already measured. Returns the
// position of the match and sets *match_end just past the last portion's
// match, or returns -1.
int32_t WildcardSearch(const char* text, int32_t length, const char* pattern, int32_t pattern_length,
                       int32_t start, uint32_t flags, int32_t* match_end);
int32_t WildcardSearchW(const char16_t* text, int32_t length, const char16_t* pattern,
                        int32_t pattern_length, int32_t start, uint32_t flags, int32_t* match_end);
