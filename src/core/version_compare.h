// Order of version texts such as "1.2", "2.1a" or "10.0.19041".
#pragma once

// Each text is read as numbers separated by points; a letter ends the list
// and is kept as a suffix, any other character just ends it. Numbers are
// compared in order; when one list ends first it is the smaller; when both end
// together the suffix decides (none is smallest; letters ignore case).
// So 1.2 < 1.2.0 and 2.1 < 2.1a < 2.1b. Returns -1, 0 or +1.
int CompareVersions(const char* a, const char* b);
int CompareVersionsW(const char16_t* a, const char16_t* b);
