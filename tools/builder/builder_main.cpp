// setup-builder: turns a product manifest and setup.exe into the product's
// installer.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "builder/manifest.h"
#include "builder/package_writer.h"

namespace {

const char kUsage[] =
    "Usage: setup-builder MANIFEST -o OUT.exe [--stub path/to/setup.exe]\n"
    "\n"
    "Builds the installer of the product that MANIFEST describes: setup.exe\n"
    "with the product's package added as its \".setup\" section. Without\n"
    "--stub, setup.exe is looked for beside setup-builder and in ../win32.\n"
    "The same manifest, files and setup.exe always give the same installer.\n";

struct Arguments {
  std::string manifest;
  std::string output;
  std::string stub;
};

int UsageError(const char* reason) {
  std::fprintf(stderr, "setup-builder: %s\n\n%s", reason, kUsage);
  return 2;
}

// setup.exe of the same build tree, when the command line names none.
std::string FindStub(const char* program) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path self = fs::canonical(fs::path(program), error);
  if (error) self = fs::path(program);
  for (const fs::path& candidate : {self.parent_path() / "setup.exe", self.parent_path() / ".." / "win32" / "setup.exe"}) {
    if (fs::is_regular_file(candidate, error)) return candidate.string();
  }
  return std::string();
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::printf("%s\n%s", kUsage, kManifestReference);
      return 0;
    }
    if (std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--stub") == 0) {
      if (i + 1 == argc) return UsageError("an option lacks its value");
      (std::strcmp(arg, "-o") == 0 ? args.output : args.stub) = argv[++i];
    } else if (arg[0] == '-' && arg[1] != 0) {
      return UsageError((std::string("unknown option ") + arg).c_str());
    } else if (args.manifest.empty()) {
      args.manifest = arg;
    } else {
      return UsageError("only one manifest at a time");
    }
  }
  if (args.manifest.empty()) return UsageError("no manifest given");
  if (args.output.empty()) return UsageError("no output given (-o OUT.exe)");
  if (args.stub.empty()) args.stub = FindStub(argv[0]);
  if (args.stub.empty()) return UsageError("setup.exe not found; name it with --stub");

  std::string error;
  Product product;
  String stub, installer;
  if (!LoadManifest(args.manifest, &product, &error) || !ReadFileBytes(args.stub, &stub, &error) ||
      !BuildInstaller(stub, product, &installer, &error) || !WriteFileBytes(args.output, installer, &error)) {
    std::fprintf(stderr, "setup-builder: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %zu files, %d bytes\n", args.output.c_str(), product.files.size(), installer.length());
  return 0;
}
