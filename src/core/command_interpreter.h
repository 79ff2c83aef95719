// The command interpreter that batch files run under.
#pragma once

#include "core/string.h"

// The expanded %comspec% when it is set and not empty; otherwise
// "command.com" in the Windows folder on a Windows 9x-type system, else
// "cmd.exe" in the 32-bit system folder. UTF-16.
String CommandInterpreter();
