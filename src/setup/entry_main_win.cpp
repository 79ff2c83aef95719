#include <windows.h>

#include "core/system_library_win.h"
#include "setup/entry_win.h"
#include "setup/import_binding_main_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a library: never from the installer's own folder.
  RestrictDllSearchToSystem();
  // What the system loader reports for a missing library or function.
  constexpr int kEntryPointNotFound = static_cast<int>(0xC0000139);
  if (!BindSystemImports()) return kEntryPointNotFound;
  RunEntry(instance);
}
