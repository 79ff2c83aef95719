#include <windows.h>

#include "core/system_error_text.h"

namespace system_error {

bool LookUp(uint32_t error, String* text) {
  const DWORD saved = GetLastError();
  wchar_t* buffer = nullptr;
  const DWORD units = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (units > 0) text->AssignW(reinterpret_cast<const char16_t*>(buffer), static_cast<int32_t>(units));
  if (buffer) LocalFree(buffer);
  // Asking for a text must not change the error being reported.
  SetLastError(saved);
  return units > 0;
}

uint32_t Last() { return GetLastError(); }

}  // namespace system_error
