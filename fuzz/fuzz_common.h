// Shared pieces of the fuzz targets: every target reads one input of bytes
// and must neither crash, hang nor leak; properties it checks abort.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "actions/file_install_rules.h"
#include "core/path_rules.h"
#include "core/string.h"
#include "package/entry_record.h"

namespace fuzz {

// Fails the run with a readable reason (libFuzzer saves the input).
[[noreturn]] inline void Violated(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

inline bool StartsWithFolder(const String& path, const String& folder) {
  const int32_t units = folder.wlength();
  if (path.wlength() <= units) return false;
  for (int32_t i = 0; i < units; ++i) {
    if (path.AtW(i) != folder.AtW(i)) return false;
  }
  return path.AtW(units) == u'\\';
}

// The destination of an accepted entry, with fixed folders and no
// variables: unless the package names an absolute place, the file must land
// inside the folder of its kind (or the install or shared folder for a
// relative override).
inline void CheckDestination(const EntryRecord& entry) {
  static DestinationFolders folders = [] {
    DestinationFolders f;
    f.install = String(u"C:\\Install");
    f.shared = String(u"C:\\Shared");
    f.uninstall = String(u"C:\\Uninstall");
    f.fonts = String(u"C:\\Fonts");
    f.system = String(u"C:\\System");
    return f;
  }();
  const String name = EntryNameWide(entry.name);
  Destination out;
  if (!ComputeDestination(entry.kind, entry.flags, name, entry.destination, folders, nullptr, &out)) return;
  if (out.from_override && IsAbsolutePathW(entry.destination.w_str())) return;
  for (const String* folder : {&folders.install, &folders.shared, &folders.uninstall, &folders.fonts, &folders.system}) {
    if (StartsWithFolder(out.path, *folder)) return;
  }
  Violated("an accepted entry name lands outside its folder");
}

}  // namespace fuzz
