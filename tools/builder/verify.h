// setup-builder verify: every check setup.exe makes of its own package, with
// its verdict in words.
#pragma once

#include <string>

#include "builder/installer_reader.h"

// 0 with "OK" and the counts, else 1 with the corrupt-package number that
// setup.exe would report and where the damage lies.
int VerifyInstaller(const ProgramFile& file, const ByteSpan& image, std::string* report);

// The failure line of a read: the corrupt-package number and its place, or
// what setup.exe would say instead (no package, another version).
std::string FailureText(const ReadOutcome& outcome);
