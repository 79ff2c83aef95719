#include "core/folder_walk.h"

namespace {

bool EndsWithSubfolderSwitch(const String& text) {
  const int32_t units = text.wlength();
  if (units < 3) return false;
  const char16_t s = text.AtW(units - 1);
  return text.AtW(units - 3) == u' ' && text.AtW(units - 2) == u'/' && (s == u's' || s == u'S');
}

}  // namespace

WalkSpecification SplitWalkSpecification(const char16_t* search_path) {
  WalkSpecification result;
  String text(search_path);
  text.TrimW();
  if (EndsWithSubfolderSwitch(text)) {
    result.subfolders = true;
    text.TruncateAtW(text.wlength() - 3);
    text.TrimW();
  }
  int32_t cut = text.wlength();
  while (cut > 0 && text.AtW(cut - 1) != u'\\' && text.AtW(cut - 1) != u'/' && text.AtW(cut - 1) != u':') --cut;
  result.folder = String(text.w_str(), cut);
  result.pattern = String(text.w_str() + cut, text.wlength() - cut);
  return result;
}
