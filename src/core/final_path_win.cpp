#include <windows.h>

#include <vector>

#include "core/final_path.h"
#include "core/handle_win.h"
#include "core/path_rules.h"
#include "core/system_folders.h"
#include "core/wide_win.h"

namespace {

// The handle's final path without its prefix, or empty.
String FinalPathOf(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD units = static_cast<DWORD>(buffer.size());
    const DWORD got = GetFinalPathNameByHandleW(handle, buffer.data(), units, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (got == 0) return String();
    if (got < units) return PlainFinalPath(String(reinterpret_cast<const char16_t*>(buffer.data()), got));
    buffer.resize(got + 1);
  }
  return String();
}

constexpr DWORD kPathUnits = MAX_PATH * 4;

String FullPath(const String& path) {
  wchar_t full[kPathUnits];
  const DWORD units = GetFullPathNameW(Wide(path.w_str()), kPathUnits, full, nullptr);
  if (units == 0 || units >= kPathUnits) return path;
  return String(reinterpret_cast<const char16_t*>(full), static_cast<int32_t>(units));
}

// The path with long names for any short ("8.3") ones; itself when the
// system cannot say.
String LongPath(const String& path) {
  wchar_t longer[kPathUnits];
  const DWORD units = GetLongPathNameW(Wide(path.w_str()), longer, kPathUnits);
  if (units == 0 || units >= kPathUnits) return path;
  return String(reinterpret_cast<const char16_t*>(longer), static_cast<int32_t>(units));
}

// The final path the system gives a folder, in the thread's present
// redirection state; empty when it cannot be opened.
String FolderFinalPath(const wchar_t* folder) {
  FileHandle opened(CreateFileW(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return opened.valid() ? FinalPathOf(opened.get()) : String();
}

// The final path of the drive the path starts with ("X:"), or empty.
String DriveRootFinalPath(const String& path) {
  if (path.wlength() < 2 || path.AtW(1) != u':') return String();
  const wchar_t root[] = {static_cast<wchar_t>(path.AtW(0)), L':', L'\\', 0};
  return FolderFinalPath(root);
}

// The path with `folder`, which it lies in, replaced by the place the system
// leads that folder to; empty when it does not lie in it. Only the folder
// itself is resolved, never one below it, so that a link planted inside
// still leads elsewhere.
String WithFolderResolved(const String& path, const String& folder) {
  const int32_t units = folder.wlength();
  if (units == 0 || path.wlength() <= units + 1 || path.AtW(units) != u'\\' ||
      !SameFullPath(String(path.w_str(), units), folder)) {
    return String();
  }
  String joined = FolderFinalPath(Wide(folder));
  if (!joined.empty()) joined.AppendW(path.w_str() + units, path.wlength() - units);
  return joined;
}

// The final path of an existing file or folder, or empty.
String FinalPathOfPath(const String& path) {
  FileHandle file(CreateFileW(Wide(path.w_str()), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return String();
  return FinalPathOf(file.get());
}

}  // namespace

bool SameFinalPath(const String& a, const String& b) {
  const String first = FinalPathOfPath(a);
  return !first.empty() && SameFullPath(first, FinalPathOfPath(b));
}

bool HandleLeadsTo(void* handle, const String& path) {
  const String real = FinalPathOf(static_cast<HANDLE>(handle));
  if (real.empty()) return false;
  // The plain comparison settles nearly every file; the slower forms only
  // run for a short name or a drive that stands for another place.
  const String meant = FullPath(path);
  if (SameFullPath(real, meant)) return true;
  const String longer = LongPath(meant);
  if (SameFullPath(real, longer)) return true;
  const String root = DriveRootFinalPath(longer);
  if (!root.empty() && SameFullPath(real, WithDriveRoot(longer, root))) return true;
  // A 32-bit program on 64-bit Windows that names System32 is led to
  // SysWOW64 while redirection is on, and through "Sysnative" to the real
  // System32: the folder the system leads it to is the folder meant.
  const String system = FolderPath(FolderSource::kSystem);
  const String sysnative = JoinPath(FolderPath(FolderSource::kWindows), u"Sysnative");
  for (const String* folder : {&system, &sysnative}) {
    const String resolved = WithFolderResolved(longer, *folder);
    if (!resolved.empty() && SameFullPath(real, resolved)) return true;
  }
  return false;
}
