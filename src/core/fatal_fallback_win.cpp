#include <windows.h>

#include <cstdio>

#include "core/fatal_fallback.h"
#include "core/show_message_win.h"

namespace {

bool HasStandardError() {
  HANDLE stream = GetStdHandle(STD_ERROR_HANDLE);
  return stream != nullptr && stream != INVALID_HANDLE_VALUE && GetFileType(stream) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void ShowFatalWithoutDisplay(const char* text) {
  if (HasStandardError()) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    return;
  }
  // Converted without allocating: the message may be the out-of-memory report.
  static wchar_t wide[4096];
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 4096) == 0) wide[0] = L'\0';
  wide[4095] = L'\0';
  ShowMessage(nullptr, reinterpret_cast<const char16_t*>(wide), u"Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
