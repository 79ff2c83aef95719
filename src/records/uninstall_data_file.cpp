#include "core/file_errors.h"
#include "core/whole_file.h"
#include "records/marked_path.h"
#include "records/uninstall_data.h"
#include "records/uninstall_records.h"

int LoadUninstallData(const String& path, UninstallDataLists& lists, RunProduct& product) {
  String bytes;
  const int code = ReadWholeFile(path.w_str(), bytes);
  if (code == kFileOk) ParseUninstallData(bytes, lists, product.settings, product.languages);
  return code;
}

void AddRecordedFiles(const String& path, FileSet* files) {
  UninstallDataLists lists;
  RunProduct product;
  if (LoadUninstallData(path, lists, product) != kFileOk) return;
  for (const String& line : lists.records) {
    if (line.empty()) continue;
    const ParsedRecord record = ParseRecord(line);
    if (record.kind == kRecordFile) AddToFileSet(files, UnmarkPath(record.path));
  }
}
