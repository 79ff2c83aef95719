// Operations named by a text path, and the every-user forms that apply a
// key path to each user's hive under HKEY_USERS.
#include <utility>

#include "core/registry_report_win.h"
#include "core/registry_win.h"

namespace {

constexpr uint32_t kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

bool Missing() { return GetLastError() == ERROR_FILE_NOT_FOUND; }

// Deletes the key `path` below `root` by opening its parent: a missing
// parent is a missing key.
int DeleteKeyAt(RegRoot root, const String& path, uint32_t options, RegView view) {
  String parent, leaf;
  SplitValue(path.w_str(), path.wlength(), &parent, &leaf);
  if (leaf.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return RegistryKey::kNoSubkey;
  }
  RegistryKey key;
  if (key.Open(root, parent.w_str(), kRegOpenOnly | kRegNoStack, kRegQueryAccess, view) == RegistryKey::kFailed) {
    return Missing() ? RegistryKey::kNotFound : RegistryKey::kDeleteFailed;
  }
  return key.DeleteKey(leaf.w_str(), options);
}

// Deletes a value below `root`; a missing key or value counts as done.
bool DeleteValueAt(RegRoot root, const String& key_path, const char16_t* value_name, uint32_t options,
                   RegView view) {
  RegistryKey key;
  if (key.Open(root, key_path.w_str(), kRegOpenOnly | kRegNoStack, kValueAccess, view) == RegistryKey::kFailed) {
    return Missing();
  }
  return key.DeleteValue(value_name, options & kRegShowError) || Missing();
}

// The worse of two DeleteKey results, in the order failed, not empty,
// deleted, not found.
int Worse(int a, int b) {
  for (int result : {RegistryKey::kDeleteFailed, RegistryKey::kNotEmpty, RegistryKey::kDeleted}) {
    if (a == result || b == result) return result;
  }
  return RegistryKey::kNotFound;
}

}  // namespace

String ReadText(RegRoot root, const char16_t* path, const char16_t* default_text, uint32_t options,
                RegView view) {
  String key_path, name, text;
  SplitValue(path, String::kToEnd, &key_path, &name);
  RegistryKey key;
  const uint32_t open_options = kRegOpenOnly | kRegNoStack | (options & kRegShowError);
  if (key.Open(root, key_path.w_str(), open_options, kRegQueryAccess, view) == RegistryKey::kFailed) {
    if (options & kRegRequired) RequiredRegistryValueMissing(RegDisplayPath(root, key_path.w_str()), name.w_str());
    return String(default_text);
  }
  if (!key.ReadText(name.w_str(), &text, options)) return String(default_text);
  return text;
}

bool ProfileListHives(Array<String>* hives) {
  // The native view: the list is the system's, whatever the program's bitness.
  RegistryKey key;
  if (key.Open(RegRoot::kLocalMachine, kProfileListKey, kRegOpenOnly, kRegQueryAccess, RegView::k64) ==
      RegistryKey::kFailed) {
    return false;
  }
  return key.EnumerateSubkeys(hives);
}

bool LoadedUserHives(Array<String>* hives) {
  RegistryKey key;
  Array<String> names;
  if (key.Open(RegRoot::kUsers, u"", kRegOpenOnly, kRegQueryAccess, RegView::kDefault) == RegistryKey::kFailed ||
      !key.EnumerateSubkeys(&names)) {
    return false;
  }
  FilterUserHives(names, hives);
  return true;
}

bool UserHives(Array<String>* hives) {
  Array<String> found;
  if (!ProfileListHives(&found)) {
    found.RemoveAll();
    if (!LoadedUserHives(&found)) return false;
  }
  for (String& hive : found) hives->Add(std::move(hive));
  return true;
}

bool DeleteValueForAllUsers(const char16_t* key_path, const char16_t* value_name, uint32_t options,
                            RegView view) {
  Array<String> hives;
  return UserHives(&hives) && DeleteValueForAllUsers(hives, key_path, value_name, options, view);
}

bool DeleteValueForAllUsers(const Array<String>& hives, const char16_t* key_path, const char16_t* value_name,
                            uint32_t options, RegView view) {
  bool done = true;
  for (const String& hive : hives) {
    const String path = UserHiveSubkey(hive.w_str(), key_path);
    if (!DeleteValueAt(RegRoot::kUsers, path, value_name, options, view)) done = false;
    if ((options & kRegRemoveEmptyKey) &&
        DeleteKeyAt(RegRoot::kUsers, path, kRegOnlyIfEmpty, view) == RegistryKey::kDeleteFailed) {
      done = false;
    }
  }
  return done;
}

int DeleteKeyForAllUsers(const char16_t* key_path, uint32_t options, RegView view) {
  Array<String> hives;
  if (!UserHives(&hives)) return RegistryKey::kDeleteFailed;
  return DeleteKeyForAllUsers(hives, key_path, options, view);
}

int DeleteKeyForAllUsers(const Array<String>& hives, const char16_t* key_path, uint32_t options, RegView view) {
  int result = RegistryKey::kNotFound;
  for (const String& hive : hives) {
    result = Worse(result, DeleteKeyAt(RegRoot::kUsers, UserHiveSubkey(hive.w_str(), key_path), options, view));
  }
  return result;
}

int DeleteKeyPath(const char16_t* path, uint32_t options, RegView view) {
  RegPath key;
  if (!ParseRegKeyPath(path, &key)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return RegistryKey::kDeleteFailed;
  }
  if (key.all_users) return DeleteKeyForAllUsers(key.subkey.w_str(), options, view);
  return DeleteKeyAt(key.root, key.subkey, options, view);
}

bool DeleteValuePath(const char16_t* path, uint32_t options, RegView view) {
  RegPath key;
  String name;
  if (!ParseRegValuePath(path, &key, &name)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  if (key.all_users) return DeleteValueForAllUsers(key.subkey.w_str(), name.w_str(), options, view);
  return DeleteValueAt(key.root, key.subkey, name.w_str(), options, view);
}
