#include <windows.h>

#include "core/codepage.h"

namespace codepage_system {

int32_t MultiByteToWide(uint32_t code_page, uint32_t flags, const char* source, int32_t bytes,
                        char16_t* out, int32_t out_units, uint32_t* error) {
  const int n = MultiByteToWideChar(code_page, flags, source, bytes, reinterpret_cast<wchar_t*>(out), out_units);
  *error = n ? 0 : GetLastError();
  return n;
}

int32_t WideToMultiByte(uint32_t code_page, uint32_t flags, const char16_t* source, int32_t units,
                        char* out, int32_t out_bytes, const char* default_char, uint32_t* error) {
  const int n = WideCharToMultiByte(code_page, flags, reinterpret_cast<const wchar_t*>(source), units, out,
                                    out_bytes, default_char, nullptr);
  *error = n ? 0 : GetLastError();
  return n;
}

}  // namespace codepage_system
