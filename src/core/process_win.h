// Starting other programs and opening documents and addresses through the
// shell. Texts are UTF-16 unless a function says otherwise. Every function
// reports failure by its result with the system's error as the last error;
// only RunProcess with kRunReportFailure shows anything (never in silent mode).
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/process_rules.h"
#include "core/string.h"

// Starts `command_line` with the RunFlag bits of `flags`, in `folder` (null
// or empty: the caller's own, or with kRunInProgramFolder the program's
// folder when it exists). `process_id`, when given, receives the new
// process's id. Returns the exit code when kRunWait is set and the process
// ended, kRunNoExitCode when it was not awaited or its code cannot be read,
// kRunNotStarted when it could not be started (an empty command line: with
// ERROR_INVALID_PARAMETER).
uint32_t RunProcess(const char16_t* command_line, uint32_t flags, const char16_t* folder = nullptr,
                    uint32_t* process_id = nullptr);

// Ends `process` (null: this process) with `exit_code`.
bool TerminateProcessOrSelf(HANDLE process, uint32_t exit_code);

// The short (8.3) form of a path, which has no blanks where the volume keeps
// short names; the path itself when it has none.
String ShortPath(const char16_t* path);

// Runs `tool` of the system folder on `file` (SystemToolCommandLine), hidden,
// in the system folder, and waits for it while pumping messages. RunProcess's
// result: the tool's exit code, or kRunNotStarted.
uint32_t RunSystemTool(const char16_t* tool, const char16_t* switches, const String& file);

// Runs a batch or program file through the command interpreter in a new,
// hidden console, without waiting; when the interpreter cannot be started,
// has the shell open the file hidden. True when either started it.
bool RunHidden(const char16_t* file);

// Opens `file` (a document, program, folder or address) through the shell
// with `verb` (null or empty: the default verb) and the SW_ `show` state.
// When access is denied to the default verb or "open", the request is made
// once more with "runas", so that Windows asks for elevation. An empty file
// name fails with ERROR_INVALID_NAME.
bool ShellOpenW(const char16_t* file, const char16_t* parameters, const char16_t* folder, const char16_t* verb,
                int show);
// The 8-bit form: texts in the ANSI code page, except a file or folder that
// begins with '|', which is UTF-8 after the mark. A "file:///" address loses
// its prefix and is opened as the file it names (as it is, or URL-decoded).
bool ShellOpen(const char* file, const char* parameters, const char* folder, const char* verb, int show);
