#include "core/registry_path.h"

#include <utility>

namespace {

template <class Char>
Char FoldAscii(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - 'a' + 'A') : c;
}

// Whether the n characters at `text` spell the ASCII `name`, ignoring case.
template <class Char>
bool SpellsNoCase(const Char* text, const char* name, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    if (FoldAscii(text[i]) != static_cast<Char>(FoldAscii(name[i]))) return false;
  }
  return true;
}

int32_t AsciiLength(const char* name) {
  int32_t n = 0;
  while (name[n]) ++n;
  return n;
}

template <class Char>
int32_t Measure(const Char* text, int32_t units) {
  if (!text) return 0;
  if (units != String::kToEnd) return units;
  int32_t n = 0;
  while (text[n]) ++n;
  return n;
}

// Matches `name` at `start` followed by a backslash or the end. Returns the
// length up to and including that backslash, or -1.
template <class Char>
int32_t MatchName(const Char* path, int32_t units, int32_t start, const char* name) {
  int32_t end = start + AsciiLength(name);
  if (end > units || !SpellsNoCase(path + start, name, end - start)) return -1;
  if (end == units) return end;
  return path[end] == '\\' ? end + 1 : -1;
}

template <class Char>
int32_t RootPrefix(const Char* path, int32_t units, bool short_only, RegRoot* root) {
  units = Measure(path, units);
  bool leading = units > 0 && path[0] == '\\';
  if (short_only && !leading) return -1;
  int32_t start = leading ? 1 : 0;
  for (const RegRootName& row : kRegRootNames) {
    int32_t n = MatchName(path, units, start, row.short_name);
    if (n < 0 && !short_only) n = MatchName(path, units, start, row.long_name);
    if (n >= 0) {
      *root = row.root;
      return n;
    }
  }
  *root = RegRoot::kNone;
  return -1;
}

void DropTrailingBackslashes(String* text) {
  int32_t n = text->wlength();
  while (n > 0 && text->w_str()[n - 1] == u'\\') --n;
  text->TruncateAtW(n);
}

bool EndsWithNoCase(const char16_t* text, int32_t units, const char* tail) {
  int32_t n = AsciiLength(tail);
  return units >= n && SpellsNoCase(text + units - n, tail, n);
}

}  // namespace

const RegRootName kRegRootNames[kRegRootCount] = {
    {RegRoot::kLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM", "\\HKLM\\", u"HKEY_LOCAL_MACHINE", u"HKLM",
     u"\\HKLM\\"},
    {RegRoot::kCurrentUser, "HKEY_CURRENT_USER", "HKCU", "\\HKCU\\", u"HKEY_CURRENT_USER", u"HKCU",
     u"\\HKCU\\"},
    {RegRoot::kClassesRoot, "HKEY_CLASSES_ROOT", "HKCR", "\\HKCR\\", u"HKEY_CLASSES_ROOT", u"HKCR",
     u"\\HKCR\\"},
    {RegRoot::kUsers, "HKEY_USERS", "HKU", "\\HKU\\", u"HKEY_USERS", u"HKU", u"\\HKU\\"},
    {RegRoot::kCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC", "\\HKCC\\", u"HKEY_CURRENT_CONFIG", u"HKCC",
     u"\\HKCC\\"},
    {RegRoot::kDynData, "HKEY_DYN_DATA", "HKDD", "\\HKDD\\", u"HKEY_DYN_DATA", u"HKDD", u"\\HKDD\\"},
};

const char16_t kAllUsersBracketed[] = u"\\HKAU\\";
const char16_t kProfileListKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

const RegRootName* FindRegRoot(RegRoot root) {
  for (const RegRootName& row : kRegRootNames) {
    if (row.root == root) return &row;
  }
  return nullptr;
}

int32_t RootPrefixLength(const char16_t* path, int32_t units, RegRoot* root) {
  return RootPrefix(path, units, false, root);
}

int32_t RootPrefixLength(const char* path, int32_t bytes, RegRoot* root) {
  return RootPrefix(path, bytes, false, root);
}

int32_t BracketedRootLength(const char16_t* path, int32_t units, RegRoot* root) {
  return RootPrefix(path, units, true, root);
}

int32_t AllUsersPrefixLength(const char16_t* path, int32_t units) {
  units = Measure(path, units);
  int32_t start = (units > 0 && path[0] == u'\\') ? 1 : 0;
  return MatchName(path, units, start, "HKAU");
}

bool SplitRoot(const char16_t* path, RegRoot* root, String* rest) {
  int32_t n = RootPrefixLength(path, String::kToEnd, root);
  if (n < 0) {
    rest->Clear();
    return false;
  }
  rest->AssignW(path + n);
  return true;
}

void SplitValue(const char16_t* path, int32_t units, String* key, String* value) {
  units = Measure(path, units);
  int32_t last = units - 1;
  while (last >= 0 && path[last] != u'\\') --last;
  // Assign through a copy: `path` may lie inside `key` or `value`.
  String head(path, last < 0 ? 0 : last);
  value->AssignW(path + last + 1, units - last - 1);
  *key = std::move(head);
}

bool ParseRegKeyPath(const char16_t* text, RegPath* out) {
  int32_t n = AllUsersPrefixLength(text, String::kToEnd);
  out->all_users = n >= 0;
  if (out->all_users) {
    out->root = RegRoot::kUsers;
  } else {
    n = RootPrefixLength(text, String::kToEnd, &out->root);
  }
  if (n < 0) {
    out->subkey.Clear();
    return false;
  }
  out->subkey.AssignW(text + n);
  DropTrailingBackslashes(&out->subkey);
  return true;
}

bool ParseRegValuePath(const char16_t* text, RegPath* key, String* value) {
  String key_text;
  SplitValue(text, String::kToEnd, &key_text, value);
  // A bare root with a value ("HKLM\\Name") splits into "HKLM" and "Name".
  if (!ParseRegKeyPath(key_text.w_str(), key)) {
    value->Clear();
    return false;
  }
  return true;
}

String RegPathText(RegRoot root, const char16_t* subkey, const char16_t* value) {
  String text;
  const RegRootName* row = FindRegRoot(root);
  text.AppendW(row ? row->bracketed_w : u"\\");
  text.AppendW(subkey ? subkey : u"");
  if (value) {
    text.AppendW(u'\\');
    text.AppendW(value);
  }
  return text;
}

String RegDisplayPath(RegRoot root, const char16_t* subkey) {
  String display;
  const RegRootName* row = FindRegRoot(root);
  if (row) display.AppendW(row->long_name_w);
  display.AppendW(u'\\');
  AppendRegDisplayPath(&display, subkey);
  return display;
}

void AppendRegDisplayPath(String* display, const char16_t* subkey) {
  if (!subkey || !*subkey) return;
  display->AppendW(subkey);
  display->AppendW(u'\\');
}

String UserHiveSubkey(const char16_t* hive, const char16_t* subkey) {
  String path(hive);
  if (subkey && *subkey) {
    path.AppendW(u'\\');
    path.AppendW(subkey);
  }
  return path;
}

bool IsUserHiveName(const char16_t* name) {
  int32_t units = Measure(name, String::kToEnd);
  if (units == 0) return false;
  if (units == 8 && SpellsNoCase(name, ".DEFAULT", 8)) return false;
  return !EndsWithNoCase(name, units, "_Classes");
}

void FilterUserHives(const Array<String>& names, Array<String>* hives) {
  for (const String& name : names) {
    if (IsUserHiveName(name.w_str())) hives->Add(name);
  }
}
