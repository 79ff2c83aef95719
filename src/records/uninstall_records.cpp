#include "records/uninstall_records.h"

#include "core/format.h"
#include "core/string_split.h"
#include "records/marked_path.h"

namespace {

constexpr int32_t kShortestPath = 4;  // bytes; shorter paths are never recorded
constexpr int32_t kFirewallOptionsField = 3;

void AppendLine(String& section, const String& line) {
  section.Append(line);
  section.Append("\r\n");
}

// Whether the folder is new to this run; it is remembered either way.
bool FirstTimeForFolder(UninstallRecords& records, const char* path, int32_t bytes) {
  String key = UnmarkPath(path, bytes);
  key.ToLowerW();
  bool& seen = records.folders.FindOrAdd(key);
  if (seen) return false;
  seen = true;
  return true;
}

}  // namespace

const char* RecordPrefix(int32_t kind) {
  switch (kind) {
    case kRecordFolder:
      return "~";
    case kRecordRegistryValue:
      return "!";
    case kRecordRegistryKey:
      return "^";
    case kRecordRegistryKey64:
      return "*";
    default:
      return "";
  }
}

bool AddUninstallRecord(UninstallRecords& records, const char* path, int32_t kind) {
  if (path == nullptr) return false;
  const int32_t bytes = TextLength(path);
  if (bytes < kShortestPath) return false;
  if (kind == kRecordFolder && !FirstTimeForFolder(records, path, bytes)) return false;
  String& lines = records.records;
  lines.Append(RecordPrefix(kind));
  lines.Append(path, bytes);
  lines.Append("\r\n");
  return true;
}

bool AddUninstallRecord(UninstallRecords& records, const String& path, int32_t kind) {
  return AddUninstallRecord(records, path.c_str(), kind); }

bool AddUninstallRecordW(UninstallRecords& records, const char16_t* path, int32_t kind) {
  if (path == nullptr) return false;
  return AddUninstallRecord(records, MarkPath(path), kind);
}

bool AddUninstallRecordW(UninstallRecords& records, const String& path, int32_t kind) {
  return AddUninstallRecord(records, MarkPath(path), kind);
}

void ClearUninstallRecords(UninstallRecords& records) { records = UninstallRecords(); }

void RecordAssociation(UninstallRecords& records, const char* extension, const char* file_type, const char* verb, const char* icon) {
  AppendFormat(records.associations, "%s~!~%s~!~%s~!~%s\r\n", extension, file_type, verb, icon);
}

bool RecordFirewallException(UninstallRecords& records, const String& line) {
  const Array<String> fields = Split(line, ";");
  const String* options = fields.TryAt(kFirewallOptionsField);
  if (options != nullptr && options->Find('1') >= 0) return false;
  AppendLine(records.firewall, line);
  return true;
}

void RecordInfDriver(UninstallRecords& records, const char16_t* path) { AppendLine(records.inf, MarkPath(path)); }

void RecordMsiPackage(UninstallRecords& records, const char16_t* path, int32_t ui_level) {
  AppendFormat(records.msi, "\"%s\",%d\r\n", MarkPath(path).c_str(), ui_level);
}

void RecordMsiLine(UninstallRecords& records, const String& line) { AppendLine(records.msi, line); }
