#include "core/file_set.h"

String FoldedPath(const String& wide_path) {
  String folded = wide_path;
  folded.ToLowerW();
  return folded;
}

void AddToFileSet(FileSet* files, const String& wide_path) { files->FindOrAdd(FoldedPath(wide_path)) = true; }

bool FileSetHas(const FileSet& files, const String& wide_path) { return files.Contains(FoldedPath(wide_path)); }
