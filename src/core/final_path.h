// Where an open file really is. An elevated installer writes into folders
// that other users may be able to write (any install folder outside the
// protected ones): a symbolic link or junction planted at a destination, or
// at one of its folders, would make it overwrite a file of that user's
// choice. Every open for writing therefore checks where its handle leads
// before anything is truncated or written.
#pragma once

#include <cstdint>

#include "core/string.h"

// The system error a write open reports when its handle leads elsewhere.
constexpr uint32_t kErrorLeadsElsewhere = 1920;  // ERROR_CANT_ACCESS_FILE

// A final path as the system gives it, without the "\\?\" prefix
// ("\\?\UNC\server\share" becomes "\\server\share").
String PlainFinalPath(const String& final_path);
// Whether two full paths name the same place: the same text ignoring case
// and a closing separator.
bool SameFullPath(const String& a, const String& b);
// The path with its drive ("X:") replaced by `root` (the drive root's own
// final path, for a substituted or network drive); the path itself when it
// has no drive.
String WithDriveRoot(const String& path, const String& root);

// Windows: whether the open `handle` is the file `path` names itself, with
// no link on the way. A drive letter may stand for another volume or a
// share, and the system folder of a 32-bit program on 64-bit Windows for
// the folder the system leads it to (System32 to SysWOW64 while
// redirection is on).
bool HandleLeadsTo(void* handle, const String& path);
// Windows: whether two paths lead to the same existing file, by their final
// paths (without regard to case). False when either cannot be opened.
bool SameFinalPath(const String& a, const String& b);
