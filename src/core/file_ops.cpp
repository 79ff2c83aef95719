#include "core/file_ops.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

String WithoutTrailingSeparators(const String& path) {
  int32_t end = path.wlength();
  while (end > 0 && IsSeparator(path.AtW(end - 1))) --end;
  return String(path.w_str(), end);
}

String ParentFolder(const String& path) {
  const String trimmed = WithoutTrailingSeparators(path);
  int32_t end = trimmed.wlength();
  while (end > 0 && !IsSeparator(trimmed.AtW(end - 1))) --end;
  // Keep the separator of a drive root: the parent of "C:\\a" is "C:\\".
  if (end == 3 && trimmed.AtW(1) == u':') return String(trimmed.w_str(), end);
  while (end > 0 && IsSeparator(trimmed.AtW(end - 1))) --end;
  return String(trimmed.w_str(), end);
}

bool IsDriveRoot(const String& path) {
  const int32_t units = path.wlength();
  if (units < 2 || units > 3 || path.AtW(1) != u':') return false;
  return units == 2 || IsSeparator(path.AtW(2));
}

bool IsBlankText(const char16_t* text) {
  String trimmed(text);
  trimmed.TrimW();
  return trimmed.empty();
}

bool IsShellFolderFile(const char16_t* name) {
  const String text(name);
  return text.EqualsNoCaseW(u"thumbs.db") || text.EqualsNoCaseW(u"desktop.ini");
}
