#include <windows.h>

#include "core/file_ops.h"
#include "records/working_log.h"

bool StartWorkingLog(WorkingLog& log) {
  File& file = log.file;
  if (file.IsOpen()) return true;
  if (file.Open(String(), kOpenNewTemporary) != kFileOk) return false;
  return true;
}

void EndWorkingLog(WorkingLog& log) {
  File& file = log.file;
  if (!file.IsOpen()) return;
  const String name = file.wname();
  file.Close();
  DeleteFile(name.w_str());
}
