// Where a crash report goes in an installation: the failure summary and, at
// once, "Install.log".
#pragma once

#include "core/string.h"

void WriteCrashToRecords(const String& report);
