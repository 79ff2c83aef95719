// Writes the seed corpora of the fuzz targets from the sample products and
// the builder: make_seeds SAMPLES_FOLDER OUTPUT_FOLDER. Nothing binary is
// kept in the tree; the seeds are made anew from what the builder writes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "builder/manifest.h"
#include "builder/package_writer.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"
#include "package/byte_order.h"
#include "package/settings.h"
#include "records/uninstall_data.h"

namespace fs = std::filesystem;

namespace {

void Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string Bytes(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

// The variants the runtime reads differently: plain or compressed blocks,
// enciphered, file data after the section.
std::vector<Product> Variants(const Product& base) {
  std::vector<Product> all(4, base);
  all[1].settings.SetFlag(product_flag::kCompressedBlocks, !base.settings.Flag(product_flag::kCompressedBlocks));
  all[2].settings.SetFlag2(product_flag2::kEnciphered, true);
  for (uint8_t i = 0; i < kPackageCipherKeyLength; ++i) all[2].options.cipher_key[i] = static_cast<uint8_t>(17 * i + 3);
  all[3].settings.FileDataOutside = 1;
  for (Product& product : all) product.options.block_size = 512;
  return all;
}

// Seeds of every target from one built installer.
void WriteSeeds(const fs::path& out, const std::string& stem, const Product& product, const String& installer) {
  Put(out / "package", stem, Bytes(installer));
  Put(out / "locator", stem, Bytes(installer));
  const Unpacked unpacked = Unpack(installer);
  if (unpacked.corrupt != kCorruptNone) {
    std::fprintf(stderr, "%s: the builder's own installer reads back with code %d\n", stem.c_str(), unpacked.corrupt);
    return;
  }
  String plain;
  if (DecodeSettingsBlock(unpacked.header.settings_block.data, unpacked.header.settings_block.length,
                          unpacked.header.settings_checksum, nullptr, &plain) == kCorruptNone) {
    Put(out / "settings", stem, Bytes(plain));
  }
  if (!unpacked.header.enciphered() && !unpacked.entries.empty()) {
    ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
    ProgramFile file = MemoryProgramFile(&image);
    FileData data;
    if (LocateFileData(file, unpacked.section, SectionBytesInImage(image, unpacked.section), unpacked.header,
                       unpacked.settings.FileDataOutside != 0, &data) == FileDataOutcome::kOk) {
      std::string entries(5, '\0');
      entries[0] = unpacked.settings.Flag(product_flag::kCompressedBlocks) ? 1 : 0;
      StoreLe32(reinterpret_cast<uint8_t*>(&entries[1]), static_cast<uint32_t>(unpacked.header.content_size(0)));
      String scratch;
      const size_t length = static_cast<size_t>(data.stored.length());
      const uint8_t* bytes = length > 0 ? data.stored.View(0, length, &scratch) : nullptr;
      if (bytes) entries.append(reinterpret_cast<const char*>(bytes), length);
      Put(out / "entries", stem, entries);
    }
  }
  UninstallRecords records;
  records.records = String("C:\\App\\app.exe\r\n~C:\\App\r\n!HKLM\\Software\\App\\Run\r\n");
  records.firewall = String("C:\\App\\server.exe;App Server;0;\r\n");
  Put(out / "uninstall_data", stem, Bytes(BuildUninstallData(records, unpacked.settings, unpacked.languages)));
  (void)product;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_seeds SAMPLES_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const fs::path out = argv[2];
  int count = 0;
  for (const auto& item : fs::recursive_directory_iterator(argv[1])) {
    if (item.path().filename() != "manifest.toml") continue;
    std::ifstream in(item.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string stem = item.path().parent_path().filename().string();
    Put(out / "manifest", stem + ".toml", text.str());
    Product product;
    std::string error;
    if (!LoadManifest(item.path().string(), &product, &error)) {
      std::fprintf(stderr, "%s: %s\n", item.path().c_str(), error.c_str());
      return 1;
    }
    const std::vector<Product> variants = Variants(product);
    for (size_t i = 0; i < variants.size(); ++i) {
      String installer;
      if (!BuildInstaller(MakeTestStub(), variants[i], &installer, &error)) {
        std::fprintf(stderr, "%s: %s\n", stem.c_str(), error.c_str());
        return 1;
      }
      WriteSeeds(out, stem + "-" + std::to_string(i), variants[i], installer);
      ++count;
    }
  }
  std::printf("%d installers' seeds in %s\n", count, out.c_str());
  return count > 0 ? 0 : 1;
}
