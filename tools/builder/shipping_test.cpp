// The winget manifests and the bill of materials: the hashes are those of
// the bytes shipped, and the documents pass the published CycloneDX 1.5
// schema and the documented winget fields (tests/schemas/validate.py).
#include "builder/shipping.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder/package_writer.h"
#include "builder/sha256.h"
#include "builder/test_stub.h"

namespace {

namespace fs = std::filesystem;

TEST(Sha256, KnownDigests) {
  const struct {
    std::string message;
    size_t repeat;
    const char* digest;
  } cases[] = {
      {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000, 'a'), 1000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    Sha256 hash;
    for (size_t i = 0; i < c.repeat; ++i) hash.Update(c.message.data(), c.message.size());
    EXPECT_EQ(hash.HexDigest(), c.digest) << c.message.substr(0, 20) << " x" << c.repeat;
  }
}

const std::string kFiles[][2] = {{"bin\\app.exe", std::string(70000, 'x') + "MZ"}, {"readme.txt", "Read me.\r\n"}};

Product ShippedProduct(bool after_section, bool enciphered, bool deployment) {
  Product product = DefaultProduct(String(u"Notes Pro"), String(u"2.1.0"));
  product.settings.Publisher = String(u"Acme Corp.");
  product.settings.UninstallKeyName = String(u"Acme.NotesPro");
  product.settings.FileDataOutside = after_section ? 1 : 0;
  product.settings.SetFlag2(product_flag2::kEnciphered, enciphered);
  product.settings.SetFlag2(product_flag2::kDeploymentExitCodes, deployment);
  for (const auto& [name, content] : kFiles) product.files.push_back(FileFromBytes(name.c_str(), content.data(), content.size()));
  return product;
}

ShippingFacts Facts(const String& installer) {
  ShippingFacts facts;
  ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
  const ReadOutcome outcome = ReadShippingFacts(MemoryProgramFile(&image), image, "out/notes-setup.exe", &facts);
  EXPECT_TRUE(outcome.ok()) << outcome.code << " " << outcome.where;
  return facts;
}

std::string Hash(const void* data, size_t length) {
  Sha256 hash;
  hash.Update(data, length);
  return hash.HexDigest();
}

TEST(Shipping, HashesTheInstallerAndEveryFileInEveryPlacementAndCipher) {
  for (const bool after : {false, true}) {
    for (const bool enciphered : {false, true}) {
      SCOPED_TRACE(std::string(after ? "after the section" : "inside") + (enciphered ? ", enciphered" : ""));
      String installer;
      std::string error;
      ASSERT_TRUE(BuildInstaller(MakeTestStub(), ShippedProduct(after, enciphered, false), &installer, &error)) << error;
      const ShippingFacts facts = Facts(installer);
      EXPECT_EQ(facts.installer_name, "notes-setup.exe");
      EXPECT_EQ(facts.installer_size, static_cast<uint64_t>(installer.length()));
      EXPECT_EQ(facts.installer_sha256, Hash(installer.bytes(), static_cast<size_t>(installer.length())));
      ASSERT_EQ(facts.files.size(), 2u);
      for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(facts.files[i].destination, "%InstallDir%\\" + kFiles[i][0]);
        EXPECT_EQ(facts.files[i].size, kFiles[i][1].size());
        EXPECT_EQ(facts.files[i].sha256, Hash(kFiles[i][1].data(), kFiles[i][1].size()));
      }
    }
  }
}

// A folder of its own for the documents, gone after the test.
struct Scratch {
  Scratch() : path(fs::temp_directory_path() / ("bx-shipping-" + std::to_string(getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path / "winget");
  }
  ~Scratch() { fs::remove_all(path); }
  fs::path path;
};

int Validate(const char* kind, const fs::path& target) {
  const std::string command = "python3 '" + std::string(BX_SOURCE_DIR) + "/tests/schemas/validate.py' " + kind + " '" +
                              target.string() + "'";
  return std::system(command.c_str());
}

std::string Contents(const std::vector<ManifestFile>& files, const std::string& suffix) {
  for (const ManifestFile& f : files) {
    if (f.name.size() >= suffix.size() && f.name.compare(f.name.size() - suffix.size(), suffix.size(), suffix) == 0) return f.text;
  }
  return "<no " + suffix + ">";
}

TEST(Shipping, WingetManifestsAndTheBillOfMaterialsPassTheirSchemas) {
  for (const bool deployment : {false, true}) {
    SCOPED_TRACE(deployment ? "deployment codes" : "classic codes");
    String installer;
    std::string error;
    ASSERT_TRUE(BuildInstaller(MakeTestStub(), ShippedProduct(false, false, deployment), &installer, &error)) << error;
    const ShippingFacts facts = Facts(installer);
    std::vector<ManifestFile> files;
    std::vector<std::string> warnings;
    ASSERT_TRUE(WingetManifests(facts, {"", "https://example.com/notes-setup.exe"}, &files, &warnings, &error)) << error;
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "AcmeCorp.NotesPro.yaml");
    const std::string installer_manifest = Contents(files, ".installer.yaml");
    EXPECT_NE(installer_manifest.find("ProductCode: \"Acme.NotesPro\""), std::string::npos) << installer_manifest;
    EXPECT_NE(installer_manifest.find("InstallLocation: \"/d:\\\"<INSTALLPATH>\\\"\""), std::string::npos);
    // The codes winget is told of are the ones the installer ends with.
    for (const char* code : {"- 3010", "InstallerReturnCode: 1602", "InstallerReturnCode: 1638", "InstallerReturnCode: 1639"}) {
      EXPECT_EQ(installer_manifest.find(code) != std::string::npos, deployment) << code;
    }
    EXPECT_EQ(warnings.size(), deployment ? 0u : 1u);
    const Scratch scratch;
    for (const ManifestFile& f : files) std::ofstream(scratch.path / "winget" / f.name, std::ios::binary) << f.text;
    EXPECT_EQ(Validate("winget", scratch.path / "winget"), 0);
    const std::string bom = CycloneDxBom(facts, 1700000000);
    EXPECT_NE(bom.find("\"timestamp\": \"2023-11-14T22:13:20Z\""), std::string::npos) << bom;
    EXPECT_EQ(bom, CycloneDxBom(Facts(installer), 1700000000)) << "the same installer gives the same document";
    std::ofstream(scratch.path / "bom.json", std::ios::binary) << bom;
    EXPECT_EQ(Validate("cyclonedx", scratch.path / "bom.json"), 0);
  }
}

TEST(Shipping, BuildTimeIsSourceDateEpochWhenSet) {
  setenv("SOURCE_DATE_EPOCH", "951782400", 1);  // 2000-02-29
  EXPECT_EQ(BuildTime(), 951782400);
  String installer;
  std::string error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), ShippedProduct(false, false, true), &installer, &error)) << error;
  EXPECT_NE(CycloneDxBom(Facts(installer), BuildTime()).find("\"2000-02-29T00:00:00Z\""), std::string::npos);
  unsetenv("SOURCE_DATE_EPOCH");
}

TEST(Shipping, APackageIdentifierWingetCannotTakeIsRefused) {
  String installer;
  std::string error;
  ASSERT_TRUE(BuildInstaller(MakeTestStub(), ShippedProduct(false, false, true), &installer, &error)) << error;
  const ShippingFacts facts = Facts(installer);
  for (const char* id : {"Single", "Acme.Notes Pro", "Acme..Notes", "Acme.Notes:2", "A.B.C.D.E.F.G.H.I",
                         "Acme.ThisPartIsLongerThanThirtyTwoCharacters"}) {
    std::vector<ManifestFile> files;
    std::vector<std::string> warnings;
    EXPECT_FALSE(WingetManifests(facts, {id, "https://example.com/a.exe"}, &files, &warnings, &error)) << id;
    EXPECT_NE(error.find(std::string("\"") + id + "\" cannot be a winget PackageIdentifier"), std::string::npos) << error;
  }
}

}  // namespace
