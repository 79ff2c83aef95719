// What counts as a valid path, an absolute path and a bare file name. Used
// wherever a user-entered or package-supplied path is accepted. Nothing here
// touches the file system.
#pragma once

#include <cstdint>

#include "core/string.h"

enum PathOption : uint32_t {
  // Wildcards the path may hold; the two bits choose the illegal-character set.
  kPathAllowStar = 0x1,
  kPathAllowQuestion = 0x2,
  // Remove surrounding blanks first; without it a path that begins or ends
  // with a blank (space, CR, LF, tab) is invalid.
  kPathTrim = 0x4,
  kPathMustBeAbsolute = 0x20,
  kPathAllowTrailingBackslash = 0x80,
  // Forward slashes count as backslashes.
  kPathForwardSlashes = 0x800,
};

// The characters a path may not hold, by the two wildcard bits of `options`:
// 0 "/\"<>|*?;", 1 "/\"<>|?:;", 2 "/\"<>|*:;", 3 "/\"<>|:;". The validator
// adds ':' to every set (a drive colon is checked on its own).
const char* IllegalPathCharacters(uint32_t options);

// Whether `path` is acceptable under `options`: not empty; no trailing
// backslash unless allowed; surrounding double quotes are removed; absolute
// when required; a colon only as the second character after a drive letter;
// no character of the chosen set and no control character; no "\\\\" except
// at the very start (a network path).
bool IsValidPath(const char* path, uint32_t options);
bool IsValidPathW(const char16_t* path, uint32_t options);

// Starts, after leading blanks and an optional '|' (the mark of a UTF-8
// name), with "\\\\" (a network path) or a drive letter, ':' and '\\'.
bool IsAbsolutePath(const char* path);
bool IsAbsolutePathW(const char16_t* path);

// A bare name as found in a folder listing: not empty, not "." or "..", and
// none of "/\\\"<>|*?;:" or a control character, so that it can never reach
// outside the folder it is joined to.
bool IsValidFileName(const char* name);
bool IsValidFileNameW(const char16_t* name);

// One part of a relative name that names exactly one file or folder below
// the folder it is joined to: not "..", not a part that ends in a dot or a
// blank (the system drops those, so two names could meet, or ". ." climbs),
// and not a reserved device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9 with
// ASCII or superscript digits, CONIN$, CONOUT$; any case, with or without an
// extension), which reaches the device instead of a file. An empty part,
// "." and a part of three or more dots alone are plain.
bool IsPlainNamePart(const char16_t* part, int32_t units);

// Name helpers. Both "\\" and "/" separate components.
// `folder` + "\\" + `name`, with no doubled separator between them; empty
// when `folder` is empty.
String JoinPath(const String& folder, const char16_t* name);
// The path without its last `count` components (trailing separators first
// removed); a drive keeps its root ("C:\\Web" gives "C:\\"). Empty when the
// path has too few components.
String WithoutLastComponents(const String& path, int32_t count);
