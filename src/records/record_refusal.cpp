#include "records/record_refusal.h"

#include "core/file_ops.h"
#include "core/registry_path.h"
#include "core/string_compare.h"
#include "core/string_split.h"
#include "core/system_folders.h"
#include "records/failure_summary.h"
#include "records/marked_path.h"

namespace {

Array<String> KeyParts(const String& subkey) {
  Array<String> parts;
  for (const String& part : SplitW(subkey, u"\\")) {
    if (!part.empty()) parts.Add(part);
  }
  return parts;
}

bool PartIs(const Array<String>& parts, int32_t index, const char16_t* name) {
  return index < parts.Count() && parts[index].EqualsNoCaseW(name);
}

// How many leading parts name the hive: none below a root of its own, the
// user's identifier below HKEY_USERS.
int32_t HiveParts(const RegPath& path, const Array<String>& parts) {
  if (path.root != RegRoot::kUsers || path.all_users) return 0;
  return parts.IsEmpty() ? 0 : 1;
}

bool IsClassesHive(const RegPath& path, const Array<String>& parts) {
  if (path.root == RegRoot::kClassesRoot) return true;
  return HiveParts(path, parts) == 1 && parts[0].EndsWithW(u"_Classes", true);
}

}  // namespace

bool IsSameOrBelow(const String& path, const String& folder) {
  const String below = WithoutTrailingSeparators(path);
  const String above = WithoutTrailingSeparators(folder);
  if (above.empty() || below.empty()) return false;
  if (CompareNoCaseW(above, below) == 0) return true;
  return below.wlength() > above.wlength() && below.AtW(above.wlength()) == u'\\' &&
         CompareNoCaseW(below.w_str(), above.wlength(), above.w_str(), above.wlength()) == 0;
}

bool IsTopRegistryKey(const String& key_path) {
  RegPath path;
  if (!ParseRegKeyPath(key_path.w_str(), &path)) return false;
  const Array<String> parts = KeyParts(path.subkey);
  const int32_t count = parts.Count();
  if (IsClassesHive(path, parts)) return count <= HiveParts(path, parts) + 1;
  const int32_t hive = HiveParts(path, parts);
  if (count <= hive + 1) return true;
  if (!PartIs(parts, hive, u"Software")) return false;
  int32_t software = hive + 1;
  if (PartIs(parts, software, u"Wow6432Node")) {
    if (count == software + 1) return true;
    ++software;
  }
  // The Classes root of this Software key, or a key directly below it.
  return PartIs(parts, software, u"Classes") && count <= software + 2;
}

bool IsProtectedFolderPath(const String& path, const Array<String>& folders) {
  if (IsDriveRoot(WithoutTrailingSeparators(path)) || IsDriveRoot(path)) return true;
  for (const String& folder : folders) {
    if (IsSameOrBelow(folder, path)) return true;
  }
  return false;
}

Array<String> SystemAndShellFolders() {
  Array<String> folders;
  // Not the web root: without a web server it is only a default name, and a
  // product may well have made it.
  for (int32_t source = static_cast<int32_t>(FolderSource::kWindows);
       source <= static_cast<int32_t>(FolderSource::kMediaPath); ++source) {
    for (const FolderView view : {FolderView::kDefault, FolderView::k32, FolderView::k64}) {
      const String folder = FolderPath(static_cast<FolderSource>(source), view);
      if (!folder.empty()) folders.Add(folder);
    }
  }
  return folders;
}

bool RefuseRecord(Journal& journal, const ParsedRecord& record, const Array<String>& protected_folders) {
  const String path = UnmarkPath(record.path);
  bool refused = false;
  if (record.kind == kRecordRegistryKey || record.kind == kRecordRegistryKey64) {
    refused = IsTopRegistryKey(path);
  } else if (record.kind == kRecordRegistryValue) {
    String key, value;
    SplitValue(path.w_str(), path.wlength(), &key, &value);
    refused = IsTopRegistryKey(key);
  } else {
    refused = IsProtectedFolderPath(path, protected_folders);
  }
  if (refused) {
    AddFailureFormatW(journal, u"Refused to remove \"%s\": it is a system folder or a top registry key.\r\n\r\n",
                      path.w_str());
  }
  return refused;
}
