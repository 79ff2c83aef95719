#include "builder/action_values.h"

#include "actions/firewall.h"
#include "builder/file_names.h"
#include "core/registry_path.h"
#include "actions/registry_entries.h"
#include "core/codepage.h"

namespace {

String Wide(const std::string& utf8) { return Utf8ToUtf16(utf8.c_str(), static_cast<int32_t>(utf8.size())); }

bool KnownType(uint32_t type) { return type == 1 || type == 2 || type == 3 || type == 4 || type == 11; }

// A key path must begin with a root the installer knows, and its key names
// follow the rule of file names.
std::string KeyPathProblem(const String& key) {
  String trimmed = key;
  trimmed.TrimW();
  RegRoot root = RegRoot::kNone;
  int32_t prefix = AllUsersPrefixLength(trimmed.w_str(), trimmed.wlength());
  if (prefix < 0) prefix = RootPrefixLength(trimmed.w_str(), trimmed.wlength(), &root);
  if (prefix < 0) {
    return "the key path must begin with a root key: HKLM, HKCU, HKCR, HKU, HKCC, HKDD (or their long names, "
           "such as HKEY_LOCAL_MACHINE), or \\HKAU\\ for every user";
  }
  const String rest = Utf16ToUtf8(trimmed.w_str() + prefix, trimmed.wlength() - prefix);
  const std::string problem = RegistryKeyProblem(std::string(rest.c_str(), static_cast<size_t>(rest.length())));
  return problem.empty() ? problem : "the key path cannot be written: " + problem;
}

}  // namespace

std::string CheckRegistryEntryLine(const std::string& utf8_line) {
  const String line = Wide(utf8_line);
  int32_t position = 0;
  RegistryEntry entry;
  if (!ReadRegistryEntry(line, &position, &entry) || entry.form == EntryForm::kIllegal) {
    return "expected a key path alone, or key path, value name, type, data and action";
  }
  if (position < line.wlength()) return "one entry a line";
  if (entry.form == EntryForm::kKey && entry.key.empty()) return "empty key path";
  const std::string key_problem = KeyPathProblem(entry.key);
  if (!key_problem.empty()) return key_problem;
  if (entry.form == EntryForm::kKey) return "";
  if (!KnownType(entry.type)) return "value type must be 1, 2, 3, 4 or 11";
  if (entry.action < 0 || entry.action > static_cast<int32_t>(EntryAction::kWriteIfMissing)) {
    return "action must be 0 to 6";
  }
  String data;
  if (EntryWrites(entry.action) && !BuildEntryData(entry.type, entry.data, &data)) {
    return entry.type == 3 ? "binary data must be pairs of hexadecimal digits" : "number out of range or not decimal";
  }
  return "";
}

std::string CheckFirewallLine(const std::string& utf8_line) {
  FirewallLine line;
  if (!ParseFirewallLine(Wide(utf8_line), &line)) return "expected four fields separated by ';'";
  if (!line.is_port) return line.program.empty() ? "empty program path" : "";
  if (line.port < 1 || line.port > 65535) return "port must be 1 to 65535";
  if (line.protocols < 1 || line.protocols > 3) return "protocols must be 1 (TCP), 2 (UDP) or 3 (both)";
  return "";
}

std::string CheckAssociation(const AssociationValues& v) {
  if (v.extension.empty() || v.extension == ".") return "extension must not be empty";
  if (v.mode > 2) return "mode must be 0, 1 or 2";
  if (v.command.empty()) return "command must not be empty";
  // The program: quoted, or up to the first blank.
  const size_t end = v.command[0] == '"' ? v.command.find('"', 1) : v.command.find(' ');
  const std::string program = v.command[0] == '"' ? v.command.substr(1, end == std::string::npos ? end : end - 1)
                                                  : v.command.substr(0, end);
  const std::string problem = WindowsFolderProblem(program);
  if (!problem.empty()) return "the command's program \"" + program + "\" cannot be a Windows path: " + problem;
  if (v.verb.empty()) return "verb must not be empty";
  return "";
}

AssociationRecord MakeAssociationRecord(const AssociationValues& v) {
  AssociationRecord record;
  record.extension = Utf16ToAnsi(Wide(v.extension));
  record.description = Wide(v.description);
  record.verb = Utf16ToAnsi(Wide(v.verb));
  record.verb_label = Wide(v.verb_label);
  record.command = Utf16ToAnsi(Wide(v.command));
  record.mode = v.mode;
  record.prog_id = Utf16ToAnsi(Wide(v.prog_id));
  return record;
}
