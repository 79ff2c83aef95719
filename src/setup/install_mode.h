// Install mode: finds the package in the program's own file and runs the
// install sequence. Returns false when the file carries no package.
#pragma once

bool RunInstallMode();
