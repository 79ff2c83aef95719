// The builder's installers read back through the installer's own locator and
// decoders: header, settings, file entries, program checksum and stripped
// copy, in both places of the file data, scrambled and enciphered.
#include "builder/package_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "builder/build_files.h"
#include "builder/pe_section.h"
#include "builder/test_stub.h"
#include "builder/test_unpack.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/corrupt.h"
#include "package/entry_queue.h"
#include "package/locator.h"
#include "package/program_copy.h"
#include "package/settings_block.h"
#include "package/settings_reader.h"

namespace {

constexpr uint32_t kPe = kTestStubPe;
constexpr uint32_t kTable = kTestStubTable;

String MakeStub(uint16_t sections = 5, uint32_t size_of_headers = 0x400) {
  return MakeTestStub(sections, size_of_headers);
}

Product SampleProduct() {
  Product product = DefaultProduct(String(u"Sample Product"), String(u"1.2.3"));
  product.settings.Publisher = String(u"Bastionix Samples");
  const char readme[] = "Read me first.\r\n";
  product.files.push_back(FileFromBytes("readme.txt", readme, sizeof readme - 1));
  String big;
  for (int i = 0; i < 300000; ++i) big.Append(static_cast<char>('a' + (i * 7 + i / 13) % 26));
  PackageFile data = FileFromBytes("data\\table.bin", big.bytes(), static_cast<size_t>(big.length()));
  data.entry.flags = entry_flag::kStartMenuShortcut;
  data.entry.version = "Sample Table";
  product.files.push_back(data);
  product.files.push_back(FileFromBytes("empty.txt", "", 0));
  product.options.block_size = 0x10000;  // several blocks, entries across them
  return product;
}

std::u16string Text(const String& wide) { return std::u16string(wide.w_str(), static_cast<size_t>(wide.wlength())); }

void ExpectSampleContent(const Unpacked& u, const Product& product) {
  ASSERT_EQ(u.corrupt, kCorruptNone);
  EXPECT_EQ(Text(u.settings.DisplayName), u"Sample Product");
  EXPECT_EQ(Text(u.settings.DisplayVersion), u"1.2.3");
  EXPECT_EQ(Text(u.settings.Publisher), u"Bastionix Samples");
  EXPECT_EQ(u.settings.ProductFlags, product.settings.ProductFlags);
  EXPECT_EQ(u.header.flags2, product.settings.ProductFlags2);
  EXPECT_EQ(Text(MessageText(u.languages, 21)), u"Error");
  EXPECT_EQ(Text(MessageText(u.languages, 0)), u"Sample Product Setup");
  ASSERT_EQ(u.entries.size(), product.files.size());
  for (size_t i = 0; i < product.files.size(); ++i) {
    const PackageFile& file = product.files[i];
    EXPECT_TRUE(u.entries[i].name == file.entry.name) << i;
    EXPECT_EQ(u.entries[i].flags, file.entry.flags) << i;
    EXPECT_EQ(u.entries[i].attributes, file.entry.attributes) << i;
    EXPECT_TRUE(u.entries[i].version == file.entry.version) << i;
    EXPECT_EQ(u.contents[i], std::string(file.content.c_str(), static_cast<size_t>(file.content.length()))) << i;
    EXPECT_EQ(u.header.content_size(static_cast<int32_t>(i)), file.content.length()) << i;
  }
}

String Build(const String& stub, const Product& product) {
  String installer;
  std::string error;
  EXPECT_TRUE(BuildInstaller(stub, product, &installer, &error)) << error;
  return installer;
}

TEST(BuildInstaller, RoundTripWithFileDataInsideTheImage) {
  Product product = SampleProduct();
  String installer = Build(MakeStub(), product);
  Unpacked u = Unpack(installer);
  ExpectSampleContent(u, product);
  EXPECT_EQ(u.section.index, 5);
  EXPECT_EQ(u.section.raw_pointer, 0x1000u);  // the page after the stub's 0xE00 bytes
  EXPECT_EQ(u.section.raw_size % 0x1000, 0u);
  EXPECT_EQ(u.section.virtual_address, 0x6000u);
  EXPECT_EQ(static_cast<size_t>(installer.length()), size_t{u.section.raw_pointer} + u.section.raw_size);
}

TEST(BuildInstaller, RoundTripWithFileDataAfterTheSection) {
  Product product = SampleProduct();
  product.settings.FileDataOutside = 1;
  String installer = Build(MakeStub(), product);
  Unpacked u = Unpack(installer);
  ExpectSampleContent(u, product);
  // Header and settings fill the section; the file data follows it.
  EXPECT_EQ(u.header.file_data_offset, u.section.raw_size);
  EXPECT_EQ(static_cast<size_t>(installer.length()),
            size_t{u.section.raw_pointer} + u.section.raw_size + static_cast<size_t>(u.header.file_data_length));
}

TEST(BuildInstaller, RoundTripEnciphered) {
  for (uint8_t place : {0, 1}) {
    Product product = SampleProduct();
    product.settings.FileDataOutside = place;
    product.settings.SetFlag2(product_flag2::kEnciphered, true);
    const uint8_t key[8] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    std::memcpy(product.options.cipher_key, key, sizeof key);
    String installer = Build(MakeStub(), product);
    Unpacked u = Unpack(installer);
    ExpectSampleContent(u, product);
    ASSERT_TRUE(u.header.has_cipher_key);
    EXPECT_EQ(0, std::memcmp(u.header.cipher_key, key, sizeof key));
    // Nothing of the files is stored in the clear.
    std::string all(installer.c_str(), static_cast<size_t>(installer.length()));
    EXPECT_EQ(all.find("Read me first."), std::string::npos) << int{place};
  }
}

TEST(BuildInstaller, UncompressedBlocksStoreTheFilesAsTheyAre) {
  Product product = SampleProduct();
  product.settings.SetFlag(product_flag::kCompressedBlocks, false);
  String installer = Build(MakeStub(), product);
  ExpectSampleContent(Unpack(installer), product);
  std::string all(installer.c_str(), static_cast<size_t>(installer.length()));
  EXPECT_NE(all.find("Read me first."), std::string::npos);
}

TEST(BuildInstaller, SameInputGivesTheSameBytes) {
  Product product = SampleProduct();
  String first = Build(MakeStub(), product);
  String second = Build(MakeStub(), product);
  EXPECT_TRUE(first == second);
}

// Blocks coded on several threads finish out of order (noise codes faster
// than text): the installer is still the same, byte for byte, as the one
// coded on the caller's thread alone, compressed, enciphered or both.
TEST(BuildInstaller, TheBytesDoNotDependOnTheCoresThatCodedThem) {
  Product product = SampleProduct();
  String noise;
  uint32_t state = 1;
  for (int i = 0; i < 200000; ++i) noise.Append(static_cast<char>((state = state * 1103515245u + 12345u) >> 24));
  product.files.push_back(FileFromBytes("noise.bin", noise.bytes(), static_cast<size_t>(noise.length())));
  product.options.block_size = 4096;  // over a hundred blocks
  const uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::memcpy(product.options.cipher_key, key, sizeof key);
  const struct {
    bool compressed;
    bool enciphered;
  } codings[] = {{true, false}, {true, true}, {false, true}};
  for (const auto& coding : codings) {
    product.settings.SetFlag(product_flag::kCompressedBlocks, coding.compressed);
    product.settings.SetFlag2(product_flag2::kEnciphered, coding.enciphered);
    product.options.jobs = 1;
    const String alone = Build(MakeStub(), product);
    ExpectSampleContent(Unpack(alone), product);
    for (size_t jobs : {2, 3, 4, 16, 0}) {
      product.options.jobs = jobs;
      EXPECT_TRUE(Build(MakeStub(), product) == alone) << jobs << " jobs, " << coding.compressed << coding.enciphered;
    }
  }
}

TEST(BuildInstaller, StrippedCopyIsTheSetupProgramAgain) {
  for (uint8_t place : {0, 1}) {
    const String stub = MakeStub();
    Product product = SampleProduct();
    product.settings.FileDataOutside = place;
    String installer = Build(stub, product);
    ByteSpan image{installer.bytes(), static_cast<size_t>(installer.length())};
    ProgramFile file = MemoryProgramFile(&image);
    LocateResult located = LocatePackageSection(file);
    ASSERT_EQ(located.outcome, LocateOutcome::kFound);
    HeaderResult header = ReadPackageHeader(SectionBytesInImage(image, located.section));
    ASSERT_EQ(header.outcome, HeaderOutcome::kOk);
    ProgramCopyRequest request;
    request.keep_stripped = true;
    request.file_data_after_section = place != 0;
    ProgramCopy copy;
    ASSERT_EQ(PrepareProgramCopy(file, located.section, header.header, request, &copy), kCorruptNone);
    // Byte for byte the stub, zeros up to the page where the package began,
    // but for the image checksum recomputed over the installer.
    ASSERT_EQ(copy.stripped.length(), 0x1000) << int{place};
    String expected = stub;
    expected.SetLength(0x1000);
    std::memcpy(expected.data() + kPe + 88, copy.stripped.bytes() + kPe + 88, 4);
    EXPECT_TRUE(copy.stripped == expected) << int{place};
  }
}

TEST(BuildInstaller, ProgramChecksumCoversTheProgramBeforeThePackage) {
  Product product = SampleProduct();
  String installer = Build(MakeStub(), product);
  ASSERT_EQ(Unpack(installer).corrupt, kCorruptNone);
  // A changed byte in a section of the program is caught ...
  installer.data()[0x400 + 0x10] ^= 0x01;
  EXPECT_EQ(Unpack(installer).corrupt, kCorruptProgramChecksum);
  // ... but only while the product asks for the check.
  product.settings.SetFlag(product_flag::kCheckProgramChecksum, false);
  installer = Build(MakeStub(), product);
  installer.data()[0x400 + 0x10] ^= 0x01;
  EXPECT_EQ(Unpack(installer).corrupt, kCorruptNone);
}

TEST(BuildInstaller, DamageIsCaughtWithItsNumber) {
  Product product = SampleProduct();
  const String installer = Build(MakeStub(), product);
  const Unpacked good = Unpack(installer);
  ASSERT_EQ(good.corrupt, kCorruptNone);
  const size_t package = good.section.raw_pointer;
  auto damaged = [&](size_t offset) {
    String copy = installer;
    copy.data()[offset] ^= 0x40;
    return Unpack(copy).corrupt;
  };
  EXPECT_EQ(damaged(package), kCorruptMagic);
  // The last settings bytes are the zlib stream's own check value.
  int last = damaged(package + good.header.file_data_offset - 1);
  EXPECT_TRUE(last == kCorruptSettingsInflate || last == kCorruptSettingsChecksum) << last;
  EXPECT_NE(damaged(package + good.header.file_data_offset - good.header.settings_block.length / 2), kCorruptNone);
  EXPECT_EQ(damaged(package + good.header.file_data_offset + 100), kCorruptFileDataChecksum);
}

TEST(BuildInstaller, RefusesWhatTheInstallerWouldReject) {
  std::string error;
  String installer;
  Product product = SampleProduct();
  product.settings.BitmapSize = 101;
  EXPECT_FALSE(BuildInstaller(MakeStub(), product, &installer, &error));
  EXPECT_NE(error.find("code 39"), std::string::npos) << error;

  product = SampleProduct();
  product.files.push_back(FileFromBytes("", "x", 1));
  EXPECT_FALSE(BuildInstaller(MakeStub(), product, &installer, &error));
  EXPECT_NE(error.find("name is empty"), std::string::npos) << error;

  product = SampleProduct();
  product.files.back().source_path = "/nonexistent/file";
  EXPECT_FALSE(BuildInstaller(MakeStub(), product, &installer, &error));
  EXPECT_NE(error.find("/nonexistent/file"), std::string::npos) << error;

  String twice = Build(MakeStub(), SampleProduct());
  EXPECT_FALSE(BuildInstaller(twice, SampleProduct(), &installer, &error));
  EXPECT_NE(error.find("already carries"), std::string::npos) << error;

  EXPECT_FALSE(BuildInstaller(String("MZ not a program"), SampleProduct(), &installer, &error));
  EXPECT_NE(error.find("not usable"), std::string::npos) << error;
}

TEST(AddPeSection, NeedsAFreeTableSlotInTheHeader) {
  // Six entries would end at 0x180 + 6 * 40 = 0x270; a header of 0x260 has
  // no room for the sixth.
  String stub = MakeStub(5, 0x260);
  AddedSection added;
  std::string error;
  const uint8_t data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(AddPeSection(&stub, ".setup", data, sizeof data, &added, &error));
  EXPECT_NE(error.find("no room"), std::string::npos) << error;

  stub = MakeStub();
  stub.data()[kTable + 5 * 40 + 3] = 1;  // something lives after the table
  EXPECT_FALSE(AddPeSection(&stub, ".setup", data, sizeof data, &added, &error));
  EXPECT_NE(error.find("no free slot"), std::string::npos) << error;
}

TEST(AddPeSection, FillsTheEntryAndTheImageSizes) {
  String stub = MakeStub();
  const String before = stub;
  String data;
  data.SetLength(0x1801);
  AddedSection added;
  std::string error;
  ASSERT_TRUE(AddPeSection(&stub, ".setup", data.bytes(), 0x1801, &added, &error)) << error;
  const uint8_t* b = stub.bytes();
  const uint8_t* entry = b + kTable + 5 * 40;
  EXPECT_EQ(0, std::memcmp(entry, ".setup\0\0", 8));
  EXPECT_EQ(LoadLe32(entry + 8), 0x2000u);
  EXPECT_EQ(LoadLe32(entry + 12), 0x6000u);
  EXPECT_EQ(LoadLe32(entry + 16), 0x2000u);
  EXPECT_EQ(LoadLe32(entry + 20), 0x1000u);  // on a page boundary, past the file alignment
  EXPECT_EQ(LoadLe32(entry + 36), 0x40000040u);
  EXPECT_EQ(LoadLe16(b + kPe + 6), 6);
  EXPECT_EQ(LoadLe32(b + kPe + 24 + 8), LoadLe32(before.bytes() + kPe + 24 + 8) + 0x2000);
  EXPECT_EQ(LoadLe32(b + kPe + 24 + 56), 0x8000u);
  EXPECT_EQ(stub.length(), 0x1000 + 0x2000);
}

TEST(PeImageChecksum, IgnoresItsOwnFieldAndSeesEveryOtherWord) {
  String image = MakeStub();
  PeLayout layout;
  ASSERT_TRUE(ReadPeLayout(image, &layout, nullptr));
  uint32_t first = PeImageChecksum(image, layout);
  // The stored field does not count.
  StoreLe32(image.data() + kPe + 88, 0xDEADBEEF);
  EXPECT_EQ(PeImageChecksum(image, layout), first);
  // Any other word does.
  image.data()[0x500] ^= 1;
  EXPECT_NE(PeImageChecksum(image, layout), first);
  UpdatePeChecksum(&image, layout);
  EXPECT_EQ(LoadLe32(image.bytes() + kPe + 88), PeImageChecksum(image, layout));
}

namespace streaming {

namespace fs = std::filesystem;

// A folder of its own for files the test writes, removed afterwards.
struct Scratch {
  Scratch() : folder(fs::temp_directory_path() / ("bx-stream-" + std::to_string(getpid()))) {
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  ~Scratch() { fs::remove_all(folder); }
  std::string Path(const std::string& name) const { return (folder / name).string(); }
  fs::path folder;
};

TEST(BuildInstallerTo, SourceFilesStreamIntoTheFileAsTheSameBytes) {
  for (uint8_t place : {0, 1}) {
    SCOPED_TRACE(place);
    Scratch scratch;
    Product held = SampleProduct();
    held.settings.FileDataOutside = place;
    // Every other file read from disk, the large one in several pieces.
    Product streamed = held;
    for (size_t i = 0; i < streamed.files.size(); ++i) {
      PackageFile& file = streamed.files[i];
      file.source_path = scratch.Path("source" + std::to_string(i));
      std::string error;
      ASSERT_TRUE(WriteFileBytes(file.source_path, file.content, &error)) << error;
      file.content.Clear();
    }
    InstallerFile out;
    uint64_t size = 0;
    std::string error;
    ASSERT_TRUE(out.Create(scratch.Path("setup.exe"), &error)) << error;
    ASSERT_TRUE(BuildInstallerTo(MakeStub(), streamed, String(), &out, &size, &error)) << error;
    ASSERT_TRUE(out.Close(&error)) << error;
    String installer;
    ASSERT_TRUE(ReadFileBytes(scratch.Path("setup.exe"), &installer, &error)) << error;
    EXPECT_EQ(size, static_cast<uint64_t>(installer.length()));
    EXPECT_TRUE(installer == Build(MakeStub(), held));
    ExpectSampleContent(Unpack(installer), held);
    // The CheckSum summed in pieces, at odd offsets too, equals the whole file's.
    PeLayout layout;
    ASSERT_TRUE(ReadPeLayout(installer, &layout, nullptr));
    EXPECT_EQ(LoadLe32(installer.bytes() + kPe + 88), PeImageChecksum(installer, layout));
  }
}

TEST(BuildInstallerTo, SourcesThatCannotBeReadWholeFailTheBuild) {
  Scratch scratch;
  ASSERT_EQ(mkfifo(scratch.Path("pipe").c_str(), 0600), 0);
  struct Case {
    std::string path;
    const char* message;
  } cases[] = {
      {scratch.Path("missing"), "cannot open \""},
      {scratch.Path("pipe"), "is no longer a plain file"},
      {scratch.folder.string(), "is no longer a plain file"},
      {"/proc/self/stat", "changed while it was being packed"},  // sized 0, read longer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Product product = SampleProduct();
    product.files[1].source_path = c.path;
    String installer;
    std::string error;
    EXPECT_FALSE(BuildInstaller(MakeStub(), product, &installer, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
  }
}

}  // namespace streaming

}  // namespace

// A refused setup program is named, with what is wrong with it: cut short
// (in its headers, or in its sections, before the marker or after it), not a
// PE program at all, or a whole program that is not this runtime.
TEST(CheckRuntimeStub, NamesTheFileAndWhatIsWrongWithIt) {
  String runtime = MakeTestStub();
  const uint32_t marker_at = 0x400 + 0x200 * 3;  // in the fourth section
  std::memcpy(runtime.data() + marker_at, kRuntimeMarker, sizeof kRuntimeMarker);
  const auto cut = [&](uint32_t length) {
    String part = runtime;
    part.SetLength(static_cast<int32_t>(length));
    return part;
  };
  struct Case {
    const char* what;
    String stub;
    const char* says;  // null: accepted
  };
  const Case cases[] = {
      {"the runtime", runtime, nullptr},
      {"cut in its headers", cut(0x100), "is cut short"},
      {"cut before the marker", cut(0x500), "is cut short"},
      {"cut after the marker", cut(marker_at + 0x100), "is cut short"},
      {"a text file", String("[product]\nname = \"x\"\n"), "is not a PE program"},
      {"a program without a PE header", String("MZ not a program, only a name"), "is not a PE program"},
      {"another program", MakeTestStub(), "is another program, not the Bastionix Setup runtime"},
  };
  const char* const kinds[] = {"is cut short", "is not a PE program", "is another program"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    const bool accepted = CheckRuntimeStub(c.stub, "dist/my setup.exe", &error);
    EXPECT_EQ(accepted, c.says == nullptr) << error;
    if (!c.says) continue;
    EXPECT_EQ(error.rfind("the setup program \"dist/my setup.exe\" ", 0), 0u) << error;
    for (const char* kind : kinds) {
      EXPECT_EQ(error.find(kind) != std::string::npos, std::strstr(c.says, kind) != nullptr) << kind << ": " << error;
    }
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}
