// The install sequence: one strictly ordered run from the loaded package to
// the process exit, listed as a table of stages in install_sequence_win.cpp.
// Every refusal and the normal end leave through the common exit with code 1.
#pragma once

struct InstallRun;

// `run` holds the package and the product read from it.
[[noreturn]] void RunInstallSequence(InstallRun& run);
