// Whole keys: deleting a key with everything below it, and listing the
// subkeys and values of a key.
#include "core/registry_report_win.h"
#include "core/registry_win.h"

namespace {

// Key names have at most 255 units and value names 16383.
constexpr DWORD kNameUnits = 16384;

LONG ListNames(HKEY key, bool values, Array<String>* names) {
  String buffer;
  buffer.SetLength(static_cast<int32_t>(kNameUnits * 2));
  wchar_t* name = Wide(buffer.wdata());
  for (DWORD index = 0;; ++index) {
    DWORD units = kNameUnits;
    const LONG status = values ? RegEnumValueW(key, index, name, &units, nullptr, nullptr, nullptr, nullptr)
                               : RegEnumKeyExW(key, index, name, &units, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    names->Emplace(buffer.w_str(), static_cast<int32_t>(units));
  }
}

bool HasValues(HKEY key, LONG* status) {
  DWORD count = 0;
  *status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr);
  return count > 0;
}

// Deletes parent\name in `view`: the subkeys first, depth first, unless
// kRegOnlyIfEmpty asks to leave a key that holds anything. Sets the last
// error for every result but kDeleted.
int DeleteTree(HKEY parent, const char16_t* name, uint32_t options, RegView view) {
  RegKeyHandle key;
  LONG status = RegOpenKeyExW(parent, Wide(name), 0, WithView(KEY_READ | DELETE, view), key.Receive());
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_FILE_NOT_FOUND ? RegistryKey::kNotFound : RegistryKey::kDeleteFailed;
  }
  Array<String> children;
  status = ListNames(key.get(), false, &children);
  if (status == ERROR_SUCCESS && (options & kRegOnlyIfEmpty)) {
    const bool has_values = HasValues(key.get(), &status);
    if (status == ERROR_SUCCESS && (children.Count() > 0 || has_values)) {
      SetLastError(ERROR_DIR_NOT_EMPTY);
      return RegistryKey::kNotEmpty;
    }
  }
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    return RegistryKey::kDeleteFailed;
  }
  // A child that cannot go makes the delete below fail, which reports it.
  for (const String& child : children) DeleteTree(key.get(), child.w_str(), options, view);
  key.Close();
  status = RegDeleteKeyExW(parent, Wide(name), static_cast<REGSAM>(view), 0);
  if (status == ERROR_SUCCESS) return RegistryKey::kDeleted;
  SetLastError(static_cast<DWORD>(status));
  return status == ERROR_FILE_NOT_FOUND ? RegistryKey::kNotFound : RegistryKey::kDeleteFailed;
}

}  // namespace

int RegistryKey::DeleteKey(const char16_t* subkey, uint32_t options) {
  if (!is_open()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kNotFound;
  }
  if (!subkey || !*subkey) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kNoSubkey;
  }
  const int result = DeleteTree(key_.get(), subkey, options, view_);
  if (result == kDeleteFailed) {
    String display(display_);
    AppendRegDisplayPath(&display, subkey);
    ReportRegistryFailure(static_cast<LONG>(GetLastError()), options, display, nullptr);
  }
  return result;
}

bool RegistryKey::EnumerateSubkeys(Array<String>* names) {
  if (!is_open()) return ReportRegistryFailure(ERROR_INVALID_HANDLE, 0, display_, nullptr);
  const LONG status = ListNames(key_.get(), false, names);
  return status == ERROR_SUCCESS || ReportRegistryFailure(status, 0, display_, nullptr);
}

bool RegistryKey::EnumerateValues(Array<String>* names) {
  if (!is_open()) return ReportRegistryFailure(ERROR_INVALID_HANDLE, 0, display_, nullptr);
  const LONG status = ListNames(key_.get(), true, names);
  return status == ERROR_SUCCESS || ReportRegistryFailure(status, 0, display_, nullptr);
}
