#include <windows.h>

#include "actions/file_writer.h"
#include "actions/restart_operations.h"
#include "core/file_ops.h"
#include "core/system_error_text.h"
#include "package/locator.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/uninstall_registration.h"
#include "setup/install_state.h"

namespace {

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

// The stripped program, written like any installed file: an old uninstaller
// that is running is staged for the restart (treated as existing, so that
// the writer may stage it). Attributes 0: a plain file.
bool WriteStrippedProgram(const String& path, const String& program) {
  bool pending = false;
  return WritePackagedFile(path, program.c_str(), program.length(), FileDate{}, 0, true, &pending);
}

// A new empty file with the system's unique name beside `path`: a move at the
// restart cannot cross volumes.
String TemporaryFileBeside(const String& path) {
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(Wide(ParentFolder(path)), L"", 0, name)) return String();
  return String(reinterpret_cast<const char16_t*>(name));
}

// The running installer could not be copied over the old uninstaller: copy it
// beside it and let the restart move it into place.
void StageInstallerCopy(const String& path, const String& installer_path) {
  const String temporary = TemporaryFileBeside(path);
  if (temporary.empty() || !CopyFileW(Wide(installer_path), Wide(temporary), FALSE)) {
    const DWORD error = GetLastError();
    if (!temporary.empty()) DeleteFile(temporary.w_str());
    AddFailureW(NoTemporaryFileText(path, SystemErrorTextW(error)).w_str());
    return;
  }
  if (!MoveFileAtRestart(temporary, path)) {
    const DWORD error = GetLastError();
    DeleteFile(temporary.w_str());
    AddFailureW(StagingFailedText(path, temporary, SystemErrorTextW(error)).w_str());
    return;
  }
  Settings().SetFlag(product_flag::kAskRestart, true);
  TheInstall().restart_needed = true;
  LogTextW(StagedText(path, temporary));
}

bool CopyInstaller(const String& path, const String& installer_path) {
  if (CopyFileW(Wide(installer_path), Wide(path), FALSE)) return true;
  StageInstallerCopy(path, installer_path);
  return false;
}

}  // namespace

bool PlaceUninstaller(const String& path, const ProgramCopy* program, const String& installer_path,
                      const String& icon) {
  if (!program || program->stripped.empty()) return CopyInstaller(path, installer_path);
  if (!WriteStrippedProgram(path, program->stripped)) return false;
  if (!icon.empty()) ReplaceProgramIcon(path, icon);
  return true;
}
