// A set of file paths compared without regard to case, as the file system
// compares them: the files a run wrote or deleted.
#pragma once

#include "core/keyed_list.h"
#include "core/string.h"

// The files just written (install) or just deleted (uninstall). Keys are UTF-16, folded
// with FoldedPath.
using FileSet = List<Bucket<bool, String>>;
// The lower-cased form of a UTF-16 path under which it is kept in a FileSet.
String FoldedPath(const String& wide_path);
void AddToFileSet(FileSet* files, const String& wide_path);
bool FileSetHas(const FileSet& files, const String& wide_path);
