// Wildcard search in memory: the search routine's kSearchWildcard mode.
#pragma once

#include <cstdint>

// Finds a wildcard pattern (portions between single '*', "**" a literal star)
// in `text` from `start`, with the search flags kSearchIgnoreCase,
// kSearchQuestionMark and kSearchStarSpansLines. Lengths are already measured.
// Returns the position of the first portion's match and sets *match_end just
// past the last portion's match, or returns -1.
int32_t WildcardSearch(const char* text, int32_t length, const char* pattern, int32_t pattern_length,
                       int32_t start, uint32_t flags, int32_t* match_end);
int32_t WildcardSearchW(const char16_t* text, int32_t length, const char16_t* pattern,
                        int32_t pattern_length, int32_t start, uint32_t flags, int32_t* match_end);
