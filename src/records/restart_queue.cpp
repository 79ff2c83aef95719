#include "records/restart_queue.h"

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

namespace {

// The strings of the data, empty ones included, without the zeros at its end.
void SplitStrings(const String& data, Array<String>* strings) {
  const char16_t* units = data.w_str();
  int32_t end = data.wlength();
  while (end > 0 && units[end - 1] == 0) --end;
  if (end == 0) return;
  int32_t start = 0;
  for (int32_t i = 0; i <= end; ++i) {
    if (i < end && units[i] != 0) continue;
    strings->Add(String(units + start, i - start));
    start = i + 1;
  }
}

bool IsPrefixCharacter(char16_t unit) { return unit == u'\\' || unit == u'?' || unit == u'!'; }

}  // namespace

void ParsePendingRenames(const String& data, Vector<PendingRename>* pairs) {
  Array<String> strings;
  SplitStrings(data, &strings);
  for (int32_t i = 0; i < strings.Count(); i += 2) {
    PendingRename& pair = pairs->Emplace();
    pair.source = strings[i];
    if (i + 1 < strings.Count()) pair.target = strings[i + 1];
  }
}

String EncodePendingRenames(const Vector<PendingRename>& pairs) {
  String data;
  for (const PendingRename& pair : pairs) {
    data.AppendW(pair.source.w_str(), pair.source.wlength());
    data.AppendW(u'\0');
    data.AppendW(pair.target.w_str(), pair.target.wlength());
    data.AppendW(u'\0');
  }
  data.AppendW(u'\0');
  return data;
}

String WithoutPendingPrefix(const String& stored) {
  int32_t skip = 0;
  while (skip < stored.wlength() && IsPrefixCharacter(stored.AtW(skip))) ++skip;
  return String(stored.w_str() + skip, stored.wlength() - skip);
}

PendingCleanup DropPendingOperations(Vector<PendingRename>* pairs, const FileSet& files) {
  PendingCleanup cleanup;
  for (int32_t i = 0; i < pairs->Count();) {
    const PendingRename& pair = (*pairs)[i];
    if (!pair.is_deletion()) {
      const String target = FoldedPath(WithoutPendingPrefix(pair.target));
      if (!files.Contains(target)) {
        ++i;
        continue;
      }
      AppendFormatW(cleanup.log, u"File \"%s\" was removed from the list of pending moves.\r\n", target.w_str());
      cleanup.orphaned_sources.Add(WithoutPendingPrefix(pair.source));
    } else {
      const String source = FoldedPath(WithoutPendingPrefix(pair.source));
      if (!source.empty() && !files.Contains(source)) {
        ++i;
        continue;
      }
      if (!source.empty()) {
        AppendFormatW(cleanup.log, u"File \"%s\" was removed from the list of pending deletions.\r\n",
                      source.w_str());
      }
    }
    pairs->Remove(i);
    cleanup.changed = true;
  }
  return cleanup;
}
