#include <windows.h>
#include <shellapi.h>

#include "core/codepage.h"
#include "core/environment.h"
#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/os_name.h"
#include "core/path_rules.h"
#include "core/silent_mode.h"
#include "core/wide_win.h"
#include "package/message_box.h"
#include "package/message_format.h"
#include "package/message_numbers.h"
#include "package/run_product.h"
#include "records/failure_summary.h"
#include "records/install_log.h"

namespace {


bool DialogsAllowed() { return !AutomaticMode() && !SilentMode(); }

const RunProduct& ProductOf(const InstallLogFinish& finish) {
  return finish.product ? *finish.product : NoRunProduct();
}

bool AskToShowFailedLog(const LanguageTable& languages, const String& path) {
  return AskYesNo(FillMessage(MessageText(languages, message_number::kFailedLogQuestion), {path}),
                  MessageText(languages, message_number::kFailedLogTitle), false);
}

InstallLogHeader CurrentHeader(const InstallLogFinish& finish) {
  const ProductSettings& settings = ProductOf(finish).settings;
  InstallLogHeader header;
  header.product = settings.DisplayName;
  header.date = LocalNow();
  header.uninstall_supported = finish.uninstall_supported;
  header.reinstall = finish.reinstall;
  header.install_folder = finish.install_folder;
  header.product_version = settings.DisplayVersion;
  header.overwriting_version = finish.old_version;
  header.os_name = OSName(0);
  header.publisher = settings.Publisher;
  header.earlier_publisher = finish.earlier_publisher;
  header.unused_folder_arg = finish.unused_folder_arg;
  return header;
}

bool WriteInstallLog(const String& path, const InstallLogFinish& finish) {
  File log;
  if (log.Open(path.w_str(), kOpenOrCreate) != kFileOk) return false;
  const String ending =
      InstallLogEnding(finish.journal->failures.text, MessageText(ProductOf(finish).languages, message_number::kCompleted));
  return AppendRunToLog(log, finish.journal->log, InstallLogHeaderText(CurrentHeader(finish)), ending);
}

}  // namespace

bool FinishInstallLog(const InstallLogFinish& finish) {
  const bool failed = HasFailed(*finish.journal);
  const ProductSettings& settings = ProductOf(finish).settings;
  const String path = InstallLogPath(finish.uninstall_folder);
  bool show = false;
  if (finish.interactive && DialogsAllowed()) {
    if (failed) {
      show = AskToShowFailedLog(ProductOf(finish).languages, path);
    } else if (!settings.Flag(product_flag::kNoCompletionNotice) && finish.completion_step != nullptr) {
      finish.completion_step(ProductOf(finish), *finish.journal);
    }
  }
  bool written = false;
  if (settings.Flag(product_flag::kKeepInstallLog) || failed) written = WriteInstallLog(path, finish);
  EndWorkingLog(finish.journal->log);
  if (show && written) ShowInstallLog(path);
  return written;
}

bool AppendToInstallLog(const String& path, const String& line) {
  File log;
  if (log.Open(path.w_str(), kOpenOrCreate) != kFileOk) return false;
  const int64_t end = log.Size();
  if (end < 0 || !log.SeekTo(end)) return false;
  if (end == 0 && !log.Write(kUtf8Bom, static_cast<int32_t>(sizeof(kUtf8Bom) - 1))) return false;
  const String text = Utf16ToUtf8(line);
  return log.Write(text.c_str(), text.length());
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
