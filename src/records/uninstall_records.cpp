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
bool FirstTimeForFolder(const char* path, int32_t bytes) {
  String key = UnmarkPath(path, bytes);
  key.ToLowerW();
  bool& seen = TheUninstallRecords().folders.FindOrAdd(key);
  if (seen) return false;
  seen = true;
  return true;
}

}  // namespace

UninstallRecords& TheUninstallRecords() {
  static UninstallRecords records;
  return records;
}

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

bool AddUninstallRecord(const char* path, int32_t kind) {
  if (path == nullptr) return false;
  const int32_t bytes = TextLength(path);
  if (bytes < kShortestPath) return false;
  if (kind == kRecordFolder && !FirstTimeForFolder(path, bytes)) return false;
  String& records = TheUninstallRecords().records;
  records.Append(RecordPrefix(kind));
  records.Append(path, bytes);
  records.Append("\r\n");
  return true;
}

bool AddUninstallRecord(const String& path, int32_t kind) { return AddUninstallRecord(path.c_str(), kind); }

bool AddUninstallRecordW(const char16_t* path, int32_t kind) {
  if (path == nullptr) return false;
  return AddUninstallRecord(MarkPath(path), kind);
}

bool AddUninstallRecordW(const String& path, int32_t kind) {
  return AddUninstallRecord(MarkPath(path), kind);
}

void ClearUninstallRecords() { TheUninstallRecords() = UninstallRecords(); }

void RecordAssociation(const char* extension, const char* file_type, const char* verb, const char* icon) {
  AppendFormat(TheUninstallRecords().associations, "%s~!~%s~!~%s~!~%s\r\n", extension, file_type, verb, icon);
}

bool RecordFirewallException(const String& line) {
  const Array<String> fields = Split(line, ";");
  const String* options = fields.TryAt(kFirewallOptionsField);
  if (options != nullptr && options->Find('1') >= 0) return false;
  AppendLine(TheUninstallRecords().firewall, line);
  return true;
}

void RecordInfDriver(const char16_t* path) { AppendLine(TheUninstallRecords().inf, MarkPath(path)); }

void RecordMsiPackage(const char16_t* path, int32_t ui_level) {
  AppendFormat(TheUninstallRecords().msi, "\"%s\",%d\r\n", MarkPath(path).c_str(), ui_level);
}

void RecordMsiLine(const String& line) { AppendLine(TheUninstallRecords().msi, line); }
