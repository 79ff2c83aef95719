#include <windows.h>

#include "actions/association_undo.h"
#include "actions/associations.h"
#include "core/registry_win.h"

namespace {

constexpr uint32_t kOpenExisting = kRegNoStack | kRegOpenOnly;

enum class Restored { kNoBackup, kRestored };

bool OpenClassKey(const String& subkey, RegView view, RegistryKey* key) {
  return key->Open(RegRoot::kClassesRoot, subkey.w_str(), kOpenExisting, kRegWriteAccess, view) !=
         RegistryKey::kFailed;
}

// Puts a non-empty backup back as the key's default value and drops it.
Restored RestoreDefault(RegistryKey& key, const String& backup_name) {
  String old;
  if (!key.ReadText(backup_name.w_str(), &old, 0) || old.empty()) return Restored::kNoBackup;
  key.WriteText(u"", old, 0);
  key.DeleteValue(backup_name.w_str(), 0);
  return Restored::kRestored;
}

// Restores the default value of `subkey`, or deletes it when there was no
// backup; true when it was restored.
bool RestoreOrDeleteDefault(const String& subkey, const String& backup_name, RegView view) {
  RegistryKey key;
  if (!OpenClassKey(subkey, view, &key)) return false;
  if (RestoreDefault(key, backup_name) == Restored::kRestored) return true;
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

// Returns whether the extension key got its old default back (and so stays).
bool UndoExtension(const AssociationToUndo& a, const String& backup_name, RegView view) {
  bool kept = false;
  RegistryKey key;
  if (OpenClassKey(a.extension, view, &key)) kept = RestoreDefault(key, backup_name) == Restored::kRestored;
  if (a.verb.EqualsW(u"open")) {
    const String open_with = Below(a.extension, u"OpenWithProgids");
    RegistryKey list;
    if (OpenClassKey(open_with, view, &list)) list.DeleteValue(a.file_type.w_str(), 0);
    list.Close();
    DeleteIfEmpty(a.extension, u"OpenWithProgids", view);
  }
  return kept;
}

void UndoShell(const AssociationToUndo& a, const String& backup_name, RegView view) {
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

}  // namespace

void UndoAssociation(const AssociationToUndo& a, const String& product_name, RegView view) {
  if (a.extension.empty() || a.file_type.empty()) return;
  const String backup_name = BackupValueName(product_name);
  const bool extension_kept = UndoExtension(a, backup_name, view);
  // A type whose own description came back from its backup was there before
  // the install: it is the user's, however little of it is left.
  bool type_kept = false;
  {
    RegistryKey type_key;
    if (OpenClassKey(a.file_type, view, &type_key)) {
      type_kept = RestoreDefault(type_key, backup_name) == Restored::kRestored;
    }
  }
  if (!a.icon.empty()) {
    RestoreOrDeleteDefault(Below(a.file_type, u"DefaultIcon"), backup_name, view);
    DeleteIfEmpty(a.file_type, u"DefaultIcon", view);
  }
  UndoShell(a, backup_name, view);
  if (type_kept || HasSubkeys(a.file_type, view)) return;
  DeleteClassKey(a.file_type, view);
  if (!extension_kept) DeleteClassKey(a.extension, view);
}
