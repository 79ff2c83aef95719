#include <windows.h>

#include "core/char_class.h"
#include "core/system_library_win.h"

namespace {

using IsCharFn = BOOL(WINAPI*)(WCHAR);
using MapCharFn = LPWSTR(WINAPI*)(LPWSTR);

IsCharFn g_is_lower;
IsCharFn g_is_upper;
IsCharFn g_is_alpha;
MapCharFn g_to_lower;
MapCharFn g_to_upper;

// user32 by its full system-folder path, so no DLL beside the installer is
// ever loaded in its place. It stays loaded for the life of the process.
HMODULE User32() {
  if (HMODULE loaded = GetModuleHandleW(L"user32.dll")) return loaded;
  static const SystemLibrary user32(L"user32.dll");
  return user32.module();
}

template <class Fn>
Fn Lookup(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

bool IsLower(char16_t c) { return g_is_lower(c) != FALSE; }
bool IsUpper(char16_t c) { return g_is_upper(c) != FALSE; }
bool IsAlpha(char16_t c) { return g_is_alpha(c) != FALSE; }

// A pointer value below 0x10000 asks CharLowerW/CharUpperW to map that one
// character and hand it back in the low word.
char16_t Map(MapCharFn fn, char16_t c) {
  return static_cast<char16_t>(reinterpret_cast<ULONG_PTR>(fn(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}
char16_t ToLower(char16_t c) { return Map(g_to_lower, c); }
char16_t ToUpper(char16_t c) { return Map(g_to_upper, c); }

}  // namespace

SystemCharClass LoadSystemCharClass() {
  const HMODULE user32 = User32();
  g_is_lower = Lookup<IsCharFn>(user32, "IsCharLowerW");
  g_is_upper = Lookup<IsCharFn>(user32, "IsCharUpperW");
  g_is_alpha = Lookup<IsCharFn>(user32, "IsCharAlphaW");
  g_to_lower = Lookup<MapCharFn>(user32, "CharLowerW");
  g_to_upper = Lookup<MapCharFn>(user32, "CharUpperW");
  SystemCharClass table{};
  if (g_is_lower) table.is_lower = IsLower;
  if (g_is_upper) table.is_upper = IsUpper;
  if (g_is_alpha) table.is_alpha = IsAlpha;
  if (g_to_lower) table.to_lower = ToLower;
  if (g_to_upper) table.to_upper = ToUpper;
  return table;
}
