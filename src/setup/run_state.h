// Process-wide state of the entry: the command line and the titles used
// until the package supplies its own.
#pragma once

#include "core/string.h"
#include "setup/command_line.h"

struct RunState {
  CommandLine args;
  String title;         // UTF-16 product title, "Bastionix Setup" until the package is read
  String title_narrow;  // the same in the ANSI code page
};

RunState& TheRun();
