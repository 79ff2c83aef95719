// The working log as the tests of the actions read it back.
#pragma once

#include <string>

#include "core/file.h"
#include "core/scratch_folder_wintest.h"
#include "records/working_log.h"
#include "testkit/files.h"

// The log written so far, through a copy at `copy` (a scratch file).
inline std::string WorkingLogText(WorkingLog& log, const std::wstring& copy) {
  File out;
  if (out.Open(U16(copy), kOpenCreateOrTruncate) != kFileOk) return "<no copy>";
  CopyWorkingLog(log, out);
  out.Close();
  return testkit::ReadFileBytes(copy).value_or("<unreadable>");
}
