// setup-builder extract: every packaged file written under a folder, laid
// out as installed.
#pragma once

#include <string>

#include "builder/installer_reader.h"

// Where a destination (installer_reader.h's form) lands below the output
// folder, parts separated by "/" (UTF-8): the install folder's files at the
// top, other folders under their variable ("%SystemDir%/x.dll"), absolute
// paths under "%Drive_C%/..." or "%Network%/server/share/...". False when a
// part would leave the folder, by the installer's own rule for entry names.
bool ExtractedPath(const String& destination, std::string* relative);

// Writes the files with their dates; on damage, the files read before it
// stay and the damaged one goes. The exit code (0 or 1) and the report.
int ExtractInstaller(const ProgramFile& file, const ByteSpan& image, const std::string& folder, std::string* report);
