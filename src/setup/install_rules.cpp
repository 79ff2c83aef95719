#include "setup/install_rules.h"

#include "core/path_rules.h"
#include "core/version_compare.h"
#include "package/settings.h"
#include "package/settings_reader.h"

InstallType DetermineInstallType(bool check_versions, const String& old_version, const String& new_version) {
  if (!check_versions || IsBlankW(old_version) || IsBlankW(new_version)) return InstallType::kNoComparison;
  const int order = CompareVersionsW(old_version.w_str(), new_version.w_str());
  if (order < 0) return InstallType::kUpgrade;
  if (order > 0) return InstallType::kDowngrade;
  return InstallType::kSameVersion;
}

void SetInstallType(InstallState& state, InstallType type) {
  state.install_type = type;
  state.upgrade = type == InstallType::kUpgrade;
  state.downgrade = type == InstallType::kDowngrade;
  state.same_version = type == InstallType::kSameVersion;
}

bool RefusedByNoDowngrade(const String& no_downgrade_below, const String& product_version) {
  return !no_downgrade_below.empty() &&
         CompareVersionsW(product_version.w_str(), no_downgrade_below.w_str()) < 0;
}

String NotificationAddress(const String& address, const String& version) {
  static const char16_t kVersion[] = u"%version%";
  constexpr int32_t kVersionLength = 9;
  String out = address;
  for (int32_t at = out.FindW(kVersion); at >= 0; at = out.FindW(kVersion, at + version.wlength())) {
    out.ReplaceW(at, kVersionLength, version.w_str(), version.wlength());
  }
  return out;
}

const String& CompletionAddress(const ProductSettings& settings, const InstallState& state) {
  if (state.upgrade) return settings.UpgradeNotifyURL;
  if (state.downgrade) return settings.DowngradeNotifyURL;
  if (state.existing) return settings.ReinstallNotifyURL;
  return settings.InstallNotifyURL;
}

bool ReinstallBatchDue(const InstallState& state, bool same_version_only) {
  return state.existing && (state.same_version || !same_version_only);
}

String MustUninstallCommand(const String& uninstall_command, const String& own_command_line) {
  String own = own_command_line;
  for (int32_t i = 0; i < own.wlength(); ++i) {
    if (own.wdata()[i] == u'"') own.wdata()[i] = u'`';
  }
  String command = uninstall_command;
  command.AppendW(u" /r:\"");
  command.AppendW(own.w_str(), own.wlength());
  command.AppendW(u"\"");
  return command;
}

bool RegistryFolderSource(const String& default_folder, bool* local_machine, String* value_path) {
  const bool hklm = default_folder.StartsWithW(u"HKLM\\");
  const bool hkcu = default_folder.StartsWithW(u"HKCU\\");
  if (!hklm && !hkcu) return false;
  *local_machine = hklm;
  value_path->AssignW(default_folder.w_str() + 5, default_folder.wlength() - 5);
  return true;
}

bool GoesUnderProgramFiles(const String& default_folder) {
  bool local_machine = false;
  String value_path;
  if (default_folder.EqualsW(u"<master>") || RegistryFolderSource(default_folder, &local_machine, &value_path)) {
    return false;
  }
  return !IsAbsolutePathW(default_folder.w_str());
}

String InstallOverQuestion(const String& type_message, const String& location, const String& question) {
  String text = type_message;
  text.AppendW(u"\r\n\r\n");
  text.AppendW(location.w_str(), location.wlength());
  text.AppendW(u"\r\n\r\n");
  text.AppendW(question.w_str(), question.wlength());
  return text;
}

bool MustUninstallOldVersion(const String& must_uninstall_version, const String& old_version) {
  if (IsBlankW(must_uninstall_version)) return true;
  return CompareVersionsW(old_version.w_str(), must_uninstall_version.w_str()) < 0;
}

// "https://...", "mailto:...": an address, which the shell opens as it is.
static bool IsAddress(const String& text) { return text.FindW(u':') > 1; }

String DocumentUnderFolder(const String& document, const String& folder) {
  if (IsBlankW(document) || IsAbsolutePathW(document.w_str()) || IsAddress(document)) return document;
  return JoinPath(folder, document.w_str());
}

String ProgramUnderFolder(const String& command, const String& folder) {
  const char16_t* text = command.w_str();
  int32_t start = 0;
  while (text[start] == u' ' || text[start] == u'\t') ++start;
  const bool quoted = text[start] == u'"';
  const int32_t name_start = start + (quoted ? 1 : 0);
  int32_t name_end = name_start;
  while (text[name_end] != 0 && (quoted ? text[name_end] != u'"' : text[name_end] != u' ' && text[name_end] != u'\t')) {
    ++name_end;
  }
  const String program(text + name_start, name_end - name_start);
  if (IsBlankW(program) || IsAbsolutePathW(program.w_str())) return command;
  const int32_t rest = quoted && text[name_end] == u'"' ? name_end + 1 : name_end;
  String out(u"\"");
  out.Append(JoinPath(folder, program.w_str()));
  out.AppendW(u"\"");
  out.AppendW(text + rest);
  return out;
}
