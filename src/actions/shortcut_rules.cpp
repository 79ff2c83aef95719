#include "actions/shortcut_rules.h"

namespace {

bool IsBareDrive(const String& folder) { return folder.wlength() == 2 && folder.w_str()[1] == u':'; }

// Splits at the end of the first token: a quoted part, or up to the first blank.
void SplitFirstToken(const String& text, int32_t start, String* token, String* rest) {
  const char16_t* s = text.w_str();
  const int32_t n = text.wlength();
  int32_t end;
  int32_t next;
  if (start < n && s[start] == u'"') {
    end = start + 1;
    while (end < n && s[end] != u'"') ++end;
    token->AssignW(s + start + 1, end - start - 1);
    next = end < n ? end + 1 : end;
  } else {
    end = start;
    while (end < n && s[end] != u' ' && s[end] != u'\t') ++end;
    token->AssignW(s + start, end - start);
    next = end;
  }
  rest->AssignW(s + next, n - next);
  rest->TrimStartW();
}

}  // namespace

String LinkFileName(const String& path) {
  String name = path;
  if (!name.EndsWithW(u".lnk", true)) name.AppendW(u".LNK");
  return name;
}

String LinkWorkingFolder(const String& folder) {
  String stored = folder;
  while (stored.EndsWithW(u"\\") && !(stored.wlength() == 3 && stored.w_str()[1] == u':')) {
    stored.TruncateAtW(stored.wlength() - 1);
  }
  if (IsBareDrive(stored)) stored.AppendW(u'\\');
  return stored;
}

void SplitCommand(const String& command, String* program, String* arguments) {
  String trimmed = command;
  trimmed.TrimW();
  SplitFirstToken(trimmed, 0, program, arguments);
}

bool TakeTargetFromArguments(String* arguments, String* target) {
  if (!arguments->StartsWithW(u"~\"")) return false;
  String rest;
  SplitFirstToken(*arguments, 1, target, &rest);
  *arguments = rest;
  return true;
}

String LastPathComponent(const String& path) {
  const int32_t backslash = path.FindLastW(u'\\');
  const int32_t slash = path.FindLastW(u'/');
  const int32_t last = backslash > slash ? backslash : slash;
  return last < 0 ? path : String(path.w_str() + last + 1);
}
