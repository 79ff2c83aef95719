#include "core/file_errors.h"
#include "core/whole_file.h"
#include "package/settings_state.h"
#include "records/uninstall_data.h"

int LoadUninstallData(const String& path, UninstallDataLists& lists) {
  String bytes;
  const int code = ReadWholeFile(path.w_str(), bytes);
  if (code == kFileOk) ParseUninstallData(bytes, lists, Settings(), Languages());
  return code;
}
