#include "core/file_errors.h"
#include "core/whole_file.h"
#include "records/uninstall_data.h"

int LoadUninstallData(const String& path, UninstallDataLists& lists, RunProduct& product) {
  String bytes;
  const int code = ReadWholeFile(path.w_str(), bytes);
  if (code == kFileOk) ParseUninstallData(bytes, lists, product.settings, product.languages);
  return code;
}
