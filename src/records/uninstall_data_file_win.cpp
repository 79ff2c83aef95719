#include <windows.h>

#include "core/file_errors.h"
#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/temp_files.h"
#include "package/run_product.h"
#include "core/wide_win.h"
#include "records/uninstall_data.h"

namespace {

// All of `bytes`, on the disk before the file is renamed into place.
bool WriteAll(HANDLE file, const String& bytes) {
  const char* data = bytes.c_str();
  for (int32_t left = bytes.length(); left > 0;) {
    DWORD written = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(left), &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += written;
    left -= static_cast<int32_t>(written);
  }
  return FlushFileBuffers(file) != 0;
}

// The file is only ever replaced by a complete new one: the bytes go to a
// fresh file beside it, made exclusively under a name nobody can guess, which
// is then renamed over it. A write that fails on the way (a full disk) leaves
// the old file as it was, so the record of what is installed is never lost.
int ReplaceWholeFile(const String& path, const String& bytes) {
  const String folder = ParentFolder(path);
  if (IsBlankText(path.w_str()) || folder.empty()) return kFileBadName;
  String temporary;
  FileHandle file(CreateTemporaryFile(folder.w_str(), u"DAT", GENERIC_WRITE | DELETE, 0, false, &temporary));
  if (!file) return FileErrorFromOsError(GetLastError(), OpenFailureFacts{});
  // Should the run end before the rename, the system deletes the fresh file;
  // it is renamed through its own handle, so it is never left under either
  // name half-way.
  bool written = SetDeletedOnClose(file.get(), true) && WriteAll(file.get(), bytes);
  if (written && SetDeletedOnClose(file.get(), false)) {
    if (RenameOpenFile(file.get(), path, true)) return kFileOk;
    const DWORD error = GetLastError();
    SetDeletedOnClose(file.get(), true);
    SetLastError(error);
  }
  const DWORD error = GetLastError();
  file.Close();
  DeleteFileW(Wide(temporary));
  SetLastError(error);
  return kFileNotWritten;
}

}  // namespace

bool WriteUninstallData(const RunProduct& product, const UninstallRecords& records, const String& path, int* code) {
  const String bytes = BuildUninstallData(records, product.settings, product.languages);
  const int result = ReplaceWholeFile(path, bytes);
  if (code != nullptr) *code = result;
  return result == kFileOk;
}
