#include <windows.h>

#include "actions/file_writer.h"
#include "actions/uninstall_registration.h"
#include "core/file_errors.h"
#include "core/whole_file.h"
#include "core/system_error_text.h"
#include "package/locator.h"
#include "package/message_numbers.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"

namespace {

// The stripped program, written like any installed file: an old uninstaller
// that is running is staged for the restart (treated as existing, so that
// the writer may stage it). Attributes 0: a plain file.
bool WriteStrippedProgram(const String& path, const String& program) {
  bool pending = false;
  return WritePackagedFile(path, program.c_str(), program.length(), FileDate{}, 0, true, &pending);
}

// Without a stripped image the installer itself becomes the uninstaller,
// written like any installed file: never through a link at the
// destination, and an old running one staged for the restart.
bool CopyInstaller(const String& path, const String& installer_path) {
  String program;
  if (ReadWholeFile(installer_path.w_str(), program) != kFileOk) {
    const DWORD error = GetLastError();
    String text = WriteFailureHead(Message(message_number::kWriteFailed), path);
    text.Append(SystemTextBlock(SystemErrorTextW(error)));
    AddFailureW(text.w_str());
    return false;
  }
  return WriteStrippedProgram(path, program);
}

}  // namespace

bool PlaceUninstaller(const String& path, const ProgramCopy* program, const String& installer_path,
                      const String& icon) {
  if (!program || program->stripped.empty()) return CopyInstaller(path, installer_path);
  if (!WriteStrippedProgram(path, program->stripped)) return false;
  if (!icon.empty()) ReplaceProgramIcon(path, icon);
  return true;
}
