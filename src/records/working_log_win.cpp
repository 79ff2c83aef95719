#include <windows.h>

#include "records/working_log.h"

bool StartWorkingLog(WorkingLog& log) {
  File& file = log.file;
  if (file.IsOpen()) return true;
  // Gone with the last handle however the run ends, a kill included; read
  // back through the same handle.
  return file.Open(String(), kOpenNewTemporary | kOpenDeleteOnClose) == kFileOk;
}

void EndWorkingLog(WorkingLog& log) {
  File& file = log.file;
  if (!file.IsOpen()) return;
  file.Close();
}
