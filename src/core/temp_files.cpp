#include "core/temp_files.h"

String TemporaryFolderFromAnswer(const char16_t* answer, int32_t units) {
  String folder;
  if (answer && units > 0) {
    folder.AssignW(answer, units);
  } else {
    folder.AssignW(u"c:\\temp");
  }
  if (folder.AtW(folder.wlength() - 1) != u'\\') folder.AppendW(u'\\');
  return folder;
}

String RandomTemporaryName(const String& folder, const char16_t* prefix, uint64_t random) {
  String name = folder;
  if (name.wlength() > 0 && name.AtW(name.wlength() - 1) != u'\\') name.AppendW(u'\\');
  if (prefix) name.AppendW(prefix);
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  for (int shift = 60; shift >= 0; shift -= 4) name.AppendW(kDigits[(random >> shift) & 0xF]);
  name.AppendW(u".tmp");
  return name;
}
