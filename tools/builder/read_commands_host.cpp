// inspect, verify and extract on the command line.
#include <cstdio>
#include <filesystem>
#include <string>

#include "builder/build_files.h"
#include "builder/extract.h"
#include "builder/inspect.h"
#include "builder/read_commands.h"
#include "builder/shipping.h"
#include "builder/verify.h"
#include "builder/verify.h"

const char kReadCommandsUsage[] =
    "       setup-builder inspect INSTALLER.exe [--json]\n"
    "       setup-builder verify INSTALLER.exe\n"
    "       setup-builder extract INSTALLER.exe -o DIR\n"
    "       setup-builder winget INSTALLER.exe -o DIR [--installer-url URL] [--package-id ID]\n"
    "       setup-builder sbom INSTALLER.exe [-o FILE]\n"
    "\n"
    "Read an installer this builder made, as setup.exe reads it, without\n"
    "running it: inspect prints the product, every file with its destination\n"
    "and every install action (--json: one JSON document); verify makes every\n"
    "check setup.exe makes and names the corrupt-package error code it would\n"
    "report; extract writes the files under DIR as they would be installed\n"
    "(the install folder's files at the top, other folders under their\n"
    "variable, such as DIR/%SystemDir%), with their dates; winget writes the\n"
    "Windows Package Manager's version, installer and defaultLocale manifests\n"
    "into DIR (the identifier: --package-id, else publisher and name joined by\n"
    "a point); sbom writes a CycloneDX 1.5 bill of materials (standard output\n"
    "without -o), dated SOURCE_DATE_EPOCH when set.\n"
    "Exit codes: 0 done, 1 the installer is damaged or not one of ours, or the\n"
    "files could not be written, 2 wrong command line.\n";

namespace {

struct ReadArguments {
  std::string command;
  std::string installer;
  std::string output;
  bool json = false;
  WingetOptions winget;
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
    } else if (std::string* value = arg == "-o" && args->command != "inspect" && args->command != "verify"
                                        ? &args->output
                                    : args->command == "winget" && arg == "--installer-url" ? &args->winget.installer_url
                                    : args->command == "winget" && arg == "--package-id"    ? &args->winget.package_id
                                                                                            : nullptr) {
      if (i + 1 == argc) return ReadUsageError(arg + " lacks its value");
      *value = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return ReadUsageError("unknown option " + arg + " for " + args->command);
    } else if (args->installer.empty()) {
      args->installer = arg;
    } else {
      return ReadUsageError("only one installer at a time");
    }
  }
  if (args->installer.empty()) return ReadUsageError("no installer given");
  if ((args->command == "extract" || args->command == "winget") && args->output.empty()) {
    return ReadUsageError("no output folder given (-o DIR)");
  }
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
  return w == "inspect" || w == "verify" || w == "extract" || w == "winget" || w == "sbom";
}

int WriteShippingFiles(const std::string& installer, const ShippingRequest& request) {
  InstallerImage image;
  std::string error;
  ShippingFacts facts;
  if (!image.Open(installer, &error)) {
    std::fprintf(stderr, "setup-builder: %s\n", error.c_str());
    return 1;
  }
  const ReadOutcome outcome = ReadShippingFacts(image.program(), image.bytes(), installer, &facts);
  if (!outcome.ok()) {
    std::fprintf(stderr, "setup-builder: %s\n", FailureText(outcome).c_str());
    return 1;
  }
  std::vector<ManifestFile> files;
  std::vector<std::string> warnings;
  if (!request.winget_folder.empty()) {
    if (!WingetManifests(facts, request.winget, &files, &warnings, &error)) {
      std::fprintf(stderr, "setup-builder: %s\n", error.c_str());
      return 1;
    }
    std::error_code ignored;
    std::filesystem::create_directories(request.winget_folder, ignored);
    for (ManifestFile& file : files) file.name = request.winget_folder + "/" + file.name;
  }
  if (!request.sbom_file.empty()) files.push_back({request.sbom_file, CycloneDxBom(facts, BuildTime())});
  for (const std::string& warning : warnings) std::fprintf(stderr, "warning: %s\n", warning.c_str());
  for (const ManifestFile& file : files) {
    if (file.name == "-") {
      std::fwrite(file.text.data(), 1, file.text.size(), stdout);
    } else if (!WriteFileBytes(file.name, String(file.text.data(), static_cast<int32_t>(file.text.size())), &error)) {
      std::fprintf(stderr, "setup-builder: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}

int RunReadCommand(int argc, char** argv) {
  ReadArguments args;
  if (int code = ParseReadArguments(argc, argv, &args)) return code;
  if (args.command == "winget" || args.command == "sbom") {
    ShippingRequest request;
    (args.command == "winget" ? request.winget_folder : request.sbom_file) = args.output.empty() ? "-" : args.output;
    request.winget = args.winget;
    return WriteShippingFiles(args.installer, request);
  }
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
