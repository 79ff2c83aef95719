#include "actions/path_list.h"

#include "core/path_rules.h"
#include "core/string_compare.h"

namespace {

// The length of `text` without trailing backslashes, keeping the one after a
// drive ("C:\").
int32_t TrimmedLength(const char16_t* text, int32_t units) {
  while (units > 0 && text[units - 1] == u'\\' && !(units == 3 && text[1] == u':')) --units;
  return units;
}

bool SameEntry(const char16_t* entry, int32_t units, const char16_t* folder, int32_t folder_units) {
  const int32_t a = TrimmedLength(entry, units);
  const int32_t b = TrimmedLength(folder, folder_units);
  return a > 0 && CompareNoCaseW(entry, a, folder, b) == 0;
}

int32_t Units(const char16_t* text) {
  int32_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// The end of the entry that starts at `start`: the next ';' or the end.
int32_t EntryEnd(const String& path, int32_t start) {
  const int32_t end = path.FindW(u';', start);
  return end < 0 ? path.wlength() : end;
}

}  // namespace

bool AddPathEntry(String& path, const char16_t* folder) {
  const int32_t folder_units = Units(folder);
  if (TrimmedLength(folder, folder_units) == 0) return false;
  const char16_t* text = path.w_str();
  for (int32_t start = 0; start <= path.wlength();) {
    const int32_t end = EntryEnd(path, start);
    if (SameEntry(text + start, end - start, folder, folder_units)) return false;
    start = end + 1;
  }
  if (!path.empty() && !path.EndsWithW(u";")) path.AppendW(u';');
  path.AppendW(folder, folder_units);
  return true;
}

bool RemovePathEntry(String& path, const char16_t* folder) {
  const int32_t folder_units = Units(folder);
  bool changed = false;
  for (int32_t start = 0; start <= path.wlength();) {
    const int32_t end = EntryEnd(path, start);
    if (!SameEntry(path.w_str() + start, end - start, folder, folder_units)) {
      start = end + 1;
      continue;
    }
    changed = true;
    if (end < path.wlength()) {
      path.DeleteW(start, end + 1 - start);  // the entry and the ';' after it
    } else if (start > 0) {
      path.DeleteW(start - 1);  // the last entry and the ';' before it
      break;
    } else {
      path.DeleteW(0);
      break;
    }
  }
  return changed;
}

String PathAdditionFolder(const String& install_folder, const String& subfolder) {
  String folder = subfolder.empty()                      ? install_folder
                  : IsAbsolutePathW(subfolder.w_str())   ? subfolder
                                                         : JoinPath(install_folder, subfolder.w_str());
  folder.TruncateAtW(TrimmedLength(folder.w_str(), folder.wlength()));
  return folder;
}
