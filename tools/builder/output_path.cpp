#include "builder/output_path.h"

#include <filesystem>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ignored;
  return fs::equivalent(a, b, ignored);
}

bool InsideFolder(const fs::path& path, const std::string& folder) {
  std::error_code ignored;
  const fs::path inner = fs::weakly_canonical(path, ignored);
  const fs::path outer = fs::weakly_canonical(folder, ignored);
  auto o = outer.begin();
  auto i = inner.begin();
  for (; o != outer.end() && i != inner.end() && *o == *i; ++o, ++i) {
  }
  return o == outer.end();
}

// The output as one of the inputs: the manifest, the setup program, a file
// the manifest names or a packaged file; empty when it is none of them.
std::string InputAtOutput(const std::string& output, const std::string& manifest, const std::string& stub,
                          const Product& product) {
  std::error_code ignored;
  // A file that does not exist yet is none of the inputs, which all exist.
  if (!fs::exists(output, ignored)) return std::string();
  std::vector<std::pair<std::string, std::string>> inputs = {{"the manifest", manifest},
                                                             {"the setup program (--stub)", stub}};
  for (const ManifestInput& input : product.inputs) inputs.emplace_back("the file " + input.where + " names", input.path);
  for (const PackageFile& file : product.files) {
    if (!file.source_path.empty()) inputs.emplace_back("a packaged file", file.source_path);
  }
  for (const auto& [what, path] : inputs) {
    if (SameFile(output, path)) return what + " (\"" + path + "\")";
  }
  return std::string();
}

}  // namespace

std::string OutputPathProblem(const std::string& output, const std::string& manifest, const std::string& stub,
                              const Product& product) {
  std::error_code ignored;
  const fs::path folder = fs::path(output).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ignored)) {
    return "the folder \"" + folder.string() + "\" of the output \"" + output + "\" does not exist; create it first";
  }
  const std::string input = InputAtOutput(output, manifest, stub, product);
  if (!input.empty()) {
    return "the output \"" + output + "\" is " + input + ", which the build reads; write the installer elsewhere";
  }
  if (!product.source_folder.empty() && InsideFolder(output, product.source_folder)) {
    return "the output \"" + output + "\" lies inside the files' folder \"" + product.source_folder +
           "\"; write it elsewhere, or the next build packs it";
  }
  return std::string();
}
