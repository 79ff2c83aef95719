// Numbered variants of a file name, for finding a free one: the caller
// repeats UniqueName until the name is not taken.
#pragma once

#include <cstdint>

#include "core/string.h"

enum UniqueNameOption : uint32_t {
  // The number is kept in parentheses: "report(3).txt".
  kUniqueParenthesized = 0x1,
  // The number goes at the end of the whole name, extension included.
  kUniqueWholeName = 0x2,
};

// Works a number into the UTF-16 name `path` and returns the number now in
// it. The name is split into base and extension at its last "." (a dot in a
// folder name does not count). When the base already ends in a number
// (digits; with kUniqueParenthesized, digits in parentheses) that number is
// increased by 1, keeping at least as many digits ("file09" -> "file10");
// otherwise `number` is appended ("file" -> "file2", "report" -> "report(2)").
int32_t UniqueName(String& path, int32_t number, uint32_t options = 0);
