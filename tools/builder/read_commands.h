// The subcommands that read a finished installer: inspect, verify, extract.
#pragma once

// argv[1] is the subcommand. Returns the exit code: 0 done, 1 the installer
// is damaged or unreadable (or the files could not be written), 2 wrong
// command line.
int RunReadCommand(int argc, char** argv);

// Whether argv[1] names one of them.
bool IsReadCommand(const char* word);

extern const char kReadCommandsUsage[];
