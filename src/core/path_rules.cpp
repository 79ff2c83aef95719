#include "core/path_rules.h"

#include <type_traits>

#include "core/char_class.h"

namespace {

constexpr const char* kIllegalSets[4] = {
    "/\"<>|*?;",  // no wildcards
    "/\"<>|?:;",  // '*' allowed
    "/\"<>|*:;",  // '?' allowed
    "/\"<>|:;",   // both allowed
};

constexpr char kFileNameIllegal[] = "/\\\"<>|*?;:";

bool InSet(uint32_t c, const char* set) {
  for (; *set; ++set) {
    if (c == static_cast<uint8_t>(*set)) return true;
  }
  return false;
}

bool IsControl(uint32_t c) { return c < 0x20; }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

template <class Char>
int32_t Measure(const Char* text) {
  int32_t n = 0;
  while (text[n]) ++n;
  return n;
}

// A part of a path, read with forward slashes turned into backslashes when asked.
template <class Char>
struct PathView {
  const Char* text;
  int32_t begin;
  int32_t end;
  bool slashes_are_backslashes;

  int32_t size() const { return end - begin; }
  uint32_t operator[](int32_t i) const {
    uint32_t c = static_cast<std::make_unsigned_t<Char>>(text[begin + i]);
    return slashes_are_backslashes && c == '/' ? '\\' : c;
  }
};

template <class Char>
bool StartsAbsolute(const PathView<Char>& path) {
  int32_t i = 0;
  while (i < path.size() && IsSpaceChar(path[i])) ++i;
  if (i < path.size() && path[i] == '|') ++i;
  if (path.size() - i < 2) return false;
  if (path[i] == '\\' && path[i + 1] == '\\') return true;
  return path.size() - i >= 3 && IsAsciiLetter(path[i]) && path[i + 1] == ':' && path[i + 2] == '\\';
}

template <class Char>
bool ValidPath(const Char* text, uint32_t options) {
  if (!text) return false;
  PathView<Char> path{text, 0, Measure(text), (options & kPathForwardSlashes) != 0};
  if (options & kPathTrim) {
    while (path.begin < path.end && IsSpaceChar(path[0])) ++path.begin;
    while (path.begin < path.end && IsSpaceChar(path[path.size() - 1])) --path.end;
  } else if (path.size() > 0 && (IsSpaceChar(path[0]) || IsSpaceChar(path[path.size() - 1]))) {
    return false;
  }
  if (path.size() == 0) return false;
  if (!(options & kPathAllowTrailingBackslash) && path[path.size() - 1] == '\\') return false;
  if (path.size() >= 2 && path[0] == '"' && path[path.size() - 1] == '"') {
    ++path.begin;
    --path.end;
    if (path.size() == 0) return false;
  }
  if ((options & kPathMustBeAbsolute) && !StartsAbsolute(path)) return false;
  int32_t i = 0;
  if (path.size() >= 2 && path[1] == ':') {
    if (!IsAsciiLetter(path[0])) return false;
    i = 2;
  }
  const char* illegal = IllegalPathCharacters(options);
  for (; i < path.size(); ++i) {
    const uint32_t c = path[i];
    if (c == ':' || IsControl(c) || InSet(c, illegal)) return false;
    // Only a network path may begin with two backslashes.
    if (c == '\\' && i > 0 && path[i - 1] == '\\' && i != 1) return false;
  }
  return true;
}

template <class Char>
bool AbsolutePath(const Char* text) {
  if (!text) return false;
  return StartsAbsolute(PathView<Char>{text, 0, Measure(text), false});
}

template <class Char>
bool ValidFileName(const Char* text) {
  if (!text || !text[0]) return false;
  if (text[0] == '.' && (!text[1] || (text[1] == '.' && !text[2]))) return false;
  for (const Char* p = text; *p; ++p) {
    const uint32_t c = static_cast<std::make_unsigned_t<Char>>(*p);
    if (IsControl(c) || InSet(c, kFileNameIllegal)) return false;
  }
  return true;
}

}  // namespace

const char* IllegalPathCharacters(uint32_t options) {
  return kIllegalSets[options & (kPathAllowStar | kPathAllowQuestion)];
}

bool IsValidPath(const char* path, uint32_t options) { return ValidPath(path, options); }
bool IsValidPathW(const char16_t* path, uint32_t options) { return ValidPath(path, options); }

bool IsAbsolutePath(const char* path) { return AbsolutePath(path); }
bool IsAbsolutePathW(const char16_t* path) { return AbsolutePath(path); }

bool IsValidFileName(const char* name) { return ValidFileName(name); }
bool IsValidFileNameW(const char16_t* name) { return ValidFileName(name); }

namespace {

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool SameAsciiNoCase(const char16_t* text, int32_t units, const char16_t* upper) {
  int32_t i = 0;
  for (; i < units && upper[i] != 0; ++i) {
    if (AsciiUpper(text[i]) != upper[i]) return false;
  }
  return i == units && upper[i] == 0;
}

bool IsDeviceDigit(char16_t c) { return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3'; }

// The stem (before the first dot, trailing blanks dropped as the system
// drops them) is one of the reserved device names.
bool IsDeviceName(const char16_t* part, int32_t units) {
  int32_t stem = 0;
  while (stem < units && part[stem] != u'.') ++stem;
  while (stem > 0 && part[stem - 1] == u' ') --stem;
  static const char16_t* const kNames[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  for (const char16_t* name : kNames) {
    if (SameAsciiNoCase(part, stem, name)) return true;
  }
  return stem == 4 && (SameAsciiNoCase(part, 3, u"COM") || SameAsciiNoCase(part, 3, u"LPT")) &&
         IsDeviceDigit(part[3]);
}

bool OnlyDots(const char16_t* part, int32_t units) {
  for (int32_t i = 0; i < units; ++i) {
    if (part[i] != u'.') return false;
  }
  return true;
}

}  // namespace

bool IsPlainNamePart(const char16_t* part, int32_t units) {
  if (units == 0 || OnlyDots(part, units)) return units != 2;
  const char16_t last = part[units - 1];
  return last != u'.' && last != u' ' && !IsDeviceName(part, units);
}

String JoinPath(const String& folder, const char16_t* name) {
  if (folder.empty()) return String();
  String out = folder;
  if (!IsSeparator(out.AtW(out.wlength() - 1))) out.AppendW(u'\\');
  const char16_t* rest = name ? name : u"";
  while (IsSeparator(*rest)) ++rest;
  out.AppendW(rest);
  return out;
}

String WithoutLastComponents(const String& path, int32_t count) {
  int32_t end = path.wlength();
  for (int32_t i = 0; i < count; ++i) {
    while (end > 0 && IsSeparator(path.AtW(end - 1))) --end;
    while (end > 0 && !IsSeparator(path.AtW(end - 1))) --end;
    while (end > 0 && IsSeparator(path.AtW(end - 1))) --end;
    if (end == 0) return String();
  }
  // A drive keeps its root backslash: "C:\\Web" loses "Web" and becomes "C:\\".
  if (end == 2 && path.AtW(1) == u':') ++end;
  return String(path.w_str(), end);
}
