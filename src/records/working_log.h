// The working log: the temporary UTF-8 file to which every install action
// appends its lines while the installation runs. At the end it is copied
// into "Install.log" under a header (install_log.h), then closed and deleted.
#pragma once

#include <cstdint>

#include "core/file.h"

struct WorkingLog {
  // The temporary file, open for reading and writing while the log runs
  // (host tests attach a memory stream instead).
  File file;
};

// Whether lines are being kept: the log was started and not yet ended.
bool WorkingLogIsOpen(const WorkingLog& log);

// Appends UTF-8 bytes at the end. Lines written while the log is not open
// are dropped; a failed write is not reported (the log must never stop an
// installation).
void AppendToWorkingLog(WorkingLog& log, const void* utf8, int32_t bytes);

// Copies everything logged so far to the position of `out`; the log itself
// goes on at its end. False when the log is not open or a read or write
// fails.
bool CopyWorkingLog(WorkingLog& log, File& out);

// Platform (working_log_win.cpp).
// Creates the temporary file (the file layer's temporary form, no name,
// deleted by the system when its handle closes, however the process ends); the
// caller has the common exit end the log (EndWorkingLog). False, with the
// system's last error, when no temporary file can be made.
bool StartWorkingLog(WorkingLog& log);
// Closes the log and deletes its file; harmless when it is not open.
void EndWorkingLog(WorkingLog& log);
