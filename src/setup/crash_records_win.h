// Where a crash report goes in an installation: the failure summary and, at
// once, "Install.log".
#pragma once

#include "core/string.h"
#include "package/run_product.h"
#include "records/journal.h"

void WriteCrashToRecords(const String& report);

// The crash handler's view of the run: its product and its journal, named
// once by the sequence (null for both when the run is over). The handler
// runs on the faulting thread and reaches nothing else; this is the one
// process-wide reference to a run's journal.
void SetCrashRecordsRun(const RunProduct* product, Journal* journal);
