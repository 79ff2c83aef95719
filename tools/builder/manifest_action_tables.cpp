// [[registry]] and [[firewall]]: the install actions in the vendor's words.
// Each table becomes the line of the compact form that says the same, and is
// checked as that line is, so that both forms give the same package.
#include <string>

#include "builder/action_values.h"
#include "builder/manifest_actions.h"

namespace manifest_reading {

namespace {

// A field of a compact line: in double quotes, its quotes doubled, when it
// holds a comma or a quote.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// The value as text: a whole number or a text; binary data may have blanks
// between its hexadecimal pairs.
std::string ValueText(Table& table, bool binary) {
  const toml::node* node = table.Node("value");
  if (!node) return std::string();
  if (node->is_integer()) return std::to_string(node->as_integer()->get());
  std::string text;
  table.Text("value", &text);
  if (binary) std::erase_if(text, [](char c) { return c == ' ' || c == '\t'; });
  return text;
}

void Check(Table& table, const char* key, const std::string& line, std::string (*check)(const std::string&)) {
  const std::string reason = check(line);
  if (!reason.empty()) Throw(table.At(key), reason);
}

// Registry value types by their words, with the numbers of the compact form.
constexpr int kTypeNumbers[] = {1, 2, 3, 4, 11};

std::string RegistryLine(Table& table) {
  std::string key;
  if (!table.Text("key", &key) || key.empty()) Throw(table.At("key"), "a [[registry]] table needs its key");
  Check(table, "key", Field(key), CheckRegistryEntryLine);
  std::string name;
  const bool value = table.Text("name", &name);
  int type = 0, when = 0, uninstall = -1;
  bool deletion = false;
  table.Choice("type", {"string", "expandable", "binary", "dword", "qword"}, &type);
  table.Choice("when", {"always", "if-missing"}, &when);
  table.Choice("uninstall", {"remove", "keep"}, &uninstall);
  table.Flag("delete", &deletion);
  const std::string data = ValueText(table, type == 2);
  table.RejectUnknown();
  if (!value) {
    for (const char* other : {"type", "value", "when", "uninstall", "delete"}) {
      if (table.Node(other)) Throw(table.At(other), "needs name: without it the table makes the key alone");
    }
    return Field(key);
  }
  if (deletion && (table.Node("value") || table.Node("when"))) {
    Throw(table.At(table.Node("value") ? "value" : "when"), "a deletion takes no value and no when");
  }
  if (when == 1 && uninstall == 0) Throw(table.At("uninstall"), "a value written only if missing stays at uninstall");
  // Written values go at uninstall unless kept; deletions are done once unless
  // the uninstaller is to delete them again.
  const int action = deletion ? (uninstall == 0 ? 5 : 4) : when == 1 ? 6 : uninstall == 1 ? 1 : 3;
  const std::string line = Field(key) + "," + Field(name) + "," + std::to_string(kTypeNumbers[type]) + "," +
                           Field(data) + "," + std::to_string(action);
  Check(table, "value", line, CheckRegistryEntryLine);
  return line;
}

std::string FirewallLineOf(Table& table) {
  std::string program, name;
  int64_t port = 0;
  const bool has_program = table.Text("program", &program);
  const bool has_port = table.Number("port", 1, 65535, &port);
  if (has_program == has_port) Throw(table.At(has_port ? "port" : "program"), "give either program or port");
  int protocol = -1;
  table.Choice("protocol", {"tcp", "udp", "both"}, &protocol);
  if (has_port && protocol < 0) Throw(table.At("protocol"), "a port needs its protocol: \"tcp\", \"udp\" or \"both\"");
  if (has_program && protocol >= 0) Throw(table.At("protocol"), "a program is allowed whatever its protocol");
  table.Text("name", &name);
  bool keep = false;
  table.Flag("keep", &keep);
  table.RejectUnknown();
  for (const char* key : {"program", "name"}) {
    const std::string& text = key[0] == 'p' ? program : name;
    if (text.find(';') != std::string::npos) Throw(table.At(key), "a firewall rule's texts may not hold ';'");
  }
  const std::string line = (has_port ? std::to_string(port) : program) + ";" + name + ";" +
                           std::to_string(has_port ? protocol + 1 : 0) + ";" + (keep ? "1" : "0");
  Check(table, has_port ? "port" : "program", line, CheckFirewallLine);
  return line;
}

// The lines of every table, after the compact ones.
String AppendLines(String compact, Table& root, const char* key, std::string (*line_of)(Table&)) {
  std::string lines;
  for (Table& table : root.Each(key)) lines += (lines.empty() ? "" : "\r\n") + line_of(table);
  if (lines.empty()) return compact;
  if (!compact.empty()) compact.AppendW(u"\r\n");
  compact.Append(Wide(lines));
  return compact;
}

}  // namespace

String WithRegistryTables(const String& compact, Table& root) {
  return AppendLines(compact, root, "registry", RegistryLine);
}

String WithFirewallTables(const String& compact, Table& root) {
  return AppendLines(compact, root, "firewall", FirewallLineOf);
}

}  // namespace manifest_reading
