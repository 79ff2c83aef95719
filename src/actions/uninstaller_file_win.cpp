#include <windows.h>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/file_ops.h"
#include "core/system_error_text.h"
#include "package/locator.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/restart_queue.h"

namespace {

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

// The stripped program, written like any installed file: an old uninstaller
// that is running is staged for the restart (treated as existing, so that
// the writer may stage it). Attributes 0: a plain file.
bool WriteStrippedProgram(const String& path, const String& program) {
  bool pending = false;
  return WritePackagedFile(path, program.c_str(), program.length(), FileDate{}, 0, true, &pending);
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
  NoteRestartNeeded();
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
