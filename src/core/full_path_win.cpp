#include <windows.h>

#include "core/full_path.h"

String FullPathName(const String& path) {
  if (path.empty()) return String();
  const wchar_t* text = reinterpret_cast<const wchar_t*>(path.w_str());
  const DWORD needed = GetFullPathNameW(text, 0, nullptr, nullptr);
  if (needed == 0) return String();
  String full;
  full.SetLengthExact(static_cast<int32_t>(needed) * 2);
  const DWORD units = GetFullPathNameW(text, needed, reinterpret_cast<wchar_t*>(full.wdata()), nullptr);
  if (units == 0 || units >= needed) return String();
  full.TruncateAtW(static_cast<int32_t>(units));
  return full;
}
