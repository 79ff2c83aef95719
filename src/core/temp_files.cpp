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
