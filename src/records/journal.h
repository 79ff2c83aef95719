// The run's journal: what one run writes down while it works. The run's
// owner (install mode or uninstall mode) holds it for the whole run and hands
// it to every step that logs, reports a failure, records what it created or
// leaves work for the next restart; nothing below the owner reaches a journal
// of its own. Two journals never share anything.
#pragma once

#include "records/failure_summary.h"
#include "records/uninstall_records.h"
#include "records/working_log.h"

struct Journal {
  WorkingLog log;            // the working log (log_writers.h writes to it)
  FailureSummary failures;   // what went wrong; any entry makes the run a failure
  UninstallRecords records;  // what the run created, for "Uninstall.DAT"
  // This run left work for the next restart: noted by whatever staged a file
  // for it, read by the owner, which then asks for the restart as for the
  // product's ask-restart flag (ProductFlags bit 14) and records that bit in
  // the Uninstall key.
  bool restart_needed = false;
};
