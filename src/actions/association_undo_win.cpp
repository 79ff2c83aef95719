// Undoing the file associations an installation recorded: old defaults come
// back from their backup values, what the installation added goes, and a
// file type or extension key is removed only when nothing else is left in it.
#include <windows.h>
#include <shlobj.h>

#include "actions/associations.h"
#include "core/codepage.h"
#include "core/registry_win.h"
#include "core/string_compare.h"

namespace {

constexpr uint32_t kOpenOnly = kRegOpenOnly | kRegNoStack;

bool OpenClass(const String& subkey, RegView view, RegistryKey* key) {
  return key->Open(RegRoot::kClassesRoot, subkey.w_str(), kOpenOnly, kRegWriteAccess, view) != RegistryKey::kFailed;
}

// Puts a non-empty backup back as the default value. True when it did.
bool RestoreDefault(RegistryKey& key, const String& backup_name) {
  String old;
  if (!key.ReadText(backup_name.w_str(), &old, 0) || old.empty()) return false;
  key.WriteText(u"", old, 0);
  key.DeleteValue(backup_name.w_str(), 0);
  return true;
}

void RestoreOrDeleteDefault(RegistryKey& key, const String& backup_name) {
  if (!RestoreDefault(key, backup_name)) key.DeleteValue(u"", 0);
}

bool HasSubkeys(RegistryKey& key) {
  Array<String> names;
  key.EnumerateSubkeys(&names);
  return names.Count() > 0;
}

String Join(const String& key, const char16_t* subkey) {
  String path = key;
  path.AppendW(u"\\");
  path.AppendW(subkey);
  return path;
}

// Deletes HKCR\`path` with everything below it.
void DeleteClassKey(const String& path, RegView view) {
  const int32_t slash = path.FindLastW(u'\\');
  RegistryKey parent;
  const String parent_path = slash < 0 ? String() : String(path.w_str(), slash);
  if (!OpenClass(parent_path, view, &parent)) return;
  parent.DeleteKey(path.w_str() + slash + 1, 0);
}

// Deletes HKCR\`path` when it holds neither values nor subkeys.
void DeleteClassKeyIfEmpty(const String& path, RegView view) {
  RegistryKey key;
  if (!OpenClass(path, view, &key)) return;
  Array<String> values;
  key.EnumerateValues(&values);
  const bool empty = values.Count() == 0 && !HasSubkeys(key);
  key.Close();
  if (empty) DeleteClassKey(path, view);
}

// The extension key: its old default, and the type out of "OpenWithProgids".
// True when the extension key stays (it had a default of its own).
bool UndoExtension(const String& extension, const String& type, const String& verb, const String& backup,
                   RegView view) {
  RegistryKey key;
  if (!OpenClass(extension, view, &key)) return false;
  const bool kept = RestoreDefault(key, backup);
  key.Close();
  if (CompareNoCaseW(verb, String(u"open")) == 0) {
    const String open_with = Join(extension, u"OpenWithProgids");
    RegistryKey list;
    if (OpenClass(open_with, view, &list)) {
      list.DeleteValue(type.w_str(), 0);
      list.Close();
      DeleteClassKeyIfEmpty(open_with, view);
    }
  }
  return kept;
}

void UndoShell(const String& type, const String& verb, const String& backup, RegView view) {
  const String shell_path = Join(type, u"shell");
  RegistryKey shell;
  if (!OpenClass(shell_path, view, &shell)) return;
  RestoreOrDeleteDefault(shell, backup);
  shell.Close();
  if (!verb.empty()) {
    const String verb_path = Join(shell_path, verb.w_str());
    RegistryKey command;
    bool restored = false;
    if (OpenClass(Join(verb_path, u"command"), view, &command)) {
      restored = RestoreDefault(command, backup);
      if (!restored) command.DeleteValue(u"", 0);
      command.Close();
    }
    if (!restored) DeleteClassKey(verb_path, view);
  }
  if (OpenClass(shell_path, view, &shell) && !HasSubkeys(shell)) {
    shell.Close();
    DeleteClassKey(shell_path, view);
  }
}

void UndoAssociation(const RecordedAssociation& recorded, const String& backup, RegView view) {
  const String extension = AnsiToUtf16(recorded.extension);
  const String type = AnsiToUtf16(recorded.file_type);
  const String verb = AnsiToUtf16(recorded.verb);
  const bool extension_kept = UndoExtension(extension, type, verb, backup, view);
  RegistryKey type_key;
  if (!OpenClass(type, view, &type_key)) return;
  RestoreDefault(type_key, backup);
  type_key.Close();
  if (!recorded.icon.empty()) {
    const String icon_path = Join(type, u"DefaultIcon");
    RegistryKey icon;
    if (OpenClass(icon_path, view, &icon)) {
      RestoreOrDeleteDefault(icon, backup);
      icon.Close();
    }
    DeleteClassKeyIfEmpty(icon_path, view);
  }
  UndoShell(type, verb, backup, view);
  if (!OpenClass(type, view, &type_key) || HasSubkeys(type_key)) return;
  type_key.Close();
  DeleteClassKey(type, view);
  if (!extension_kept) DeleteClassKey(extension, view);
}

}  // namespace

void UndoAssociations(const Vector<RecordedAssociation>& list, const String& product_name, RegView view) {
  if (list.IsEmpty()) return;
  const String backup = BackupValueName(product_name);
  for (const RecordedAssociation& recorded : list) {
    if (recorded.extension.empty() || recorded.file_type.empty()) continue;
    UndoAssociation(recorded, backup, view);
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
