// Where a crash report goes in an installation: the failure summary and, at
// once, "Install.log".
#pragma once

#include "core/string.h"
#include "package/run_product.h"

void WriteCrashToRecords(const String& report);

// The crash handler's view of the run's product, named once by the sequence:
// the handler runs on the faulting thread and reaches nothing else.
void SetCrashRecordsProduct(const RunProduct* product);
