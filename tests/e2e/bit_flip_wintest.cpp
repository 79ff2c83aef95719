// Single-bit damage to a real installer, run silently: a deterministic sample
// of flips over the package's header, settings and file data. Every run must
// end by itself (no crash, no hang, no window) with exit code 1, and either
// stop as damaged, when the installer's own decoders (run here first) find
// the damage, or install files byte-identical to the originals (the padding
// after the package is sampled too, where no flip may stop the run). A damaged
// run never leaves a file that differs from its original.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "builder/package_writer.h"
#include "builder/test_unpack.h"
#include "e2e/installer_win.h"
#include "testkit/testkit.h"

namespace {

using testkit::Process;

struct Region {
  const char* name;
  size_t begin;  // in the installer file
  size_t end;
  int flips;  // enough to reach every field of the header and a spread of the blocks
};

struct PackagedFile {
  const char* name;
  std::string content;
};

std::string Noise(size_t length) {
  std::string bytes(length, '\0');
  uint32_t state = 0x2545F491;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24 & 0x3F);  // compressible, not trivially
  }
  return bytes;
}

// The n-th sampled bit of a region: spread evenly, each at another bit.
size_t SampledBit(const Region& region, int n) {
  const size_t bits = (region.end - region.begin) * 8;
  return region.begin * 8 + (bits * static_cast<size_t>(n) / region.flips + static_cast<size_t>(n) * 5) % bits;
}

void DeleteUninstallKey(const String& key_name) {
  if (key_name.empty()) return;
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                      e2e::Wide(key_name)).c_str());
}

TEST(BitFlips, EndInTheCorruptReportOrInAnIdenticalInstallation) {
  Product product = e2e::TestProduct(L"Flip");
  // The program checksum would catch every flip before the package's own
  // checks are reached: those are what this sweep is about.
  product.settings.SetFlag(product_flag::kCheckProgramChecksum, false);
  const std::vector<PackagedFile> files = {{"a.txt", "The first file.\r\n"}, {"data\\b.bin", Noise(9000)}};
  for (const PackagedFile& f : files) product.files.push_back(FileFromBytes(f.name, f.content.data(), f.content.size()));
  const std::wstring path = e2e::BuildInstallerFile(product, L"intact.exe");
  ASSERT_FALSE(path.empty());
  const std::string intact = e2e::ReadBytes(path);
  const String intact_bytes(intact.data(), static_cast<int32_t>(intact.size()));
  const Unpacked unpacked = Unpack(intact_bytes);
  ASSERT_EQ(unpacked.corrupt, kCorruptNone);
  const size_t section = unpacked.section.raw_pointer;
  const size_t data = section + unpacked.header.file_data_offset;
  const size_t settings = data - static_cast<size_t>(unpacked.header.settings_block.length);
  const size_t data_end = data + static_cast<size_t>(unpacked.header.file_data_length);
  // The padding after the package is read by nobody: flips there must not
  // stop the installation.
  const Region regions[] = {{"header", section, settings, 8},
                            {"settings", settings, data, 8},
                            {"file data", data, data_end, 8},
                            {"padding", data_end, section + unpacked.section.raw_size, 2}};

  const std::wstring installer = e2e::TestFolder() + L"\\flipped.exe";
  int installed = 0, refused = 0;
  for (const Region& region : regions) {
    ASSERT_LT(region.begin, region.end) << region.name;
    for (int n = 0; n < region.flips; ++n) {
      const size_t bit = SampledBit(region, n);
      SCOPED_TRACE(testing::Message() << region.name << ": byte " << bit / 8 << " bit " << bit % 8);
      std::string damaged = intact;
      damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
      const Unpacked expected = Unpack(String(damaged.data(), static_cast<int32_t>(damaged.size())));
      e2e::WriteBytes(installer, damaged);
      const std::wstring folder = e2e::TestFolder() + L"\\App" + std::to_wstring(bit);

      Process process = Process::Start(installer, L"/silent /d:\"" + folder + L"\"");
      ASSERT_TRUE(process.started());
      // A window (a box, a page) would hold a silent run: ending by itself shows there was none.
      ASSERT_TRUE(process.WaitForExit()) << testkit::DescribeWindows(process.id());
      EXPECT_EQ(process.ExitCode(), 1u);

      const bool logged = testkit::FileExists(folder + L"\\Install.log");
      if (expected.corrupt != kCorruptNone) {
        ++refused;
        EXPECT_FALSE(logged) << "damage " << expected.corrupt << " went unnoticed";
        // Damage found while the entries are decoded stops the run there:
        // what was written before it is whole, nothing after it is written.
        for (const PackagedFile& f : files) {
          const std::wstring name = folder + L"\\" + std::wstring(f.name, f.name + strlen(f.name));
          if (testkit::FileExists(name)) {
            EXPECT_EQ(e2e::ReadBytes(name), f.content) << f.name;
          }
        }
      } else {
        ++installed;
        EXPECT_TRUE(logged) << "a package that reads well was not installed";
        for (const PackagedFile& f : files) {
          EXPECT_EQ(e2e::ReadBytes(folder + L"\\" + std::wstring(f.name, f.name + strlen(f.name))), f.content)
              << f.name;
        }
      }
      for (const ProductSettings* s : {&std::as_const(product.settings), &expected.settings}) {
        DeleteUninstallKey(s->DisplayName);
        DeleteUninstallKey(s->UninstallKeyName);
      }
    }
  }
  // The sample reached both outcomes, not one of them only.
  EXPECT_GT(refused, 0);
  EXPECT_GT(installed, 0);
  std::printf("bit flips: %d refused as damage, %d installed intact\n", refused, installed);
}

}  // namespace
