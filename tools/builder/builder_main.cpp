// setup-builder: turns a product manifest and setup.exe into the product's
// installer.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/build_files.h"
#include "builder/manifest.h"
#include "builder/manifest_actions.h"
#include "builder/output_path.h"
#include "builder/package_writer.h"
#include "builder/read_commands.h"
#include "builder/signing.h"

namespace {

const char kVersion[] = "setup-builder 37.0";

const char kUsage[] =
    "Usage: setup-builder MANIFEST -o OUT.exe [--stub path/to/setup.exe] [--sign \"COMMAND {file}\"] [--jobs N]\n"
    "\n"
    "Builds the installer of the product that MANIFEST describes: setup.exe\n"
    "with the product's package added as its \".setup\" section. Without\n"
    "--stub, setup.exe is looked for beside the setup-builder program itself\n"
    "and in ../win32 from there (never in the current folder).\n"
    "The same manifest, files and setup.exe always give the same installer.\n"
    "\n"
    "  --sign \"COMMAND {file}\"  sign the installer after building: COMMAND runs\n"
    "                 through the shell with {file} replaced by the quoted path\n"
    "                 of the file to sign in place; it runs twice, first for the\n"
    "                 uninstaller the installer leaves behind, then for the\n"
    "                 installer. A failing command fails the build. Example:\n"
    "                 --sign \"osslsigncode sign -pkcs12 cert.p12 -in {file} -out {file}.s && mv {file}.s {file}\"\n"
    "  --winget DIR   also write the Windows Package Manager's manifests of the\n"
    "                 installer into DIR ([product] package_id names the package)\n"
    "  --installer-url URL  where the installer is downloaded from, for them\n"
    "  --sbom FILE    also write a CycloneDX 1.5 bill of materials of the installer\n"
    "  --jobs N       compress on N cores at once (default: every core); the\n"
    "                 installer is the same, byte for byte, whatever N\n"
    "  --verbose, -v  name each file with its size and stored size in bytes, and\n"
    "                 each file the excludes left out\n"
    "  --version      print the builder's version\n"
    "\n"
    "The output is written beside OUT.exe under a temporary name and renamed\n"
    "into place only when complete; a failed build leaves OUT.exe as it was.\n"
    "Exit codes: 0 built, 1 the build failed, 2 wrong command line.\n";

struct Arguments {
  std::string manifest;
  std::string output;
  std::string stub;
  std::string sign;
  ShippingRequest shipping;
  size_t jobs = 0;  // 0: every core
  bool verbose = false;
};

// The most cores --jobs takes: each holds a block or two in memory.
constexpr unsigned long kMaxJobs = 256;

// The value of --jobs: false when it is no whole number from 1 to kMaxJobs.
bool ParseJobs(const std::string& text, size_t* jobs) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long value = std::stoul(text);
  if (value == 0 || value > kMaxJobs) return false;
  *jobs = static_cast<size_t>(value);
  return true;
}

int UsageError(const std::string& reason) {
  std::fprintf(stderr, "setup-builder: %s\n\n%s", reason.c_str(), kUsage);
  return 2;
}

// setup.exe of the same build tree, found from the real executable: neither
// argv[0] nor the current folder decides which runtime goes into a product.
std::string FindStub() {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return std::string();
  for (const fs::path& candidate : {self.parent_path() / "setup.exe", self.parent_path() / ".." / "win32" / "setup.exe"}) {
    if (fs::is_regular_file(candidate, error)) return candidate.string();
  }
  return std::string();
}

// The value of an option, or false at the end of the command line.
bool OptionValue(int argc, char** argv, int* i, std::string* value) {
  if (*i + 1 == argc) return false;
  *value = argv[++*i];
  return true;
}

// 0 when parsed, else the exit code (help and version print and end here).
int ParseArguments(int argc, char** argv, Arguments* args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* target = arg == "-o"              ? &args->output
                          : arg == "--stub"          ? &args->stub
                          : arg == "--sign"          ? &args->sign
                          : arg == "--winget"        ? &args->shipping.winget_folder
                          : arg == "--installer-url" ? &args->shipping.winget.installer_url
                          : arg == "--sbom"          ? &args->shipping.sbom_file
                                                     : nullptr;
    if (arg == "--help" || arg == "-h") {
      std::printf("%s\n%s\n%s%s", kUsage, kReadCommandsUsage, kManifestReference, kActionsReference);
      return -1;
    }
    if (arg == "--verbose" || arg == "-v") {
      args->verbose = true;
      continue;
    }
    if (arg == "--jobs") {
      std::string value;
      if (!OptionValue(argc, argv, &i, &value) || !ParseJobs(value, &args->jobs)) {
        return UsageError("--jobs takes a number of cores from 1 to 256");
      }
      continue;
    }
    if (arg == "--version") {
      std::printf("%s\n", kVersion);
      return -1;
    }
    if (target) {
      if (!OptionValue(argc, argv, &i, target)) return UsageError(arg + " lacks its value");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option " + arg);
    } else if (args->manifest.empty()) {
      args->manifest = arg;
    } else {
      return UsageError("only one manifest at a time");
    }
  }
  if (args->manifest.empty()) return UsageError("no manifest given");
  if (args->output.empty()) return UsageError("no output given (-o OUT.exe)");
  if (!args->sign.empty() && args->sign.find("{file}") == std::string::npos) {
    return UsageError("the --sign command does not name {file}");
  }
  if (args->stub.empty()) args->stub = FindStub();
  if (args->stub.empty()) return UsageError("setup.exe not found beside setup-builder; name it with --stub");
  return 0;
}

// A name beside the output that no other build uses at the same time.
std::string ScratchName(const std::string& output, const char* what) {
  return output + "." + std::to_string(getpid()) + "." + what;
}

// Builds into a new file beside the output and renames it into place, so
// that the output is either the old file or the whole new one. Signed or not,
// the installer is written as it is made, never held in memory.
bool WriteOutput(const Arguments& args, const String& stub, const Product& product, uint64_t* size,
                 std::string* error) {
  const std::string temporary = ScratchName(args.output, "tmp");
  bool ok = false;
  if (args.sign.empty()) {
    InstallerFile file;
    ok = file.Create(temporary, error) && BuildInstallerTo(stub, product, String(), &file, size, error);
    ok = file.Close(ok ? error : nullptr) && ok;
  } else {
    ok = BuildSignedInstaller(stub, product, args.sign, ScratchName(args.output, "sign.exe"), temporary, size, error);
  }
  if (ok && chmod(temporary.c_str(), 0755) != 0) {
    *error = "cannot make \"" + temporary + "\" executable: " + std::strerror(errno);
    ok = false;
  }
  if (ok && std::rename(temporary.c_str(), args.output.c_str()) != 0) {
    *error = "cannot rename \"" + temporary + "\" to \"" + args.output + "\": " + std::strerror(errno);
    ok = false;
  }
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

// What the vendor sees while and after the product is packed: each file
// with --verbose, else a progress line when standard error is a terminal.
void ReportProgress(const Arguments& args, Product* product) {
  for (const std::string& name : args.verbose ? product->excluded : std::vector<std::string>()) {
    std::printf("excluded %s\n", name.c_str());
  }
  const bool progress = !args.verbose && isatty(STDERR_FILENO);
  product->options.file_packed = [&args, product, progress](size_t index, uint64_t size, uint64_t stored) {
    const PackageFile& file = product->files[index];
    const std::string name(file.entry.name.c_str(), static_cast<size_t>(file.entry.name.length()));
    if (args.verbose) {
      std::printf("%s %llu %llu\n", name.c_str(), static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(stored));
    } else if (progress) {
      std::fprintf(stderr, "\r[%zu/%zu] %.60s\033[K", index + 1, product->files.size(), name.c_str());
      if (index + 1 == product->files.size()) std::fprintf(stderr, "\r\033[K");
    }
  };
}

// The ratio leaves the setup program out: beside a few small files it would
// read as thousands of per cent.
void PrintSummary(const std::string& output, const Product& product, uint64_t installer_size, uint64_t stub_size,
                  double seconds) {
  uint64_t bytes = 0;
  std::error_code ignored;
  for (const PackageFile& file : product.files) {
    bytes += file.source_path.empty() ? static_cast<uint64_t>(file.content.length())
                                      : std::filesystem::file_size(file.source_path, ignored);
  }
  const uint64_t package = installer_size > stub_size ? installer_size - stub_size : 0;
  const double ratio = bytes ? 100.0 * static_cast<double>(package) / static_cast<double>(bytes) : 0;
  // The percentage is of the two numbers beside it.
  std::printf("%s: %zu files, %llu bytes packed into %llu bytes (%.1f%%); the installer: %llu bytes with its "
              "%llu-byte setup program, %.2f s\n",
              output.c_str(), product.files.size(), static_cast<unsigned long long>(bytes),
              static_cast<unsigned long long>(package), ratio, static_cast<unsigned long long>(installer_size),
              static_cast<unsigned long long>(stub_size), seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && IsReadCommand(argv[1])) return RunReadCommand(argc, argv);
  Arguments args;
  if (int code = ParseArguments(argc, argv, &args)) return code < 0 ? 0 : code;

  const auto started = std::chrono::steady_clock::now();
  std::string error;
  Product product;
  String stub;
  uint64_t size = 0;
  bool ok = LoadManifest(args.manifest, &product, &error);
  if (ok) {
    for (const std::string& warning : product.warnings) std::fprintf(stderr, "warning: %s\n", warning.c_str());
    ReportProgress(args, &product);
    product.options.jobs = args.jobs;
  }
  if (ok) error = OutputPathProblem(args.output, args.manifest, args.stub, product);
  ok = ok && error.empty() && ReadFileBytes(args.stub, &stub, &error) &&
       CheckRuntimeStub(stub, args.stub, &error);
  if (!ok || !WriteOutput(args, stub, product, &size, &error)) {
    std::fprintf(stderr, "setup-builder: %s\n", error.c_str());
    return 1;
  }
  PrintSummary(args.output, product, size, static_cast<uint64_t>(stub.length()),
               std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  if (args.shipping.winget_folder.empty() && args.shipping.sbom_file.empty()) return 0;
  ShippingRequest shipping = args.shipping;
  shipping.winget.package_id = product.package_id;
  return WriteShippingFiles(args.output, shipping);
}
