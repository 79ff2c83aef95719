// inspect, verify and extract on the command line.
#include <cstdio>
#include <string>

#include "builder/build_files.h"
#include "builder/extract.h"
#include "builder/inspect.h"
#include "builder/read_commands.h"
#include "builder/verify.h"

const char kReadCommandsUsage[] =
    "       setup-builder inspect INSTALLER.exe [--json]\n"
    "       setup-builder verify INSTALLER.exe\n"
    "       setup-builder extract INSTALLER.exe -o DIR\n"
    "\n"
    "Read an installer this builder made, as setup.exe reads it, without\n"
    "running it: inspect prints the product, every file with its destination\n"
    "and every install action (--json: one JSON document); verify makes every\n"
    "check setup.exe makes and names the corrupt-package error code it would\n"
    "report; extract writes the files under DIR as they would be installed\n"
    "(the install folder's files at the top, other folders under their\n"
    "variable, such as DIR/%SystemDir%), with their dates.\n"
    "Exit codes: 0 done, 1 the installer is damaged or not one of ours, or the\n"
    "files could not be written, 2 wrong command line.\n";

namespace {

struct ReadArguments {
  std::string command;
  std::string installer;
  std::string output;
  bool json = false;
};

int ReadUsageError(const std::string& reason) {
  std::fprintf(stderr, "setup-builder: %s\n\nUsage: setup-builder MANIFEST -o OUT.exe ...\n%s", reason.c_str(),
               kReadCommandsUsage);
  return 2;
}

int ParseReadArguments(int argc, char** argv, ReadArguments* args) {
  args->command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json" && args->command == "inspect") {
      args->json = true;
    } else if (arg == "-o" && args->command == "extract") {
      if (i + 1 == argc) return ReadUsageError("-o lacks its value");
      args->output = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return ReadUsageError("unknown option " + arg + " for " + args->command);
    } else if (args->installer.empty()) {
      args->installer = arg;
    } else {
      return ReadUsageError("only one installer at a time");
    }
  }
  if (args->installer.empty()) return ReadUsageError("no installer given");
  if (args->command == "extract" && args->output.empty()) return ReadUsageError("no output folder given (-o DIR)");
  return 0;
}

int Inspect(const ProgramFile& file, const ByteSpan& image, bool json) {
  JsonValue document;
  const ReadOutcome outcome = DescribeInstaller(file, image, &document);
  if (!outcome.ok()) {
    std::fprintf(stderr, "setup-builder: %s\n", FailureText(outcome).c_str());
    return 1;
  }
  const std::string text = json ? RenderJson(document) : RenderText(document);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace

bool IsReadCommand(const char* word) {
  const std::string w = word;
  return w == "inspect" || w == "verify" || w == "extract";
}

int RunReadCommand(int argc, char** argv) {
  ReadArguments args;
  if (int code = ParseReadArguments(argc, argv, &args)) return code;
  InstallerImage image;
  std::string error;
  if (!image.Open(args.installer, &error)) {
    std::fprintf(stderr, "setup-builder: %s\n", error.c_str());
    return 1;
  }
  const ProgramFile file = image.program();
  if (args.command == "inspect") return Inspect(file, image.bytes(), args.json);
  std::string report;
  const int code = args.command == "verify" ? VerifyInstaller(file, image.bytes(), &report)
                                            : ExtractInstaller(file, image.bytes(), args.output, &report);
  std::fputs(report.c_str(), code == 0 ? stdout : stderr);
  return code;
}
