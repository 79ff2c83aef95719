#include <windows.h>

#include "core/disk_space.h"
#include "core/file_errors.h"
#include "core/system_library_win.h"

namespace {

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// The first systems of the family lack GetDiskFreeSpaceExA; their answer in
// clusters is limited to 2 GiB but is the best there is.
bool ClusterSpace(const char* root, uint64_t& free_bytes, uint64_t& total_bytes) {
  DWORD sectors_per_cluster = 0;
  DWORD bytes_per_sector = 0;
  DWORD free_clusters = 0;
  DWORD total_clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters)) {
    return false;
  }
  const uint64_t cluster = static_cast<uint64_t>(sectors_per_cluster) * bytes_per_sector;
  free_bytes = free_clusters * cluster;
  total_bytes = total_clusters * cluster;
  return true;
}

}  // namespace

bool DiskSpace(const char16_t* path, uint64_t& free_bytes, uint64_t& total_bytes) {
  free_bytes = total_bytes = 0;
  const int drive = DriveIndexOfName(path);
  if (drive < 0) {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  const char root[] = {static_cast<char>('A' + drive), ':', '\\', 0};
  auto space_ex = LoadedSystemFunction<GetDiskFreeSpaceExFn>(L"kernel32.dll", "GetDiskFreeSpaceExA");
  if (space_ex) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    if (space_ex(root, &available, &total, nullptr)) {
      free_bytes = available.QuadPart;
      total_bytes = total.QuadPart;
      return true;
    }
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  }
  return ClusterSpace(root, free_bytes, total_bytes);
}
