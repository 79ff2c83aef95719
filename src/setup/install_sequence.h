// The install sequence: one strictly ordered run from the loaded package to
// the process exit. Every refusal and the normal end leave through the common
// exit with code 1.
#pragma once

#include "core/string.h"

struct OwnPackage;

[[noreturn]] void RunInstallSequence(OwnPackage& package);

// Shows message n as an error box (the error-box rules decide whether it
// appears) and exits with code 1.
[[noreturn]] void RefuseWithMessage(int n);
// The same with a text of its own.
[[noreturn]] void RefuseWithText(const String& text);

// Whether a folder exists (a file of that name does not count).
bool FolderExists(const String& folder);
