#include "actions/restart_operations.h"

#include "core/format.h"
#include "core/search.h"

void AddWininitRename(String* content, const String& target, const String& source) {
  const int32_t header = content->Find(kWininitRenameSection, 0, kSearchIgnoreCase);
  if (header >= 0) {
    const String line = Format("\r\n%s=%s", target.c_str(), source.c_str());
    content->Insert(header + TextLength(kWininitRenameSection), line.c_str(), line.length());
    return;
  }
  if (!content->empty() && !content->EndsWith("\n")) content->Append("\r\n");
  AppendFormat(*content, "%s\r\n%s=%s", kWininitRenameSection, target.c_str(), source.c_str());
}
