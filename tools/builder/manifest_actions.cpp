#include "builder/manifest_actions.h"

#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "builder/action_values.h"
#include "builder/file_names.h"
#include "core/codepage.h"
#include "package/action_settings.h"
#include "package/entry_kinds.h"

namespace fs = std::filesystem;

namespace manifest_reading {

namespace {

constexpr int64_t kMsiUiLevelLowest = 2;   // none
constexpr int64_t kMsiUiLevelHighest = 5;  // full

std::string FileBytes(const fs::path& path, const Origin& origin) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Throw(origin, "cannot read " + path.string());
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Lines of a list, each checked; joined with CR LF.
String CheckedLines(Table& table, const std::string& key, std::string (*check)(const std::string&)) {
  std::vector<std::string> lines;
  table.TextList(key, &lines);
  std::string joined;
  for (const std::string& line : lines) {
    const std::string reason = check(line);
    if (!reason.empty()) Throw(table.At(key), "\"" + line + "\": " + reason);
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return Wide(joined);
}

void ReadRegistry(Table registry, const fs::path& base, ProductSettings* s) {
  s->RegistryEntries = CheckedLines(registry, "entries", CheckRegistryEntryLine);
  std::string merge;
  if (registry.Text("merge_file", &merge) && !merge.empty()) {
    const std::string text = FileBytes(base / merge, registry.At("merge_file"));
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE) {
      s->RegistryMerge.AssignW(reinterpret_cast<const char16_t*>(text.data() + 2),
                               static_cast<int32_t>((text.size() - 2) / 2));
    } else {
      s->RegistryMerge = Wide(text);
    }
  }
  registry.RejectUnknown();
}

void ReadAssociations(Table& root, ProductSettings* s) {
  std::set<std::u16string> extensions;
  for (Table& table : root.Each("association")) {
    AssociationValues v;
    table.Text("extension", &v.extension);
    table.Text("prog_id", &v.prog_id);
    table.Text("description", &v.description);
    table.Text("verb", &v.verb);
    table.Text("verb_label", &v.verb_label);
    table.Text("command", &v.command);
    int mode = 0;
    if (table.Choice("mode", {"normal", "default-verb", "open-with"}, &mode)) v.mode = static_cast<uint8_t>(mode);
    if (!v.extension.empty() && v.extension[0] != '.') v.extension.insert(0, ".");
    const std::string reason = CheckAssociation(v);
    if (!reason.empty()) Throw(table.At("extension"), reason);
    if (!extensions.insert(CaseFoldedPath(v.extension)).second) {
      Throw(table.At("extension"), "\"" + v.extension + "\" is associated twice; one [[association]] an extension");
    }
    table.RejectUnknown();
    s->Associations.Add(MakeAssociationRecord(v));
  }
}

void ReadFolderRights(Table& actions, Product* out) {
  ProductSettings& s = out->settings;
  SetFlags(actions, &s, {{"folder_rights", product_flag::kGrantFolderRights},
                         {"shared_folder_rights", product_flag::kGrantSharedRights}});
  if (s.Flag(product_flag::kGrantFolderRights)) {
    out->warnings.push_back(Describe(actions.At("folder_rights")) +
                            ": every user may then change the files in the install folder, so a user can replace "
                            "a program that an administrator later runs; grant rights only to a data subfolder "
                            "your product owns if you can");
    if (s.Flag(product_flag::kGrantSharedRights)) {
      out->warnings.push_back(Describe(actions.At("shared_folder_rights")) +
                              ": the shared folder lies in a system folder that other products use too; every "
                              "user may then change what is in it");
    }
  } else if (s.Flag(product_flag::kGrantSharedRights)) {
    Throw(actions.At("shared_folder_rights"), "needs folder_rights = true");
  }
}

void ReadActionTable(Table actions, const fs::path& base, Product* out) {
  ProductSettings& s = out->settings;
  s.Reserved14 = CheckedLines(actions, "firewall", CheckFirewallLine);
  SetFlags(actions, &s, {{"add_to_path", product_flag::kAddToPath},
                         {"restore_point", product_flag2::kRestorePoint, FlagKey::kFlags2},
                         {"log_shortcut", product_flag::kLogShortcut},
                         {"uninstall_folder_shortcut", product_flag::kUninstallOwnFolderShortcut}});
  ReadFolderRights(actions, out);
  ActionSettings values;
  SetTexts(actions, {{"path_subfolder", &values.path_subfolder},
                     {"pin_command", &values.pin_command},
                     {"pin_name", &values.pin_name},
                     {"root_shortcut_command", &values.root_shortcut_command},
                     {"root_shortcut_name", &values.root_shortcut_name},
                     {"desktop_folder", &s.DesktopFolder}});
  std::string icon;
  if (actions.Text("desktop_folder_icon", &icon) && !icon.empty()) {
    const std::string bytes = FileBytes(base / icon, actions.At("desktop_folder_icon"));
    values.desktop_folder_icon.Assign(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  if (!values.path_subfolder.empty() && !s.Flag(product_flag::kAddToPath)) {
    Throw(actions.At("path_subfolder"), "needs add_to_path = true");
  }
  s.InstallActionSettings = WriteActionSettings(values);
  actions.RejectUnknown();
}

}  // namespace

uint32_t ComponentKind(int index) {
  const uint32_t kinds[] = {entry_kind::kSystemCom, entry_kind::kSystemTypeLibrary, entry_kind::kDriver,
                            entry_kind::kMsi, entry_kind::kControlPanel};
  return kinds[index];
}

void ReadComponentOptions(Table& file, uint32_t kind, ComponentOptions* out) {
  if (kind == entry_kind::kMsi) {
    int64_t level = 0;
    if (file.Number("msi_ui_level", kMsiUiLevelLowest, kMsiUiLevelHighest, &level)) {
      out->msi_ui_level = static_cast<uint32_t>(level);
    }
    file.Flag("msi_remember", &out->msi_remember);
  }
  if (kind == entry_kind::kControlPanel) {
    if (!file.Text("class_id", &out->class_id) || out->class_id.size() != 38 || out->class_id.front() != '{' ||
        out->class_id.back() != '}') {
      Throw(file.At("class_id"), "a control-panel applet needs its CLSID as \"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\"");
    }
  }
}

void ApplyComponentOptions(const ComponentOptions& options, uint32_t kind, EntryRecord* entry) {
  if (kind == entry_kind::kMsi) {
    entry->msi_option = options.msi_ui_level;
    if (options.msi_remember) entry->flags |= entry_flag::kRememberMsi;
  }
  if (kind == entry_kind::kControlPanel) entry->applet_class_id() = String(options.class_id.c_str());
}

void ReadActions(Table& root, const fs::path& base, Product* out) {
  // [registry] holds the compact lines; [[registry]] tables say the same in words.
  const toml::node* registry = root.Node("registry");
  if (registry && registry->is_array_of_tables()) {
    out->settings.RegistryEntries = WithRegistryTables(String(), root);
  } else {
    ReadRegistry(root.Sub("registry"), base, &out->settings);
  }
  ReadAssociations(root, &out->settings);
  ReadActionTable(root.Sub("actions"), base, out);
  out->settings.Reserved14 = WithFirewallTables(out->settings.Reserved14, root);
}

}  // namespace manifest_reading
