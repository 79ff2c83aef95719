// Gathers what the crash report says about the fault and the system. Every
// part is best-effort: what cannot be found is left out.
#pragma once

#include "crash/crash_report.h"
#include "crash/exception_filter_win.h"

// `program` is the report's program line ("name version edition").
CrashFacts GatherCrashFacts(const CrashRecord& record, const String& program);
