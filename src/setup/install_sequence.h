// The install sequence: one strictly ordered run from the loaded package to
// the process exit. Every refusal and the normal end leave through the common
// exit with code 1.
#pragma once

struct OwnPackage;

[[noreturn]] void RunInstallSequence(OwnPackage& package);

// Shows message n as an error box (the error-box rules decide whether it
// appears) and exits with code 1.
[[noreturn]] void RefuseWithMessage(int n);
