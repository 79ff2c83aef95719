#include <windows.h>

#include "actions/association_undo.h"
#include "actions/associations.h"
#include "core/registry_win.h"
#include "core/search.h"

namespace {

constexpr uint32_t kOpenExisting = kRegNoStack | kRegOpenOnly;

bool OpenClassKey(const String& subkey, RegView view, RegistryKey* key) {
  return key->Open(RegRoot::kClassesRoot, subkey.w_str(), kOpenExisting, kRegWriteAccess, view) !=
         RegistryKey::kFailed;
}

// Puts a non-empty backup back as the key's default value; the backup stays
// until every value is back, so that a cut undo can start again.
bool RestoreDefault(RegistryKey& key, const String& backup_name) {
  String old;
  if (!key.ReadText(backup_name.w_str(), &old, 0) || old.empty()) return false;
  return key.WriteText(u"", old, 0);
}

// Restores the default value of `subkey`, or deletes it when there was no
// backup; true when it was restored.
bool RestoreOrDeleteDefault(const String& subkey, const String& backup_name, RegView view) {
  RegistryKey key;
  if (!OpenClassKey(subkey, view, &key)) return false;
  if (RestoreDefault(key, backup_name)) return true;
  key.DeleteValue(u"", 0);
  return false;
}

bool HasSubkeys(const String& subkey, RegView view) {
  RegistryKey key;
  Array<String> names;
  return OpenClassKey(subkey, view, &key) && key.EnumerateSubkeys(&names) && !names.IsEmpty();
}

// Deletes `leaf` below `parent` only when it holds nothing.
void DeleteIfEmpty(const String& parent, const char16_t* leaf, RegView view) {
  RegistryKey key;
  if (OpenClassKey(parent, view, &key)) key.DeleteKey(leaf, kRegOnlyIfEmpty);
}

void DeleteClassKey(const String& subkey, RegView view) {
  RegistryKey root;
  if (root.Open(RegRoot::kClassesRoot, u"", kOpenExisting, kRegWriteAccess, view) != RegistryKey::kFailed) {
    root.DeleteKey(subkey.w_str(), 0);
  }
}

String Below(const String& key, const char16_t* leaf) {
  String path = key;
  path.AppendW(u"\\");
  path.AppendW(leaf);
  return path;
}

struct Undo {
  const AssociationToUndo& a;
  String backup_name;
  String mark_name;
  RegView view;

  // The keys that may hold a backup, the extension's first and the type's second.
  Array<String> BackupKeys() const {
    Array<String> keys;
    keys.Add(a.extension);
    keys.Add(a.file_type);
    keys.Add(Below(a.file_type, u"DefaultIcon"));
    const String shell = Below(a.file_type, u"shell");
    keys.Add(shell);
    if (!a.verb.empty()) {
      keys.Add(Below(shell, a.verb.w_str()));
      keys.Add(Below(keys.Last(), u"command"));
    }
    return keys;
  }

  // Reads what the install found: from its mark, else (an older install)
  // from which defaults it backed up; false when there is neither.
  bool ReadFound(uint32_t* found, bool* has_mark) const {
    *found = 0;
    *has_mark = false;
    bool any_backup = false;
    const Array<String> keys = BackupKeys();
    for (int32_t i = 0; i < keys.Count(); ++i) {
      RegistryKey key;
      if (!OpenClassKey(keys[i], view, &key)) continue;
      if (i == 1) *has_mark = key.ReadNumber(mark_name.w_str(), found, 0);
      if (!key.ValueExists(backup_name.w_str())) continue;
      any_backup = true;
      if (i < 2 && !*has_mark) *found |= i == 0 ? kExtensionFound : kTypeFound;
    }
    return any_backup;
  }

  // Whether the type's command runs something from the product's folder.
  bool PointsAtProduct() const {
    RegistryKey key;
    String command;
    if (a.verb.empty() || a.product_folder.empty()) return false;
    const String path = Below(Below(Below(a.file_type, u"shell"), a.verb.w_str()), u"command");
    if (!OpenClassKey(path, view, &key) || !key.ReadText(u"", &command, 0)) return false;
    return command.FindW(a.product_folder.w_str(), 0, kSearchIgnoreCase) >= 0;
  }

  void Extension() const {
    RegistryKey key;
    if (OpenClassKey(a.extension, view, &key)) RestoreDefault(key, backup_name);
    if (!a.verb.EqualsW(u"open")) return;
    const String open_with = Below(a.extension, u"OpenWithProgids");
    RegistryKey list;
    if (OpenClassKey(open_with, view, &list)) list.DeleteValue(a.file_type.w_str(), 0);
    list.Close();
    DeleteIfEmpty(a.extension, u"OpenWithProgids", view);
  }

  void Shell() const {
    const String shell = Below(a.file_type, u"shell");
    RestoreOrDeleteDefault(shell, backup_name, view);
    if (!a.verb.empty()) {
      const String verb = Below(shell, a.verb.w_str());
      if (!RestoreOrDeleteDefault(Below(verb, u"command"), backup_name, view)) {
        DeleteClassKey(verb, view);
      } else {
        RestoreOrDeleteDefault(verb, backup_name, view);  // the verb's label
      }
    }
    if (!HasSubkeys(shell, view)) DeleteClassKey(shell, view);
  }

  void Restore(uint32_t found) const {
    Extension();
    RegistryKey type_key;
    if (OpenClassKey(a.file_type, view, &type_key)) RestoreDefault(type_key, backup_name);
    if (!a.icon.empty()) {
      RestoreOrDeleteDefault(Below(a.file_type, u"DefaultIcon"), backup_name, view);
      DeleteIfEmpty(a.file_type, u"DefaultIcon", view);
    }
    Shell();
    if (type_key.is_open()) type_key.WriteNumber(mark_name.w_str(), found | kMarkRestored, 0);
  }

  // Drops the backups, then the type the install made (and its extension),
  // or else the mark: the last step, after which nothing is undone again.
  void Clean(uint32_t found) const {
    const Array<String> keys = BackupKeys();
    for (const String& subkey : keys) {
      RegistryKey key;
      if (OpenClassKey(subkey, view, &key)) key.DeleteValue(backup_name.w_str(), 0);
    }
    if (!(found & kTypeFound) && !HasSubkeys(a.file_type, view)) {
      if (!(found & kExtensionFound)) DeleteClassKey(a.extension, view);
      DeleteClassKey(a.file_type, view);
      return;
    }
    RegistryKey type_key;
    if (OpenClassKey(a.file_type, view, &type_key)) type_key.DeleteValue(mark_name.w_str(), 0);
  }
};

}  // namespace

void UndoAssociation(const AssociationToUndo& a, const String& product_name, RegView view) {
  if (a.extension.empty() || a.file_type.empty()) return;
  const Undo undo{a, BackupValueName(product_name), AssociationMarkName(product_name), view};
  uint32_t found = 0;
  bool has_mark = false;
  const bool has_backup = undo.ReadFound(&found, &has_mark);
  const AssociationUndoPlan plan = PlanAssociationUndo(has_mark, found, has_backup, !has_mark && !has_backup && undo.PointsAtProduct());
  if (plan.restore) undo.Restore(found & ~static_cast<uint32_t>(kMarkRestored));
  if (plan.clean) undo.Clean(found);
}
