#include <windows.h>

#include <vector>

#include "core/final_path.h"
#include "core/handle_win.h"
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

// The final path of the drive the path starts with ("X:"), or empty.
String DriveRootFinalPath(const String& path) {
  if (path.wlength() < 2 || path.AtW(1) != u':') return String();
  const wchar_t root[] = {static_cast<wchar_t>(path.AtW(0)), L':', L'\\', 0};
  FileHandle folder(CreateFileW(root, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder.valid()) return String();
  return FinalPathOf(folder.get());
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
  return !root.empty() && SameFullPath(real, WithDriveRoot(longer, root));
}
