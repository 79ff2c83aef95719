// Removal that never follows a link, and never empties a folder of the
// system. The uninstaller runs elevated, while the product's folders may be
// writable by others: a symbolic link or junction planted in them would make
// it delete whatever the link leads to. So a path reached through a link at
// or below the product's own folders is not removed; a link itself is
// removed as the link alone. Links above the product's folders (a moved
// Program Files, a second disk mounted into a folder) were made by whoever
// set up the machine and do not count.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/system_folders.h"
#include "core/vector.h"

// The reparse tags of a symbolic link and of a junction (mount point). Every
// other reparse point (a cloud-file placeholder, a deduplicated file) is an
// ordinary file or folder.
constexpr uint32_t kReparseTagMountPoint = 0xA0000003u;
constexpr uint32_t kReparseTagSymlink = 0xA000000Cu;
constexpr bool IsLinkTag(uint32_t tag) { return tag == kReparseTagMountPoint || tag == kReparseTagSymlink; }

// Whether `path` is `folder` or lies inside it (without regard to case and
// closing separators).
bool IsSameOrInside(const String& path, const String& folder);

// The folders that stop the removal of `path` when one of them is a link:
// its parent and each folder above it, up to and with the highest of
// `product_folders` that holds it. None when no product folder holds it.
Array<String> FoldersGuarding(const Array<String>& product_folders, const String& path);

// Every system and shell folder the variables stand for (both program and
// common-files views), without closing separators.
Array<String> SystemAndShellFolders(const FolderSystem& system);
// Whether `folder` is one of `system_folders` or holds one: a folder whose
// whole contents are never removed.
bool HoldsSystemFolder(const Array<String>& system_folders, const String& folder);

// Platform (removal_guard_win.cpp).

// Whether the path itself is a symbolic link or junction.
bool IsLink(const String& path);

enum class Removal {
  kGone,        // removed, or not there
  kBehindLink,  // left: a folder on its way inside the product's folders is a link
  kFailed,      // left: the system refused (in use, access denied, a folder not empty)
};

class RemovalGuard {
 public:
  // The install folder, the uninstall data folder and each folder the
  // installation created.
  void AddProductFolder(const String& folder);
  bool ReachedThroughLink(const String& path);

  // A file, its attributes cleared first; a link goes as the link.
  Removal RemoveFile(const String& path);
  // An empty folder (after the shell's own "thumbs.db" and "desktop.ini");
  // a link goes as the link.
  Removal RemoveEmptyFolder(const String& folder);
  // A folder with everything in it, depth first; links inside it go as links.
  Removal RemoveTree(const String& folder);

 private:
  // `act` removes what is there once no link stands in its way.
  Removal Remove(const String& path, bool (*act)(const String& path, uint32_t attributes));

  Array<String> product_folders_;
  String clean_folder_;  // lower-cased: the last folder found free of links
};
