// The subcommands that read a finished installer: inspect, verify, extract,
// winget and sbom.
#pragma once

#include <string>

#include "builder/shipping.h"

// What to write beside an installer: the winget manifests into a folder,
// the bill of materials into a file ("-": standard output).
struct ShippingRequest {
  std::string winget_folder;
  std::string sbom_file;
  WingetOptions winget;
};

// Reads the installer and writes what the request asks for. Returns 0, or
// 1 with the reason on standard error; warnings go there too.
int WriteShippingFiles(const std::string& installer, const ShippingRequest& request);

// argv[1] is the subcommand. Returns the exit code: 0 done, 1 the installer
// is damaged or unreadable (or the files could not be written), 2 wrong
// command line.
int RunReadCommand(int argc, char** argv);

// Whether argv[1] names one of them.
bool IsReadCommand(const char* word);

extern const char kReadCommandsUsage[];
