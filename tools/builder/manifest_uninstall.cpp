// [uninstall]: the Uninstall entry's values and the uninstaller's own options
// (batches, programs to close, files to delete).
#include "builder/manifest_sections.h"

#include <string>

#include "actions/file_deletion.h"
#include "builder/default_messages.h"
#include "core/codepage.h"
#include "package/languages.h"
#include "package/message_numbers.h"

namespace manifest_reading {

namespace {

void AddUninstallValue(const std::string& name, int type, const String& text, ProductSettings* s) {
  static constexpr uint8_t kTypes[] = {UninstallValue::kString, UninstallValue::kExpandString,
                                       UninstallValue::kDword};
  UninstallValue value;
  value.name = String(name.c_str());
  value.type = kTypes[type];
  value.text = text;
  s->UninstallValues.Add(value);
}

// [[uninstall.value]]: name (a backslash makes a subkey), type, data.
void ReadUninstallValue(Table& value, ProductSettings* s) {
  std::string name, data;
  if (!value.Text("name", &name) || name.empty() || !IsAscii(name)) {
    Throw(value.At("name"), "the value's name, in ASCII (\"Sub\\\\Name\" puts it in a subkey)");
  }
  int type = 0;
  value.Choice("type", {"string", "expandable", "dword"}, &type);
  value.Text("data", &data);
  if (type == 2 && (data.empty() || data.find_first_not_of("0123456789") != std::string::npos || data.size() > 10 ||
                    std::stoull(data) > 0xFFFFFFFFull)) {
    Throw(value.At("data"), "a dword value's data is a whole number from 0 to 4294967295, as text");
  }
  value.RejectUnknown();
  AddUninstallValue(name, type, Wide(data), s);
}

// A TOML text's line ends as batch files want them.
std::string CrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
    out += c;
  }
  return out;
}

// The uninstaller's own options: its batches, the programs it closes, the
// files it deletes by pattern, and what it keeps.
void ReadRemovalOptions(Table& uninstall, Product* out) {
  ProductSettings& s = out->settings;
  std::string text;
  if (uninstall.Text("batch_before", &text)) s.UninstallBatch1 = Wide(CrLf(text));
  if (uninstall.Text("batch_after", &text)) s.UninstallBatch2 = Wide(CrLf(text));
  SetFlags(uninstall, &s, {{"batch_before_hidden", product_flag::kHideUninstallBatch1},
                           {"batch_after_hidden", product_flag::kHideUninstallBatch2},
                           {"keep_log", product_flag::kUninstallKeepsLog},
                           {"delete_folder_with_contents", product_flag::kDeleteFolderWithContents},
                           {"completion_message", product_flag2::kUninstallCompletionMessage, FlagKey::kFlags2}});
  SetTexts(uninstall, {{"support_offer", &s.SupportOffer}});
  for (Table& rule : uninstall.Each("close")) {
    CloseRule& r = s.ProgramsToClose.Emplace();
    if (rule.Text("window_class", &text)) r.window_class = String(text.c_str());
    if (rule.Text("window_title", &text)) r.window_title = String(text.c_str());
    if (rule.Text("program", &text)) r.display_name = String(text.c_str());
    int action = 0;
    if (rule.Choice("action", {"close", "quit", "ask", "terminate"}, &action)) r.action = static_cast<uint8_t>(action);
    if (r.window_class.empty() && r.window_title.empty()) {
      Throw(rule.At("window_title"), "a rule needs a window title or class to match");
    }
    rule.RejectUnknown();
  }
  for (Table& entry : uninstall.Each("delete")) {
    FileDeletion& d = s.FileDeletions.Emplace();
    if (!entry.Text("pattern", &text) || text.empty()) Throw(entry.At("pattern"), "the files to delete");
    d.name = String(text.c_str());
    int when = 0;
    entry.Choice("when", {"uninstall", "install", "both"}, &when);
    d.flags = when == 0 ? FileDeletion::kAtUninstall : when == 1 ? FileDeletion::kAtInstall
                                                                 : FileDeletion::kAtInstall | FileDeletion::kAtUninstall;
    int condition = 0;
    if (entry.Choice("condition", {"always", "date-equals", "date-since", "date-until", "size-equals",
                                   "size-at-least", "size-at-most"},
                     &condition)) {
      d.mode = static_cast<uint8_t>(condition);
    }
    if (entry.Text("value", &text)) d.path = String(text.c_str());
    bool flag = false;
    if (entry.Flag("at_restart", &flag) && flag) d.flags |= deletion_flag::kAtRestartOnly;
    if (entry.Flag("at_restart_on_failure", &flag) && flag) d.flags |= deletion_flag::kAtRestartOnFailure;
    entry.RejectUnknown();
  }
}

// The longest Start Menu programs folder a shortcut may go to: a user's own,
// with a user name of the 20 characters Windows allows.
constexpr size_t kStartMenuPrefix =
    sizeof "C:\\Users\\" - 1 + 20 + sizeof "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\" - 1;
constexpr size_t kMaxPath = 259;

}  // namespace

void CheckUninstallShortcutPath(Table& root, const Product& product) {
  const ProductSettings& s = product.settings;
  if (!s.Flag(product_flag::kUninstallStartMenuShortcut) || !s.Flag(product_flag::kDetectInstallation)) return;
  LanguageTable names;
  names.product = s.DisplayName;
  names.description = s.Description.empty() ? s.DisplayName : s.Description;
  names.windows_folder = String(u"C:\\Windows");
  const String& folder = s.ProductStartMenu.empty() ? s.DisplayName : s.ProductStartMenu;
  for (const LanguageMessages& language : product.languages) {
    if (language.messages.size() <= static_cast<size_t>(message_number::kUninstallShortcutName)) continue;
    const String name = ReplacePlaceholders(language.messages[message_number::kUninstallShortcutName], names);
    const size_t length = kStartMenuPrefix + static_cast<size_t>(folder.wlength()) + 1 +
                          static_cast<size_t>(name.wlength()) + sizeof ".lnk" - 1;
    if (length <= kMaxPath) continue;
    const String shown = Utf16ToUtf8(name);
    Throw(root.Sub("product").At("start_menu_folder"),
          "the uninstaller's shortcut \"" + std::string(shown.c_str()) +
              ".lnk\" in the Start Menu folder would have a path of " + std::to_string(length) +
              " characters, beyond the " + std::to_string(kMaxPath) +
              " Windows allows (with room for the longest Start Menu programs folder); shorten the Start Menu folder "
              "or the product name, or set [uninstall] start_menu_shortcut = false");
  }
}

void ReadUninstall(Table uninstall, Product* out) {
  ProductSettings& s = out->settings;
  SetFlags(uninstall, &s, {{"enabled", product_flag::kDetectInstallation},
                           {"start_menu_shortcut", product_flag::kUninstallStartMenuShortcut},
                           {"desktop_shortcut", product_flag::kUninstallDesktopShortcut},
                           {"keep_install_log", product_flag::kKeepInstallLog},
                           {"check_version", product_flag::kCheckInstalledVersion}});
  // Values of the product's Uninstall entry beyond the standard ones.
  const struct {
    const char* key;
    const char* value_name;
  } links[] = {{"about_url", "URLInfoAbout"}, {"help_url", "HelpLink"}, {"update_url", "URLUpdateInfo"},
               {"help_telephone", "HelpTelephone"}, {"contact", "Contact"}, {"comments", "Comments"}};
  for (const auto& link : links) {
    std::string text;
    if (uninstall.Text(link.key, &text) && !text.empty()) AddUninstallValue(link.value_name, 0, Wide(text), &s);
  }
  for (Table& value : uninstall.Each("value")) ReadUninstallValue(value, &s);
  ReadRemovalOptions(uninstall, out);
  uninstall.RejectUnknown();
}

}  // namespace manifest_reading
