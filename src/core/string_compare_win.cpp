#include <windows.h>

#include "core/string_compare.h"

int SystemCompareNoCaseW(const char16_t* a, int32_t a_units, const char16_t* b, int32_t b_units) {
  // The invariant locale keeps the order the same on every system.
  const int result = CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE | SORT_STRINGSORT,
                                    reinterpret_cast<const wchar_t*>(a), a_units,
                                    reinterpret_cast<const wchar_t*>(b), b_units);
  return result == 0 ? 2 : result - 2;
}
