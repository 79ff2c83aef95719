#include <windows.h>

#include "core/system_library_win.h"
#include "setup/entry_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a library: never from the installer's own folder.
  RestrictDllSearchToSystem();
  RunEntry(instance);
}
