// The program's entry: prepares the process, reads the command line and runs
// the uninstaller or the installer. Never returns: every end goes through the
// common exit.
#pragma once

#include <windows.h>

[[noreturn]] void RunEntry(HINSTANCE instance);
