#include "records/uninstall_records.h"

#include "core/csv.h"
#include "core/format.h"
#include "core/string_split.h"
#include "records/marked_path.h"

namespace {

constexpr int32_t kShortestPath = 4;  // bytes; shorter paths are never recorded
constexpr int32_t kFirewallOptionsField = 3;

// The one-character prefix of each kind that has one.
struct KindPrefix {
  RecordKind kind;
  const char* prefix;
};
constexpr KindPrefix kKindPrefixes[] = {
    {kRecordFolder, "~"},
    {kRecordRegistryValue, "!"},
    {kRecordRegistryKey, "^"},
    {kRecordRegistryKey64, "*"},
};

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
  for (const KindPrefix& entry : kKindPrefixes) {
    if (entry.kind == kind) return entry.prefix;
  }
  return "";
}

ParsedRecord ParseRecord(const String& line) {
  ParsedRecord parsed;
  const char first = line.empty() ? '\0' : line.c_str()[0];
  for (const KindPrefix& entry : kKindPrefixes) {
    if (entry.prefix[0] != first) continue;
    parsed.kind = entry.kind;
    parsed.path = String(line.c_str() + 1, line.length() - 1);
    return parsed;
  }
  parsed.path = line;
  return parsed;
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

bool KeepsMsiPackage(const UninstallRecords& records, const String& path) {
  int32_t position = 0;
  Array<String> fields;
  while (ReadCsvRecord(records.msi, &position, &fields)) {
    if (!fields.IsEmpty() && UnmarkPath(fields[0]).EqualsNoCaseW(path.w_str())) return true;
    fields.RemoveAll();
  }
  return false;
}
