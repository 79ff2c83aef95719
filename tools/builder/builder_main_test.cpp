// setup-builder as a vendor's CI job runs it: exit codes, messages, and an
// output that is either the previous file or the whole new one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "builder/build_files.h"
#include "builder/package_writer.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"
#include "package/locator.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string output;  // standard output and error
};

class BuilderCommand : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("bx-cli-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    Write("files/readme.txt", "read me");
    Write("product.toml", "[product]\nname = \"Cli\"\nversion = \"1\"\n[files]\nsource = \"files\"\n");
    // A stub that carries the runtime's marker in a section's data.
    String stub = MakeTestStub();
    std::memcpy(stub.data() + 0x400, kRuntimeMarker, sizeof kRuntimeMarker);
    std::string error;
    ASSERT_TRUE(WriteFileBytes(Path("setup.exe"), stub, &error)) << error;
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& relative, const std::string& content) {
    fs::create_directories((folder_ / relative).parent_path());
    std::ofstream(folder_ / relative, std::ios::binary) << content;
  }
  std::string Path(const std::string& relative) const { return (folder_ / relative).string(); }
  std::string Read(const std::string& relative) const {
    std::ifstream in(folder_ / relative, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  Result Run(const std::string& arguments) {
    Result result;
    const std::string command = "cd '" + folder_.string() + "' && " BX_SETUP_BUILDER " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }

  fs::path folder_;
};

TEST_F(BuilderCommand, FailuresSayWhyAndLeaveThePreviousOutput) {
  struct Case {
    const char* arguments;
    int status;
    const char* message;
  } cases[] = {
      {"files -o out.exe --stub setup.exe", 1, "is a folder; name the manifest file"},
      {"product.toml -o out.exe --stub product.toml", 1, "not an executable"},
      {"product.toml -o out.exe --stub cut.exe", 1, "cut short"},
      {"product.toml -o out.exe --stub other.exe", 1, "not the Bastionix Setup runtime"},
      {"product.toml -o files/out.exe --stub setup.exe", 1, "lies inside the files' folder"},
      {"product.toml -o out.exe --stub setup.exe --sign 'false {file}'", 1, "the signing command failed with exit code 1: "},
      {"product.toml -o out.exe --stub setup.exe --sign 'true'", 2, "does not name {file}"},
      {"product.toml -o missing/out.exe --stub setup.exe", 1,
       "the folder \"missing\" of the output \"missing/out.exe\" does not exist; create it first"},
      {"product.toml --stub setup.exe", 2, "no output given"},
      {"product.toml -o out.exe --stub setup.exe --jobs 0", 2, "--jobs takes a number of cores from 1 to 256"},
      {"product.toml -o out.exe --stub setup.exe --jobs 257", 2, "--jobs takes a number of cores from 1 to 256"},
      {"product.toml -o out.exe --stub setup.exe --jobs -1", 2, "--jobs takes a number of cores from 1 to 256"},
      {"product.toml -o out.exe --stub setup.exe --jobs", 2, "--jobs takes a number of cores from 1 to 256"},
  };
  String stub;
  std::string error;
  ASSERT_TRUE(ReadFileBytes(Path("setup.exe"), &stub, &error));
  String cut = stub;
  cut.SetLength(0x500);
  ASSERT_TRUE(WriteFileBytes(Path("cut.exe"), cut, &error));
  String other = MakeTestStub();
  ASSERT_TRUE(WriteFileBytes(Path("other.exe"), other, &error));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Write("out.exe", "the previous installer");
    Write("files/out.exe", "");
    fs::remove(folder_ / "files/out.exe");
    Result result = Run(c.arguments);
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    EXPECT_EQ(Read("out.exe"), "the previous installer");
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(folder_)) entries += entry.path().filename() != "files";
    EXPECT_EQ(entries, 5u) << "a temporary file was left";  // out, product, setup, cut, other
  }
}

// An output that is one of the build's own inputs, however it is spelt, is
// refused before anything is written, and the input is left as it was.
TEST_F(BuilderCommand, NeverWritesOverAnInput) {
  Write("license.txt", "the licence");
  Write("product.toml", "[product]\nname = \"Cli\"\nversion = \"1\"\n[files]\nsource = \"files\"\n"
                        "[wizard]\nlicense = \"license.txt\"\n");
  fs::create_symlink("product.toml", folder_ / "link.toml");
  const struct {
    const char* arguments;
    const char* input;
    const char* message;
  } cases[] = {
      {"product.toml -o product.toml --stub setup.exe", "product.toml", "is the manifest"},
      {"product.toml -o ./product.toml --stub setup.exe", "product.toml", "is the manifest"},
      {"product.toml -o link.toml --stub setup.exe", "product.toml", "is the manifest"},
      {"product.toml -o setup.exe --stub setup.exe", "setup.exe", "is the setup program (--stub)"},
      {"product.toml -o license.txt --stub setup.exe", "license.txt", ":7:11: wizard.license names"},
      {"product.toml -o files/../files/readme.txt --stub setup.exe", "files/readme.txt", "is a packaged file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::string before = Read(c.input);
    const Result result = Run(c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    EXPECT_EQ(Read(c.input), before);
  }
}

// --verbose tells each file's share of the stored data, and the shares add
// up to it, though small files share one block.
TEST_F(BuilderCommand, VerboseStoredSizesAddUpToThePackedData) {
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += std::to_string(i * 7919 % 100003) + " ";
  Write("files/big.txt", big);
  Write("files/small.txt", "small");
  Result result = Run("product.toml -o out.exe --stub setup.exe --verbose");
  ASSERT_EQ(result.status, 0) << result.output;
  unsigned long long total = 0, zero = 0;
  for (const char* name : {"big.txt ", "readme.txt ", "small.txt "}) {
    unsigned long long size = 0, stored = 0;
    const size_t at = result.output.find(std::string("\n") + name);
    ASSERT_NE(at, std::string::npos) << result.output;
    ASSERT_EQ(std::sscanf(result.output.c_str() + at + 1 + std::strlen(name), "%llu %llu", &size, &stored), 2);
    total += stored;
    zero += stored == 0;
  }
  EXPECT_EQ(zero, 0u) << result.output;
  unsigned long long packed = 0;
  ASSERT_EQ(std::sscanf(result.output.c_str() + result.output.find("out.exe: "),
                        "out.exe: %*u files, %*u bytes packed into %llu", &packed),
            1);
  EXPECT_LT(total, packed);  // the settings and header are the rest
  EXPECT_GT(total, packed / 2);
}

// A build on one core and on several gives the same installer, byte for
// byte, and so does building again; it reads back whole.
TEST_F(BuilderCommand, OneCoreOrManyBuildTheSameInstaller) {
  std::string text, noise;
  for (int i = 0; text.size() < 600000; ++i) text += std::to_string(i * 7919 % 100003) + " ";
  uint32_t state = 7;
  while (noise.size() < 300000) noise += static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  Write("files/text.txt", text);
  Write("files/noise.bin", noise);
  Write("product.toml", "[product]\nname = \"Cli\"\nversion = \"1\"\n[package]\nblock_size = 8192\n"
                        "[files]\nsource = \"files\"\n");
  std::string first;
  for (const char* jobs : {"--jobs 1", "--jobs 4", "", "--jobs 2", "--jobs 4"}) {
    SCOPED_TRACE(jobs);
    const Result result = Run(std::string("product.toml -o out.exe --stub setup.exe ") + jobs);
    ASSERT_EQ(result.status, 0) << result.output;
    if (first.empty()) first = Read("out.exe");
    EXPECT_TRUE(Read("out.exe") == first);
  }
  String installer;
  std::string error;
  ASSERT_TRUE(ReadFileBytes(Path("out.exe"), &installer, &error)) << error;
  const Unpacked unpacked = Unpack(installer);
  ASSERT_EQ(unpacked.corrupt, kCorruptNone);
  EXPECT_EQ(unpacked.contents, (std::vector<std::string>{noise, "read me", text}));
}

TEST_F(BuilderCommand, ABuildWritesAnExecutableAndSaysWhatItDid) {
  Write("files/notes.bak", "old");
  Write("product.toml",
        "[product]\nname = \"Cli\"\nversion = \"1\"\n[files]\nsource = \"files\"\nexclude = [\"*.bak\", \"*.tmp\"]\n");
  Result result = Run("product.toml -o out.exe --stub setup.exe --verbose");
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("warning: "), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("\"*.tmp\" matches no file"), std::string::npos);
  EXPECT_NE(result.output.find("excluded notes.bak\n"), std::string::npos);
  EXPECT_NE(result.output.find("readme.txt 7 "), std::string::npos);
  EXPECT_NE(result.output.find("out.exe: 1 files, 7 bytes packed into "), std::string::npos);
  // The summary's percentage is of its own two numbers.
  unsigned long long plain = 0, packed = 0;
  double percent = 0;
  ASSERT_EQ(std::sscanf(result.output.c_str() + result.output.find("out.exe: "),
                        "out.exe: %*u files, %llu bytes packed into %llu bytes (%lf%%)", &plain, &packed, &percent),
            3)
      << result.output;
  EXPECT_NEAR(percent, 100.0 * static_cast<double>(packed) / static_cast<double>(plain), 0.05);
  struct stat info;
  ASSERT_EQ(stat(Path("out.exe").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u);
  // Written as it was made, it reads back whole.
  String installer;
  std::string error;
  ASSERT_TRUE(ReadFileBytes(Path("out.exe"), &installer, &error)) << error;
  const Unpacked unpacked = Unpack(installer);
  ASSERT_EQ(unpacked.corrupt, kCorruptNone);
  EXPECT_EQ(unpacked.contents, std::vector<std::string>{"read me"});

  result = Run("--version");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "setup-builder 37.0\n");
}

}  // namespace

namespace {

// The winget manifests and the bill of materials at build time, and the same
// from the finished installer; the build's and the subcommands' agree.
TEST_F(BuilderCommand, WritesTheShippingDocumentsAtBuildTimeAndFromAnInstaller) {
  Write("product.toml",
        "[product]\nname = \"Cli\"\nversion = \"1\"\npublisher = \"Acme\"\nexit_codes = \"deployment\"\n"
        "package_id = \"Acme.CliTool\"\nuninstall_key = \"Acme.Cli\"\n[files]\nsource = \"files\"\n");
  const Result built = Run("product.toml -o out.exe --stub setup.exe --winget wg --installer-url "
                           "https://example.com/out.exe --sbom bom.json");
  ASSERT_EQ(built.status, 0) << built.output;
  EXPECT_EQ(built.output.find("warning"), std::string::npos) << built.output;
  const std::string manifest = Read("wg/Acme.CliTool.installer.yaml");
  EXPECT_NE(manifest.find("InstallerUrl: \"https://example.com/out.exe\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("InstallerReturnCode: 1618"), std::string::npos) << manifest;
  const Result again = Run("winget out.exe -o wg2 --package-id Acme.CliTool --installer-url https://example.com/out.exe");
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(Read("wg2/Acme.CliTool.installer.yaml"), manifest);
  EXPECT_EQ(Read("wg2/Acme.CliTool.locale.en-US.yaml"), Read("wg/Acme.CliTool.locale.en-US.yaml"));
  const Result bom = Run("sbom out.exe");
  ASSERT_EQ(bom.status, 0) << bom.output;
  EXPECT_NE(bom.output.find("\"specVersion\": \"1.5\""), std::string::npos) << bom.output;
  EXPECT_NE(Read("bom.json").find("\"name\": \"%InstallDir%\\\\readme.txt\""), std::string::npos) << Read("bom.json");
  // Without a publisher there is no identifier to derive.
  Write("product.toml", "[product]\nname = \"Cli\"\nversion = \"1\"\n[files]\nsource = \"files\"\n");
  const Result nameless = Run("product.toml -o out.exe --stub setup.exe --winget wg3");
  EXPECT_EQ(nameless.status, 1) << nameless.output;
  EXPECT_NE(nameless.output.find("\"Cli\" cannot be a winget PackageIdentifier"), std::string::npos) << nameless.output;
  EXPECT_EQ(Run("winget out.exe").status, 2);
}

}  // namespace
