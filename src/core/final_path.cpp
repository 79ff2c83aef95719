#include "core/final_path.h"

#include "core/string_compare.h"

namespace {

bool StartsWith(const String& text, const char16_t* prefix) {
  int32_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.wlength() || text.AtW(i) != prefix[i]) return false;
  }
  return true;
}

int32_t UnitsWithoutClosingSeparator(const String& path) {
  int32_t units = path.wlength();
  if (units > 3 && path.AtW(units - 1) == u'\\') --units;
  return units;
}

}  // namespace

String PlainFinalPath(const String& final_path) {
  if (StartsWith(final_path, u"\\\\?\\UNC\\")) {
    String plain(u"\\");
    plain.AppendW(final_path.w_str() + 7, final_path.wlength() - 7);
    return plain;
  }
  if (StartsWith(final_path, u"\\\\?\\")) return String(final_path.w_str() + 4, final_path.wlength() - 4);
  return final_path;
}

bool SameFullPath(const String& a, const String& b) {
  return CompareNoCaseW(a.w_str(), UnitsWithoutClosingSeparator(a), b.w_str(), UnitsWithoutClosingSeparator(b)) ==
         0;
}

String WithDriveRoot(const String& path, const String& root) {
  if (path.wlength() < 2 || path.AtW(1) != u':') return path;
  int32_t units = root.wlength();
  if (units > 0 && root.AtW(units - 1) == u'\\') --units;
  String joined(root.w_str(), units);
  joined.AppendW(path.w_str() + 2, path.wlength() - 2);
  return joined;
}
