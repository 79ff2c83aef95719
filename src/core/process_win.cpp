#include "core/process_win.h"

#include <shellapi.h>

#include "core/command_interpreter.h"
#include "core/file_ops.h"
#include "core/handle_win.h"
#include "core/message_pump_win.h"
#include "core/path_rules.h"
#include "core/show_message_win.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "core/wide_win.h"

namespace {

bool IsFolder(const String& path) {
  const uint32_t attributes = GetAttributes(path.w_str());
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The working folder: the one given, or with kRunInProgramFolder the folder
// of the program being started when it exists; empty for the caller's own.
String WorkingFolder(const char16_t* command_line, uint32_t flags, const char16_t* folder) {
  if (folder && *folder) return String(folder);
  if (!(flags & kRunInProgramFolder)) return String();
  String program_folder = WithoutLastComponents(CommandProgram(command_line), 1);
  return IsFolder(program_folder) ? program_folder : String();
}

// Waits for the process; with kRunPumpMessages the caller's windows are kept
// responsive meanwhile.
uint32_t AwaitExitCode(HANDLE process, uint32_t flags) {
  if (flags & kRunPumpMessages) {
    while (WaitForSingleObject(process, kRunWaitStepMs) == WAIT_TIMEOUT) PumpPendingMessages(kRunMessagesPerStep);
  } else {
    WaitForSingleObject(process, INFINITE);
  }
  DWORD code = 0;
  return GetExitCodeProcess(process, &code) ? code : kRunNoExitCode;
}


void ReportStartFailure(const char16_t* command_line) {
  const String text = RunFailureText(command_line, LastErrorTextW());
  ShowMessage(nullptr, text.w_str(), u"Error", MB_OK | MB_ICONERROR);
}

}  // namespace

String ShortPath(const char16_t* path) {
  const DWORD needed = GetShortPathNameW(Wide(path), nullptr, 0);
  if (needed == 0) return String(path);
  String out;
  out.SetLengthExact(static_cast<int32_t>(needed) * 2);
  const DWORD units = GetShortPathNameW(Wide(path), reinterpret_cast<wchar_t*>(out.wdata()), needed);
  if (units == 0 || units >= needed) return String(path);
  out.SetLength(static_cast<int32_t>(units) * 2);
  return out;
}

uint32_t RunProcess(const char16_t* command_line, uint32_t flags, const char16_t* folder, uint32_t* process_id) {
  if (!command_line || !*command_line) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kRunNotStarted;
  }
  const String working_folder = WorkingFolder(command_line, flags, folder);
  String writable(command_line);  // CreateProcessW may write into its command line
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  const int32_t show = RunShowCommand(flags);
  if (show >= 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
  }
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(writable.wdata()), nullptr, nullptr,
                      (flags & kRunInheritHandles) ? TRUE : FALSE, RunCreationFlags(flags), nullptr,
                      working_folder.empty() ? nullptr : Wide(working_folder.w_str()), &startup, &started)) {
    if (flags & kRunReportFailure) ReportStartFailure(command_line);
    return kRunNotStarted;
  }
  KernelHandle process(started.hProcess);
  KernelHandle thread(started.hThread);
  if (process_id) *process_id = started.dwProcessId;
  if (!(flags & kRunWait)) return kRunNoExitCode;
  return AwaitExitCode(process.get(), flags);
}

bool TerminateProcessOrSelf(HANDLE process, uint32_t exit_code) {
  return TerminateProcess(process ? process : GetCurrentProcess(), exit_code) != FALSE;
}

bool RunHidden(const char16_t* file) {
  const String command_line = InterpreterCommandLine(CommandInterpreter(), ShortPath(file));
  if (RunProcess(command_line.w_str(), kRunNewConsole | kRunShowHidden) != kRunNotStarted) return true;
  const auto answer = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", Wide(file), nullptr, nullptr, SW_HIDE));
  return answer > kShellLastFailure;
}

uint32_t RunSystemTool(const char16_t* tool, const char16_t* switches, const String& file) {
  const String system = FolderPath(FolderSource::kSystem);
  const String command = SystemToolCommandLine(system, tool, switches, file);
  return RunProcess(command.w_str(), kRunWait | kRunShowHidden | kRunPumpMessages, system.w_str());
}
