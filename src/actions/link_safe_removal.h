// Removal that never follows a link. A symbolic link or junction inside the
// product's folders may have been planted by anyone who could write there;
// the uninstaller runs elevated, so it removes such a link as a link and never
// acts on what lies behind it.
#pragma once

#include "core/string.h"

// Whether the path itself is a reparse point (a symbolic link or junction).
bool IsLink(const String& path);

// Remembers the last folder found free of links, so that a run over many
// files in one folder asks the file system once per folder.
class LinkCheck {
 public:
  // Whether any folder on the way to `file` (from its parent up to the drive
  // root) is a link: then the file is not where its path says.
  bool ReachedThroughLink(const String& file);

 private:
  String clean_folder_;  // lower-cased; empty before the first check
};

// Removes an empty folder (after the shell's own "thumbs.db" and
// "desktop.ini"); a link is removed as the link alone.
bool RemoveEmptyFolderOrLink(const String& folder);

// Removes a folder with everything in it, depth first; links inside it are
// removed as links. True when the folder is gone.
bool RemoveFolderTree(const String& folder);
