#include "core/codepage.h"
#include "core/csv.h"
#include "core/format.h"
#include "core/path_rules.h"
#include "records/uninstall_data.h"

namespace {

void BeginSection(String& out, const char* header) {
  out.Append("\r\n\r\n");
  out.Append(header);
  out.Append("\r\n");
}

// A section whose text is kept as it stands; left out when empty.
void AppendTextSection(String& out, const char* header, const String& text) {
  if (text.empty()) return;
  BeginSection(out, header);
  out.Append(text);
}

void AppendStrings(String& out, const ProductSettings& settings, const LanguageTable& languages) {
  BeginSection(out, kStringsHeader);
  for (int32_t n : kUninstallMessages) {
    AppendFormat(out, "~%d\r\n%s\r\n", n, Utf16ToUtf8(MessageText(languages, n)).c_str());
  }
  const String title = ReplacePlaceholders(settings.WindowTitle, languages);
  AppendFormat(out, "~%d\r\n%s\r\n", kWindowTitleNumber, Utf16ToUtf8(title).c_str());
}

void AppendCloseRules(String& out, const Vector<CloseRule>& rules) {
  if (rules.IsEmpty()) return;
  BeginSection(out, kAutoCloseHeader);
  for (const CloseRule& rule : rules) {
    AppendCsvField(out, rule.window_class.c_str(), rule.window_class.length());
    out.Append(',');
    AppendCsvField(out, rule.window_title.c_str(), rule.window_title.length());
    out.Append(',');
    AppendCsvField(out, rule.display_name.c_str(), rule.display_name.length());
    AppendFormat(out, ",%d\r\n", rule.action);
  }
}

void AppendRegistryEntries(String& out, const String& wide) {
  String text = Utf16ToUtf8(wide);
  if (text.empty()) return;
  // Every line of a section ends in CR LF, the last one too.
  if (!text.EndsWith("\r\n")) text.Append("\r\n");
  AppendTextSection(out, kRegistryHeader, text);
}

void AppendConditionalDeletes(String& out, const Vector<FileDeletion>& deletions) {
  String lines;
  for (const FileDeletion& entry : deletions) {
    if ((entry.flags & FileDeletion::kAtUninstall) == 0) continue;
    AppendCsvField(lines, entry.name.c_str(), entry.name.length());
    AppendFormat(lines, ",%d,", entry.mode);
    AppendCsvField(lines, entry.path.c_str(), entry.path.length());
    AppendFormat(lines, ",%d\r\n", entry.flags);
  }
  AppendTextSection(out, kConditionalDeleteHeader, lines);
}

}  // namespace

String BuildUninstallData(const UninstallRecords& records, const ProductSettings& settings,
                          const LanguageTable& languages) {
  String out(records.records);
  AppendStrings(out, settings, languages);
  AppendCloseRules(out, settings.ProgramsToClose);
  AppendTextSection(out, kAssociationsHeader, records.associations);
  AppendTextSection(out, kFirewallHeader, records.firewall);
  AppendTextSection(out, kInfHeader, records.inf);
  AppendTextSection(out, kMsiHeader, records.msi);
  AppendRegistryEntries(out, settings.RegistryEntries);
  AppendConditionalDeletes(out, settings.FileDeletions);
  return out;
}

String UninstallDataPath(const String& uninstall_folder) { return JoinPath(uninstall_folder, kUninstallDataName); }
