#include <cstdio>

#include "core/fatal_fallback.h"

void ShowFatalWithoutDisplay(const char* text) {
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}
