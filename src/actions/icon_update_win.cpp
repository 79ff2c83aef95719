#include <windows.h>

#include "actions/uninstall_registration.h"
#include "core/handle_win.h"
#include "records/icon_directory.h"
#include "records/log_writers.h"

namespace {

constexpr WORD kIconLanguage = 1033;  // English (United States), the program's own resources
constexpr uint16_t kFirstIconId = 1;
constexpr uint16_t kGroupId = 1;

// A resource update in progress; closing it without Commit discards it.
struct ResourceUpdateTraits {
  using Type = HANDLE;
  static Type Null() { return nullptr; }
  static bool IsValid(Type handle) { return handle != nullptr; }
  static void Close(Type handle) { EndUpdateResourceW(handle, TRUE); }
};
using ResourceUpdate = ScopedHandle<ResourceUpdateTraits>;

bool Commit(ResourceUpdate& update) { return EndUpdateResourceW(update.Release(), FALSE) != FALSE; }

bool AddResource(HANDLE update, LPCWSTR type, uint16_t id, const void* data, uint32_t size) {
  return UpdateResourceW(update, type, MAKEINTRESOURCEW(id), kIconLanguage, const_cast<void*>(data), size) != FALSE;
}

bool AddIcons(HANDLE update, const String& icon_file, const Vector<IconEntryHeader>& entries) {
  for (int32_t i = 0; i < entries.Count(); ++i) {
    const IconEntryHeader& entry = entries[i];
    const uint16_t id = static_cast<uint16_t>(kFirstIconId + i);
    if (!AddResource(update, RT_ICON, id, icon_file.bytes() + entry.offset, entry.bytes)) return false;
  }
  const String group = IconGroupResource(entries, kFirstIconId);
  return AddResource(update, RT_GROUP_ICON, kGroupId, group.c_str(), static_cast<uint32_t>(group.length()));
}

}  // namespace

bool ReplaceProgramIcon(Journal& journal, const String& path, const String& icon_file) {
  Vector<IconEntryHeader> entries;
  // An icon file that is not one would leave a broken icon group behind.
  if (!ReadIconDirectory(icon_file, &entries)) {
    LogText(journal, "Failed to replace uninstaller icon.\r\n");
    return false;
  }
  ResourceUpdate update(BeginUpdateResourceW(reinterpret_cast<const wchar_t*>(path.w_str()), FALSE));
  if (!update) {
    LogText(journal, "Failed to open uninstaller for icon replacement.\r\n");
    return false;
  }
  if (!AddIcons(update.get(), icon_file, entries) || !Commit(update)) {
    LogText(journal, "Failed to replace uninstaller icon.\r\n");
    return false;
  }
  return true;
}
