#include "actions/merge_file.h"

#include "core/string_split.h"

namespace {

String Trimmed(const String& line) {
  String text = line;
  text.TrimW();
  return text;
}

// A quoted value name at the start of `line` ("\\" and "\"" escaped); the
// position after its closing quote, or -1.
int32_t TakeQuotedName(const String& line, String* name) {
  name->Clear();
  for (int32_t i = 1; i < line.wlength(); ++i) {
    const char16_t c = line.AtW(i);
    if (c == u'"') return i + 1;
    if (c == u'\\' && i + 1 < line.wlength()) ++i;
    name->AppendW(line.AtW(i));
  }
  return -1;
}

// Whether what follows the name is "=" and something other than "-".
bool SetsValue(const String& line, int32_t position) {
  const String rest = Trimmed(String(line.w_str() + position, line.wlength() - position));
  if (rest.wlength() < 2 || rest.AtW(0) != u'=') return false;
  return Trimmed(String(rest.w_str() + 1, rest.wlength() - 1)) != String(u"-");
}

}  // namespace

Vector<MergeWrite> MergeFileWrites(const String& text) {
  Vector<MergeWrite> writes;
  String key;  // empty outside a section that writes
  bool continued = false;
  for (const String& raw : SplitW(text, u"\n")) {
    String line = Trimmed(raw);
    if (line.StartsWithW(u"\xFEFF")) line = Trimmed(String(line.w_str() + 1, line.wlength() - 1));
    const bool was_continued = continued;
    continued = line.EndsWithW(u"\\");
    if (was_continued || line.empty()) continue;
    if (line.AtW(0) == u'[') {
      const int32_t end = line.FindLastW(u']');
      key = end > 1 && line.AtW(1) != u'-' ? String(line.w_str() + 1, end - 1) : String();
      if (!key.empty()) writes.Emplace(MergeWrite{key, String(), false});
      continue;
    }
    if (key.empty()) continue;
    MergeWrite write{key, String(), true};
    int32_t position = 1;
    if (line.AtW(0) == u'"') {
      position = TakeQuotedName(line, &write.value_name);
      if (position < 0 || write.value_name.FindW(u'\\') >= 0) continue;
    } else if (line.AtW(0) != u'@') {
      continue;
    }
    if (SetsValue(line, position)) writes.Emplace(static_cast<MergeWrite&&>(write));
  }
  return writes;
}
