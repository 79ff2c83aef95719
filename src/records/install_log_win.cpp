#include <windows.h>
#include <shellapi.h>

#include "core/environment.h"
#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/os_name.h"
#include "core/path_rules.h"
#include "package/message_format.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/install_log.h"
#include "records/working_log.h"
#include "setup/install_state.h"
#include "setup/run_state.h"

namespace {

// ProductFlags bits read here.
constexpr int kKeepInstallLog = 6;
constexpr int kNoCompletionNotice = 22;

constexpr int kFailedQuestion = 40;  // its "%s" is the log's path
constexpr int kFailedTitle = 41;
constexpr int kCompleted = 43;

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

bool DialogsAllowed() { return !TheRun().args.automatic && !TheRun().args.silent; }

bool AskToShowFailedLog(const String& path) {
  const String question = FillMessage(Message(kFailedQuestion), {path});
  return MessageBoxW(nullptr, Wide(question), Wide(Message(kFailedTitle)),
                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

InstallLogHeader CurrentHeader(bool reinstall) {
  const ProductSettings& settings = Settings();
  const InstallState& install = TheInstall();
  InstallLogHeader header;
  header.product = settings.DisplayName;
  header.date = LocalNow();
  header.uninstall_supported = settings.Flag(product_flag::kDetectInstallation);
  header.reinstall = reinstall;
  header.install_folder = install.install_folder_full.empty() ? install.install_folder : install.install_folder_full;
  header.product_version = settings.DisplayVersion;
  header.overwriting_version = install.old_version;
  header.os_name = OSName(0);
  return header;
}

bool WriteInstallLog(const String& path, bool reinstall) {
  File log;
  if (log.Open(path.w_str(), kOpenOrCreate) != kFileOk) return false;
  const String ending = InstallLogEnding(TheFailureSummary().text, Message(kCompleted));
  return AppendRunToLog(log, InstallLogHeaderText(CurrentHeader(reinstall)), ending);
}

}  // namespace

bool FinishInstallLog(bool reinstall, bool interactive, void (*completion_step)()) {
  const bool failed = HasFailed();
  const String path = InstallLogPath(TheInstall().uninstall_folder);
  bool show = false;
  if (interactive && DialogsAllowed()) {
    if (failed) {
      show = AskToShowFailedLog(path);
    } else if (!Settings().Flag(kNoCompletionNotice) && completion_step != nullptr) {
      completion_step();
    }
  }
  bool written = false;
  if (Settings().Flag(kKeepInstallLog) || failed) written = WriteInstallLog(path, reinstall);
  EndWorkingLog();
  if (show && written) ShowInstallLog(path);
  return written;
}

bool ShowInstallLog(const String& path) {
  const String folder = ParentFolder(ProgramFilePath());
  const HINSTANCE opened =
      ShellExecuteW(nullptr, nullptr, Wide(path), nullptr, folder.empty() ? nullptr : Wide(folder), SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(opened) > 32) return true;

  // Notepad from the system folder by its full path: a "notepad.exe" planted
  // beside the installer must never be the one that runs.
  wchar_t system[MAX_PATH];
  const UINT units = GetSystemDirectoryW(system, MAX_PATH);
  if (units == 0 || units >= MAX_PATH) return false;
  String program(reinterpret_cast<const char16_t*>(system));
  program = JoinPath(program, u"notepad.exe");
  String command(u"notepad.exe \"");
  command.AppendW(path.w_str(), path.wlength());
  command.AppendW(u"\"");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(Wide(program), reinterpret_cast<wchar_t*>(command.wdata()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  KernelHandle thread(process.hThread);
  KernelHandle child(process.hProcess);
  return true;
}
