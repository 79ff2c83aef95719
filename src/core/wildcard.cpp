#include "core/wildcard.h"

// Placeholder until wildcard matching lands: every wildcard search fails.
int32_t WildcardSearch(const char*, int32_t, const char*, int32_t, int32_t, uint32_t, int32_t*) { return -1; }

int32_t WildcardSearchW(const char16_t*, int32_t, const char16_t*, int32_t, int32_t, uint32_t, int32_t*) {
  return -1;
}
