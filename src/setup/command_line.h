// The installer's command line: tokens, atoms and the usage text.
#pragma once

#include "core/string.h"

// What the command line asked for; filled before anything else is read and
// kept for the life of the process. Wide texts are UTF-16, the batch
// additions 8-bit in the ANSI code page.
struct CommandLine {
  bool automatic = false;
  bool silent = false;
  bool minimized = false;
  bool uninstall = false;
  String uninstall_name;          // /u:"name"
  String install_folder;          // /d:"dir", as given
  String install_folder_full;     // /d:"dir" as a full path (filled by the entry)
  String product_name;            // /n:"name"
  String run_after;               // /r:"program"
  String batch_additions[3];      // /b1:, /b2:, /b3:
};

enum class CommandLineResult {
  kOk,
  kUnexpectedParameter,  // a token that does not start with '/' or '-'
  kIllegalAtom,          // an atom that is none of the known ones
};

// Converts UTF-16 text to the ANSI code page with '?' for what cannot be
// mapped; the entry passes the system's conversion, tests a plain one.
using AnsiConverter = String (*)(const String& wide);

// Parses the whole command line as the system hands it over (program path
// first). On a usage error `offending` holds the token that caused it.
CommandLineResult ParseCommandLine(const char16_t* command_line, AnsiConverter to_ansi,
                                   CommandLine& out, String& offending);

// The full usage error: the error line, then the usage text naming the program.
String UsageErrorText(CommandLineResult error, const String& offending, const String& program_name);

// Splits a command line into at most `max_tokens` tokens and returns how many
// it found: white space outside double quotes ends a token; the quotes stay
// part of it.
int SplitCommandLineTokens(const char16_t* command_line, String* tokens, int max_tokens);
