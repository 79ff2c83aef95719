#include "core/environment.h"

String ProgramFileName() {
  const String path = ProgramFilePath();
  int32_t start = path.wlength();
  while (start > 0 && path.AtW(start - 1) != u'\\' && path.AtW(start - 1) != u'/') --start;
  return String(path.w_str() + start, path.wlength() - start);
}
