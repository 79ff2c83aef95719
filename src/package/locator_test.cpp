#include "package/locator.h"

#include <gtest/gtest.h>

#include <string>

#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/message_box.h"
#include "package/package_image_test_util.h"
#include "package/program_copy.h"

namespace {

String Wide(const std::u16string& text) { return String(text.c_str()); }

std::u16string ToU16(const String& text) {
  return std::u16string(text.w_str(), static_cast<size_t>(text.wlength()));
}

TEST(LocatePackageSection, PeOffsetMustLieBetween64And4096) {
  for (uint32_t pe : {63u, 4097u, 0x10000u + 0x80u}) {
    TestImage image = MakeImage(FourSections(), {}, 0x80);
    StoreLe32(&image.bytes[0x3C], pe);
    LocateResult result = Locate(image.bytes);
    // Only the low 16 bits count: 0x10080 reads as 0x80, a valid offset.
    if (pe > 0xFFFF) {
      EXPECT_EQ(result.outcome, LocateOutcome::kFound) << pe;
    } else {
      EXPECT_EQ(result.outcome, LocateOutcome::kCorrupt) << pe;
      EXPECT_EQ(result.corrupt_code, kCorruptPeOffset) << pe;
    }
  }
  for (uint32_t pe : {64u, 4096u}) {
    TestImage image = MakeImage(FourSections(), {}, pe);
    EXPECT_EQ(Locate(image.bytes).outcome, LocateOutcome::kFound) << pe;
  }
}

TEST(LocatePackageSection, FileTooShortForItsHeadersIsCorrupt) {
  EXPECT_EQ(Locate(Bytes(0x3D, 0)).corrupt_code, kCorruptPeOffset);
  TestImage image = MakeImage(FourSections());
  image.bytes.resize(image.pe + 7);
  EXPECT_EQ(Locate(image.bytes).corrupt_code, kCorruptSectionCount);
  // A table that runs off the end of the file cannot hold its sections.
  image = MakeImage(FourSections());
  image.bytes.resize(image.table + 40 * 3 + 20);
  EXPECT_EQ(Locate(image.bytes).corrupt_code, kCorruptSectionCount);
}

TEST(LocatePackageSection, SectionCountMustLieBetween4And99) {
  std::vector<SectionSpec> three = {{".text", 0x200}, {".data", 0x200}, {".setup", 0x200}};
  EXPECT_EQ(Locate(MakeImage(three).bytes).corrupt_code, kCorruptSectionCount);

  std::vector<SectionSpec> many(99, SectionSpec{".data", 0x200});
  many.back().name = ".setup";
  EXPECT_EQ(Locate(MakeImage(many).bytes).outcome, LocateOutcome::kFound);
  many.push_back({".more", 0x200});
  EXPECT_EQ(Locate(MakeImage(many).bytes).corrupt_code, kCorruptSectionCount);
}

TEST(LocatePackageSection, NameMatchesExactlyOverItsEightBytes) {
  auto with_name = [](const std::string& name) {
    std::vector<SectionSpec> sections = FourSections();
    sections.back().name = name;
    return Locate(MakeImage(sections).bytes);
  };
  EXPECT_EQ(with_name(".setupX").outcome, LocateOutcome::kNoPackage);
  EXPECT_EQ(with_name(".SETUP").outcome, LocateOutcome::kNoPackage);
  EXPECT_EQ(with_name(".setu").outcome, LocateOutcome::kNoPackage);
  EXPECT_EQ(with_name(std::string(".setup\0\0", 8)).outcome, LocateOutcome::kFound);
  // Bytes after the first zero do not count.
  EXPECT_EQ(with_name(std::string(".setup\0Z", 8)).outcome, LocateOutcome::kFound);
}

TEST(LocatePackageSection, ReportsTheFirstMatchingEntry) {
  std::vector<SectionSpec> sections = {
      {".text", 0x200}, {".setup", 0x400}, {".data", 0x200}, {".setup", 0x600}};
  TestImage image = MakeImage(sections);
  LocateResult result = Locate(image.bytes);
  ASSERT_EQ(result.outcome, LocateOutcome::kFound);
  EXPECT_EQ(result.section.index, 1);
  EXPECT_EQ(result.section.raw_size, 0x400u);
  EXPECT_EQ(result.section.raw_pointer, image.raw_pointers[1]);
  EXPECT_EQ(result.section.virtual_address, 0x2000u);
  EXPECT_EQ(result.section.pe_offset, image.pe);
  EXPECT_EQ(result.section.table_offset, image.table);
  EXPECT_EQ(result.section.section_count, 4);
}

TEST(LocatePackageSection, RawDataMustExistInTheFile) {
  std::vector<SectionSpec> sections = FourSections();
  sections.back().raw_pointer = 0;
  TestImage image = MakeImage(sections);
  StoreLe32(&image.bytes[image.table + 3 * 40 + 20], 0);
  EXPECT_EQ(Locate(image.bytes).corrupt_code, kCorruptNoRawData);
  StoreLe32(&image.bytes[image.table + 3 * 40 + 20], static_cast<uint32_t>(image.bytes.size() + 1));
  EXPECT_EQ(Locate(image.bytes).corrupt_code, kCorruptSeekRawData);
}

TEST(LocatePackageSection, ProgramWithoutPackageHasNone) {
  std::vector<SectionSpec> sections = {{".text", 0x200}, {".rdata", 0x200}, {".data", 0x200}, {".rsrc", 0x200}};
  EXPECT_EQ(Locate(MakeImage(sections).bytes).outcome, LocateOutcome::kNoPackage);
}

TEST(ReadPackageHeader, ReadsEveryField) {
  HeaderFields fields;
  fields.flags2 = 0x1020;
  HeaderResult result = ReadHeader(fields);
  ASSERT_EQ(result.outcome, HeaderOutcome::kOk);
  const PackageHeader& h = result.header;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h.version.data), h.version.length), "37.0");
  EXPECT_EQ(h.flags2, 0x1020u);
  EXPECT_EQ(h.settings_stored_size, 16);
  EXPECT_EQ(h.settings_checksum, 0x11111111u);
  EXPECT_EQ(h.entry_count, 2);
  EXPECT_EQ(h.content_size(0), 5);
  EXPECT_EQ(h.content_size(1), 7);
  EXPECT_EQ(h.content_size(2), 0);
  EXPECT_EQ(h.total_content_size(), 12);
  EXPECT_EQ(h.file_data_length, 24);
  EXPECT_EQ(h.file_data_checksum, 0x22222222u);
  ASSERT_TRUE(h.has_cipher_key);
  EXPECT_EQ(h.cipher_key[0], 1);
  EXPECT_EQ(h.cipher_key[7], 8);
  ASSERT_EQ(h.settings_block.length, 16u);
  EXPECT_EQ(h.settings_block.data[0], 0xA0);
  EXPECT_EQ(h.file_data_offset, 4 + 5 + 4 * 8 + 2 * 4 + 8 + 16u);

  fields.flags2 = 0x20;
  result = ReadHeader(fields);
  ASSERT_EQ(result.outcome, HeaderOutcome::kOk);
  EXPECT_FALSE(result.header.has_cipher_key);
  EXPECT_EQ(result.header.settings_block.data[0], 0xA0);
}

TEST(ReadPackageHeader, EachRangeCheckHasItsNumber) {
  struct Case {
    const char* what;
    void (*damage)(HeaderFields*);
    int code;
  };
  const Case cases[] = {
      {"magic", [](HeaderFields* f) { f->magic = 0xA4F23DE4; }, kCorruptMagic},
      {"stored size 0", [](HeaderFields* f) { f->settings_size = 0; }, kCorruptSettingsSize},
      {"stored size above limit", [](HeaderFields* f) { f->settings_size = 0x3200000; }, kCorruptSettingsSize},
      {"package end", [](HeaderFields* f) { f->package_end = -1; }, kCorruptPackageEnd},
      {"entry count", [](HeaderFields* f) { f->entry_count = -1; f->content_sizes.clear(); }, kCorruptEntryCount},
      {"file-data length", [](HeaderFields* f) { f->file_data_length = -1; }, kCorruptFileDataLength},
      {"negative content size", [](HeaderFields* f) { f->content_sizes[1] = -1; }, kCorruptHeaderContentSize},
      {"content size above limit", [](HeaderFields* f) { f->content_sizes[0] = 0x40000001; }, kCorruptHeaderContentSize},
  };
  for (const Case& c : cases) {
    HeaderFields fields;
    c.damage(&fields);
    HeaderResult result = ReadHeader(fields);
    EXPECT_EQ(result.outcome, HeaderOutcome::kCorrupt) << c.what;
    EXPECT_EQ(result.corrupt_code, c.code) << c.what;
  }
  HeaderFields limits;
  limits.content_sizes = {0, 0x40000000};
  limits.package_end = 0;
  EXPECT_EQ(ReadHeader(limits).outcome, HeaderOutcome::kOk);
}

TEST(ReadPackageHeader, HeaderCutShortIsCorruptWithItsFieldsNumber) {
  HeaderFields fields;
  fields.flags2 = 0x1000;
  Bytes header = HeaderBytes(fields);
  const size_t version_end = 4 + 5;
  struct Cut {
    size_t length;
    int code;
  };
  const Cut cuts[] = {
      {0, kCorruptMagic},
      {3, kCorruptMagic},
      {6, kCorruptMagic},  // inside the version text: no terminator
      {version_end + 2, kCorruptSettingsSize},
      {version_end + 6, kCorruptSettingsSize},
      {version_end + 10, kCorruptPackageEnd},
      {version_end + 22, kCorruptEntryCount},
      {version_end + 26, kCorruptFileDataLength},
      {version_end + 30, kCorruptFileDataLength},
      {version_end + 34, kCorruptHeaderContentSize},
      {version_end + 42, kCorruptSettingsSize},  // in the cipher key
      {header.size() - 1, kCorruptSettingsSize},   // settings block short by one
  };
  for (const Cut& cut : cuts) {
    HeaderResult result = ReadPackageHeader(ByteSpan{header.data(), cut.length});
    EXPECT_EQ(result.outcome, HeaderOutcome::kCorrupt) << cut.length;
    EXPECT_EQ(result.corrupt_code, cut.code) << cut.length;
  }
  EXPECT_EQ(ReadPackageHeader(ByteSpan{header.data(), header.size()}).outcome, HeaderOutcome::kOk);
  EXPECT_EQ(ReadPackageHeader(ByteSpan{nullptr, 100}).corrupt_code, kCorruptMagic);
}

TEST(ReadPackageHeader, VersionMustMatchExactly) {
  for (const char* version : {"36.0", "37.00", "37", "", "37.0 "}) {
    HeaderFields fields;
    fields.version = version;
    HeaderResult result = ReadHeader(fields);
    EXPECT_EQ(result.outcome, HeaderOutcome::kVersionMismatch) << version;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(result.header.version.data),
                          result.header.version.length),
              version);
  }
}

TEST(ReadPackageHeader, VersionMessageNamesTitleAndFoundVersion) {
  HeaderFields fields;
  fields.version = "36.0";
  HeaderResult result = ReadHeader(fields);
  EXPECT_EQ(ToU16(VersionMismatchText(u"Bastionix Setup", result.header.version)),
            u"The installer version (37.0) does not match the version of Bastionix Setup (36.0).  "
            u"Close all applications and reinstall Bastionix Setup.");
}


// The bytes of the stored file data, read through its StoredData; empty
// when a read fails.
std::string StoredBytes(const StoredData& stored) {
  String scratch;
  const uint8_t* bytes = stored.View(0, static_cast<size_t>(stored.length()), &scratch);
  return bytes ? std::string(reinterpret_cast<const char*>(bytes), stored.length()) : std::string();
}

struct FoundData {
  ByteSpan span;  // the image, which the program file record points to
  FileData data;
  FileDataOutcome outcome = FileDataOutcome::kCorrupt;
};

void FindFileData(PackagedImage& p, bool after_section, FoundData* found) {
  found->span = {p.image.bytes.data(), p.image.bytes.size()};
  found->outcome = LocateFileData(MemoryProgramFile(&found->span), p.section, p.section_bytes, p.header,
                                  after_section, &found->data);
}

TEST(LocateFileData, InsideTheImageItEndsAtThePackageEnd) {
  HeaderFields fields;
  PackagedImage p = MakePackagedImage(fields);
  FoundData found;
  FindFileData(p, false, &found);
  ASSERT_EQ(found.outcome, FileDataOutcome::kOk);
  ASSERT_EQ(found.data.stored.length(), 24u);
  // Read from the file at the section's raw data, not from the mapped bytes.
  EXPECT_EQ(found.data.file_position, p.section.raw_pointer + p.header.file_data_offset);
  const std::string bytes = StoredBytes(found.data.stored);
  ASSERT_EQ(bytes.size(), 24u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), p.section_bytes.data + p.header.file_data_offset, 24));
  EXPECT_EQ(bytes[0], 0x50);

  fields.file_data_length = 23;  // package end still counts 24 bytes... of a 23-byte length
  fields.package_end = static_cast<int32_t>(HeaderBytes(fields).size()) + 24;
  p = MakePackagedImage(fields);
  FindFileData(p, false, &found);
  EXPECT_EQ(found.outcome, FileDataOutcome::kCorrupt);

  // A package end beyond the section would read outside it.
  fields = HeaderFields();
  fields.file_data_length = 0x500;
  p = MakePackagedImage(fields);
  FindFileData(p, false, &found);
  EXPECT_EQ(found.outcome, FileDataOutcome::kCorrupt);
}

TEST(LocateFileData, InsideTheImageDataTheFileLacksComesFromTheMappedBytes) {
  // The loader fills a section beyond its raw data with zeros; data that
  // reaches there is taken as mapped.
  HeaderFields fields;
  PackagedImage p = MakePackagedImage(fields);
  std::vector<uint8_t> mapped(p.section_bytes.data, p.section_bytes.data + p.section_bytes.length);
  PackageSection shorter = p.section;
  shorter.raw_size = static_cast<uint32_t>(p.header.file_data_offset + 8);
  ByteSpan span{p.image.bytes.data(), p.image.bytes.size()};
  FileData data;
  ASSERT_EQ(LocateFileData(MemoryProgramFile(&span), shorter, {mapped.data(), mapped.size()}, p.header, false,
                           &data),
            FileDataOutcome::kOk);
  p.image.bytes.assign(p.image.bytes.size(), 0xEE);  // the file no longer matters
  const std::string bytes = StoredBytes(data.stored);
  ASSERT_EQ(bytes.size(), 24u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), mapped.data() + p.header.file_data_offset, 24));
}

TEST(LocateFileData, AfterTheSectionItRunsToTheEndOfTheFile) {
  HeaderFields fields;
  fields.file_data_length = 0x400;
  fields.package_end = 0;
  PackagedImage p = MakePackagedImage(fields);
  // The data starts right after the settings and runs past the section.
  size_t start = p.section.raw_pointer + p.header.file_data_offset;
  size_t in_section = p.section.raw_pointer + p.section.raw_size - start;
  Bytes rest(0x400 - in_section, 0x77);
  p.image.bytes.insert(p.image.bytes.end(), rest.begin(), rest.end());
  FoundData found;
  FindFileData(p, true, &found);
  ASSERT_EQ(found.outcome, FileDataOutcome::kOk);
  ASSERT_EQ(found.data.stored.length(), 0x400u);
  EXPECT_EQ(found.data.file_position, start);
  const std::string bytes = StoredBytes(found.data.stored);
  ASSERT_EQ(bytes.size(), 0x400u);
  EXPECT_EQ(0, std::memcmp(bytes.data(), p.image.bytes.data() + start, 0x400));

  p.image.bytes.push_back(0);
  FindFileData(p, true, &found);
  EXPECT_EQ(found.outcome, FileDataOutcome::kCorrupt);
  p.image.bytes.resize(p.image.bytes.size() - 2);
  FindFileData(p, true, &found);
  EXPECT_EQ(found.outcome, FileDataOutcome::kCorrupt);
}

TEST(LocateFileData, FailedReadIsReportedAndEndsWithErrorCode2) {
  HeaderFields fields;
  fields.file_data_length = 0x300;
  PackagedImage p = MakePackagedImage(fields);
  size_t start = p.section.raw_pointer + p.header.file_data_offset;
  p.image.bytes.resize(start + 0x300, 0x66);
  ByteSpan span{p.image.bytes.data(), p.image.bytes.size()};
  ProgramFile file = MemoryProgramFile(&span);
  file.read_at = [](void*, uint64_t, void*, size_t) { return false; };
  FileData data;
  // Found in place; the read fails only when the bytes are wanted.
  ASSERT_EQ(LocateFileData(file, p.section, p.section_bytes, p.header, true, &data), FileDataOutcome::kOk);
  EXPECT_EQ(data.file_position, start);
  const int code = CheckFileData(data.stored, 0);
  EXPECT_EQ(code, kStoredDataReadFailed);
  std::string expected = "Error code 2: failed to read archive data.*size=768 pos=" + std::to_string(start);
  EXPECT_EXIT(StopOnFileDataError(code, p.header, data), testing::ExitedWithCode(1), expected);
  EXPECT_EXIT(StopOnFileDataError(kCorruptBlockChecksum, p.header, data), testing::ExitedWithCode(1),
              "Error code: 62");
  StopOnFileDataError(kCorruptNone, p.header, data);  // returns
}

TEST(CorruptPackageText, BuiltInTextCarriesTheNumber) {
  std::u16string text = ToU16(CorruptPackageText(String(), 46));
  EXPECT_EQ(text.rfind(u"This installation program is corrupt.  ", 0), 0u);
  EXPECT_NE(text.find(u"re-download it.  If the problem persists"), std::u16string::npos);
  EXPECT_EQ(text.substr(text.size() - 18), u"\r\n\r\nError code: 46");
}

TEST(CorruptPackageText, ProductTextIsNeverAFormat) {
  EXPECT_EQ(ToU16(CorruptPackageText(Wide(u"Broken (%d), %d%% done %s"), 20)), u"Broken (20), %d% done %s");
  EXPECT_EQ(ToU16(CorruptPackageText(Wide(u"No number"), 20)), u"No number");
}

TEST(CorruptReport, EndsWithExitCode1AndTheNumber) {
  EXPECT_EXIT(ReportCorruptPackage(44), testing::ExitedWithCode(1), "Error code: 44");
}

TEST(CorruptReport, PrefersMessage13OfTheLoadedLanguage) {
  EXPECT_EXIT(
      {
        RunProduct product;
        product.languages.names.Add(String(u"English"));
        for (int i = 0; i < 20; ++i) product.languages.messages.Add(String(i == 13 ? u"Damaged download (%d)." : u"x"));
        SetMessageBoxRules(MessageBoxRulesOf(product));
        ReportCorruptPackage(62);
      },
      testing::ExitedWithCode(1), "Damaged download \\(62\\)\\.");
  EXPECT_EXIT(
      {
        RunProduct product;
        product.languages.names.Add(String(u"English"));
        for (int i = 0; i < 20; ++i) product.languages.messages.Add(String(u""));
        SetMessageBoxRules(MessageBoxRulesOf(product));
        ReportCorruptPackage(62);
      },
      testing::ExitedWithCode(1), "This installation program is corrupt.*Error code: 62");
}

TEST(CheckPackageHeader, VersionMismatchEndsWithTheVersionMessage) {
  HeaderFields fields;
  fields.version = "36.0";
  Bytes header = HeaderBytes(fields);
  PackageHeader out;
  EXPECT_EXIT(CheckPackageHeader(ByteSpan{header.data(), header.size()}, u"Bastionix Setup", &out),
              testing::ExitedWithCode(1),
              "does not match the version of Bastionix Setup \\(36\\.0\\)\\.  Close all");
  fields.version = "37.0";
  fields.magic = 1;
  header = HeaderBytes(fields);
  EXPECT_EXIT(CheckPackageHeader(ByteSpan{header.data(), header.size()}, u"Bastionix Setup", &out),
              testing::ExitedWithCode(1), "Error code: 20");
}

// Damaged images must end in an answer, never in a read outside the bytes
// (the sanitizer build turns such a read into a failure).
TEST(Locator, DamagedImagesNeverReadOutOfBounds) {
  HeaderFields fields;
  fields.flags2 = 0x1020;
  PackagedImage p = MakePackagedImage(fields, Bytes(40, 0x33));
  const Bytes original = p.image.bytes;
  uint32_t state = 12345;
  auto next = [&state] { return state = state * 1103515245u + 12345u; };
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = original;
    int damage = 1 + static_cast<int>(next() % 4);
    for (int i = 0; i < damage; ++i) {
      // Aim most damage at the headers and the package header.
      uint32_t where = next() % 3 == 0 ? next() % bytes.size()
                                       : (next() % 2 ? p.image.pe + next() % 0x200
                                                     : p.section.raw_pointer + next() % 0x60);
      bytes[where % bytes.size()] = static_cast<uint8_t>(next() >> 16);
    }
    if (round % 7 == 0) bytes.resize(next() % bytes.size());
    ByteSpan span{bytes.data(), bytes.size()};
    ProgramFile file = MemoryProgramFile(&span);
    LocateResult located = LocatePackageSection(file);
    if (located.outcome != LocateOutcome::kFound) continue;
    ByteSpan section = SectionBytesInImage(span, located.section);
    HeaderResult header = ReadPackageHeader(section);
    if (header.outcome != HeaderOutcome::kOk) continue;
    FileData data;
    LocateFileData(file, located.section, section, header.header, round % 2 == 0, &data);
    ProgramCopy copy;
    ProgramCopyRequest request;
    request.verify_checksum = true;
    request.keep_stripped = true;
    PrepareProgramCopy(file, located.section, header.header, request, &copy);
    request.verify_checksum = false;
    PrepareProgramCopy(file, located.section, header.header, request, &copy);
  }
}

TEST(ProgramFile, ReadsStayInsideTheFile) {
  Bytes bytes(16, 7);
  ByteSpan span{bytes.data(), bytes.size()};
  ProgramFile file = MemoryProgramFile(&span);
  uint8_t out[16];
  EXPECT_TRUE(file.ReadAt(0, out, 16));
  EXPECT_TRUE(file.ReadAt(16, out, 0));
  EXPECT_FALSE(file.ReadAt(1, out, 16));
  EXPECT_FALSE(file.ReadAt(~uint64_t{0}, out, 2));
}

}  // namespace
