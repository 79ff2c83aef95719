// The rules of starting programs and ending the session, apart from the
// system calls that carry them out (process_win.h, shutdown_win.h): what the
// run flags ask for, the result codes, the program a command line names, the
// hidden batch command line, the elevation retry of the shell, file URLs, and
// which call a shutdown kind becomes.
#pragma once

#include <cstdint>

#include "core/string.h"

// The flag word of RunProcess.
enum RunFlag : uint32_t {
  kRunWait = 0x1,             // wait for the process and return its exit code
  kRunNewConsole = 0x2,       // CREATE_NEW_CONSOLE
  kRunIdlePriority = 0x4,
  kRunHighPriority = 0x8,     // wins over kRunIdlePriority
  kRunShowHidden = 0x10,      // SW_HIDE
  kRunShowMaximized = 0x20,   // SW_SHOWMAXIMIZED
  kRunShowMinimized = 0x40,   // SW_MINIMIZE
  kRunReportFailure = 0x80,   // a failure to start shows a box
  kRunPumpMessages = 0x100,   // while waiting, keep the caller's windows responsive
  kRunInheritHandles = 0x200,
  kRunInProgramFolder = 0x800,  // no working folder given: the program's own, if it exists
};

// Results of RunProcess besides the exit code of an awaited process.
constexpr uint32_t kRunNotStarted = 0x80000000;
// Started without waiting, or the exit code could not be read.
constexpr uint32_t kRunNoExitCode = 0x80000001;

// Waiting with kRunPumpMessages: the wait step and the messages handled
// between two steps.
constexpr uint32_t kRunWaitStepMs = 75;
constexpr int kRunMessagesPerStep = 100;

// The creation flags for CreateProcess: normal priority, or high, or idle,
// plus a new console when asked.
uint32_t RunCreationFlags(uint32_t flags);

// The show state for the new process's first window (SW_ value); -1 when the
// flags name none and the program decides. Maximised, then minimised, then
// hidden: the first one set wins.
int32_t RunShowCommand(uint32_t flags);

// The program a command line starts: its first token, without the double
// quotes that may surround it. UTF-16.
String CommandProgram(const char16_t* command_line);

// The text of the box that a failed start shows (kRunReportFailure). UTF-16.
String RunFailureText(const char16_t* command_line, const String& error_text);

// The command line that runs a batch or program file through the command
// interpreter: the interpreter in double quotes, " /c ", and the file, which
// is quoted as well when it holds a blank (a short path has none, but short
// names may be switched off on the volume). UTF-16.
String InterpreterCommandLine(const String& interpreter, const String& file);

// The command line that runs `tool` of the system folder on one file: the
// tool's full path in double quotes (so that no program of that name
// elsewhere is started), a blank, `switches` and a blank when there are any,
// and `file` in double quotes. UTF-16.
String SystemToolCommandLine(const String& system_folder, const char16_t* tool, const char16_t* switches,
                             const String& file);

// ShellExecute's answers that matter here.
constexpr int32_t kShellAccessDenied = 5;  // SE_ERR_ACCESSDENIED
// Answers up to this one are failures (32 is SE_ERR_DLLNOTFOUND).
constexpr int32_t kShellLastFailure = 32;

// Whether a shell open that answered `answer` is tried once more with the
// verb "runas", which asks Windows to elevate: only after access was denied
// and only for the default verb or "open" (printing or editing a document
// never asks for administrator rights).
bool RetryShellElevated(int32_t answer, const char16_t* verb);

// Decodes %XX escapes of a URL's bytes; a '%' without two hex digits stays.
String DecodeUrl(const char* text, int32_t bytes = String::kToEnd);

// Shutdown kinds and option bits of ShutDown.
enum class ShutdownKind : int32_t {
  kShutDown = 0,
  kPowerOff = 1,
  kRestart = 2,
  kLogOff = 3,
  kSleep = 4,
  kHibernate = 5,
  kRestartApps = 6,  // restart and reopen the registered applications
};
constexpr uint32_t kShutdownForce = 0x1;            // else only hung applications are forced
constexpr uint32_t kShutdownNoWakeEvents = 0x2;     // sleep kinds only

// Which system call a shutdown request becomes, with its arguments.
struct ShutdownPlan {
  bool suspend = false;       // SetSuspendState instead of ExitWindowsEx
  uint32_t exit_flags = 0;    // ExitWindowsEx flags (EWX_...)
  bool hibernate = false;     // SetSuspendState arguments
  bool force = false;
  bool disable_wake_events = false;
};

// The plan for `kind` with `options`; `restart_apps_supported` says whether
// the system knows EWX_RESTARTAPPS (Windows Vista and later). False for a
// kind outside 0..6.
bool PlanShutdown(int32_t kind, uint32_t options, bool restart_apps_supported, ShutdownPlan* plan);

// The answer a message box of `type` (MB_ flags) gives when the user just
// presses Enter: its default button. Silent runs answer every box this way.
int32_t DefaultMessageBoxAnswer(uint32_t type);
