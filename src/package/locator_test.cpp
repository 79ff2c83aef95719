#include "package/locator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/message_box.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes* out, uint32_t value) {
  uint8_t raw[4];
  StoreLe32(raw, value);
  out->insert(out->end(), raw, raw + 4);
}

// The fields of a package header; each test breaks the one it is about.
struct HeaderFields {
  uint32_t magic = kPackageMagic;
  std::string version = "37.0";
  uint32_t flags2 = 0;
  int32_t settings_size = 16;
  uint32_t settings_checksum = 0x11111111;
  uint32_t program_checksum = 0;
  int32_t package_end = -2;  // -2: computed to end the file data in the image
  int32_t entry_count = 2;
  int32_t file_data_length = 24;
  uint32_t file_data_checksum = 0x22222222;
  std::vector<int32_t> content_sizes = {5, 7};
  Bytes cipher_key = {1, 2, 3, 4, 5, 6, 7, 8};
};

Bytes HeaderBytes(const HeaderFields& f) {
  Bytes out;
  PutLe32(&out, f.magic);
  out.insert(out.end(), f.version.begin(), f.version.end());
  out.push_back(0);
  PutLe32(&out, f.flags2);
  PutLe32(&out, static_cast<uint32_t>(f.settings_size));
  PutLe32(&out, f.settings_checksum);
  PutLe32(&out, f.program_checksum);
  size_t package_end_at = out.size();
  PutLe32(&out, static_cast<uint32_t>(f.package_end));
  PutLe32(&out, static_cast<uint32_t>(f.entry_count));
  PutLe32(&out, static_cast<uint32_t>(f.file_data_length));
  PutLe32(&out, f.file_data_checksum);
  for (int32_t size : f.content_sizes) PutLe32(&out, static_cast<uint32_t>(size));
  if (f.flags2 & 0x1000) out.insert(out.end(), f.cipher_key.begin(), f.cipher_key.end());
  for (int32_t i = 0; i < f.settings_size && i < 4096; ++i) out.push_back(static_cast<uint8_t>(0xA0 + i));
  if (f.package_end == -2) {
    StoreLe32(out.data() + package_end_at, static_cast<uint32_t>(out.size() + f.file_data_length));
  }
  return out;
}

struct SectionSpec {
  std::string name;  // up to 8 bytes, zero-padded
  uint32_t raw_size;
  uint32_t raw_pointer = 0;  // 0: laid out in order
};

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint16_t kOptionalHeaderSize = 224;

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// A minimal 32-bit PE image: DOS header, PE signature, file header, optional
// header and the given sections, each filled with its own byte value; the
// package section's raw data starts with `package`.
struct TestImage {
  Bytes bytes;
  uint32_t pe = 0x80;
  uint32_t table = 0;
  std::vector<uint32_t> raw_pointers;
};

TestImage MakeImage(const std::vector<SectionSpec>& sections, const Bytes& package = {},
                    uint32_t pe = 0x80) {
  TestImage image;
  image.pe = pe;
  image.table = pe + 24 + kOptionalHeaderSize;
  uint32_t headers = AlignUp(image.table + 40 * static_cast<uint32_t>(sections.size()) + 80, kFileAlignment);
  image.bytes.assign(headers, 0);
  Bytes& b = image.bytes;
  b[0] = 'M';
  b[1] = 'Z';
  StoreLe32(&b[0x3C], pe);
  std::memcpy(&b[pe], "PE\0\0", 4);
  StoreLe16(&b[pe + 4], 0x14C);
  StoreLe16(&b[pe + 6], static_cast<uint16_t>(sections.size()));
  StoreLe16(&b[pe + 20], kOptionalHeaderSize);
  StoreLe16(&b[pe + 24], 0x10B);
  StoreLe32(&b[pe + 24 + 32], kSectionAlignment);
  StoreLe32(&b[pe + 24 + 36], kFileAlignment);
  // Marks after the table, to follow them through the stripped copy.
  for (uint32_t i = 0; i < 80; ++i) b[image.table + 40 * sections.size() + i] = static_cast<uint8_t>(0xC0 + i);

  uint32_t virtual_address = kSectionAlignment;
  uint32_t initialized = 0;
  for (size_t i = 0; i < sections.size(); ++i) {
    const SectionSpec& s = sections[i];
    uint8_t* entry = &b[image.table + 40 * i];
    std::memcpy(entry, s.name.data(), s.name.size() < 8 ? s.name.size() : 8);
    uint32_t raw_pointer = s.raw_pointer ? s.raw_pointer : static_cast<uint32_t>(b.size());
    StoreLe32(entry + 8, s.raw_size);
    StoreLe32(entry + 12, virtual_address);
    StoreLe32(entry + 16, s.raw_size);
    StoreLe32(entry + 20, raw_pointer);
    image.raw_pointers.push_back(raw_pointer);
    if (s.raw_pointer == 0) {
      Bytes raw(s.raw_size, static_cast<uint8_t>(0x10 + i));
      if (std::strncmp(s.name.c_str(), ".setup", 8) == 0 && !package.empty()) {
        std::memcpy(raw.data(), package.data(), package.size() < raw.size() ? package.size() : raw.size());
      }
      b.insert(b.end(), raw.begin(), raw.end());
    }
    virtual_address += AlignUp(s.raw_size ? s.raw_size : 1, kSectionAlignment);
    initialized += s.raw_size;
  }
  StoreLe32(&b[pe + 24 + 8], initialized);
  StoreLe32(&b[pe + 24 + 56], virtual_address);
  return image;
}

std::vector<SectionSpec> FourSections(uint32_t package_size = 0x400) {
  return {{".text", 0x200}, {".rdata", 0x200}, {".data", 0x200}, {".setup", package_size}};
}

LocateResult Locate(const Bytes& bytes) {
  ByteSpan span{bytes.data(), bytes.size()};
  return LocatePackageSection(MemoryProgramFile(&span));
}

// The header's views point into the bytes, which stay until the next call.
HeaderResult ReadHeader(const HeaderFields& fields) {
  static Bytes header;
  header = HeaderBytes(fields);
  return ReadPackageHeader(ByteSpan{header.data(), header.size()});
}

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

// A program image with the package and a place for its file data.
struct PackagedImage {
  TestImage image;
  PackageSection section;
  ByteSpan section_bytes;
  PackageHeader header;
};

PackagedImage MakePackagedImage(const HeaderFields& fields, const Bytes& after_file = {},
                                uint32_t package_size = 0x400) {
  PackagedImage p;
  Bytes header = HeaderBytes(fields);
  Bytes package = header;
  for (int32_t i = 0; i < fields.file_data_length; ++i) package.push_back(static_cast<uint8_t>(0x50 + i));
  p.image = MakeImage(FourSections(package_size), package);
  p.image.bytes.insert(p.image.bytes.end(), after_file.begin(), after_file.end());
  LocateResult located = Locate(p.image.bytes);
  EXPECT_EQ(located.outcome, LocateOutcome::kFound);
  p.section = located.section;
  p.section_bytes = SectionBytesInImage(ByteSpan{p.image.bytes.data(), p.image.bytes.size()}, p.section);
  HeaderResult result = ReadPackageHeader(p.section_bytes);
  EXPECT_EQ(result.outcome, HeaderOutcome::kOk);
  p.header = result.header;
  return p;
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

ProgramCopy CopyOf(PackagedImage& p, const ProgramCopyRequest& request, int* code) {
  ByteSpan span{p.image.bytes.data(), p.image.bytes.size()};
  ProgramCopy copy;
  *code = PrepareProgramCopy(MemoryProgramFile(&span), p.section, p.header, request, &copy);
  return copy;
}

HeaderFields WithProgramChecksumOf(const TestImage& image, HeaderFields fields) {
  fields.program_checksum = ProgramImageChecksum(image.bytes.data(), image.raw_pointers[3], image.pe);
  return fields;
}

TEST(PrepareProgramCopy, ProgramChecksumIsCheckedOnlyWhenAsked) {
  // The checksum covers the image before the package; compute it once the
  // layout is known, then build the image again with it in the header.
  HeaderFields fields = WithProgramChecksumOf(MakePackagedImage(HeaderFields()).image, HeaderFields());
  PackagedImage p = MakePackagedImage(fields);
  int code = -1;
  ProgramCopyRequest verify;
  verify.verify_checksum = true;
  CopyOf(p, verify, &code);
  EXPECT_EQ(code, kCorruptNone);

  // Damage inside the covered range (after the optional header's CheckSum).
  p.image.bytes[p.image.pe + kPeProgramChecksumStart] ^= 1;
  CopyOf(p, verify, &code);
  EXPECT_EQ(code, kCorruptProgramChecksum);
  ProgramCopy copy = CopyOf(p, ProgramCopyRequest(), &code);
  EXPECT_EQ(code, kCorruptNone);
  EXPECT_EQ(copy.length, p.image.bytes.size());
  EXPECT_TRUE(copy.stripped.empty());
  p.image.bytes[p.image.pe + kPeProgramChecksumStart] ^= 1;

  // The DOS header, PE signature and the optional header's CheckSum are not
  // covered.
  p.image.bytes[2] ^= 0xFF;
  p.image.bytes[p.image.pe + 88] ^= 0xFF;
  CopyOf(p, verify, &code);
  EXPECT_EQ(code, kCorruptNone);
}

TEST(PrepareProgramCopy, UnreadableProgramIsError35) {
  PackagedImage p = MakePackagedImage(HeaderFields());
  ByteSpan span{p.image.bytes.data(), p.image.bytes.size()};
  ProgramFile file = MemoryProgramFile(&span);
  file.read_at = [](void*, uint64_t, void*, size_t) { return false; };
  ProgramCopy copy;
  ProgramCopyRequest request;
  request.keep_stripped = true;
  EXPECT_EQ(PrepareProgramCopy(file, p.section, p.header, request, &copy), kCorruptProgramRead);
  EXPECT_EXIT(KeepProgramCopy(file, p.section, p.header, request, &copy), testing::ExitedWithCode(1),
              "Error code: 35");
}

TEST(PrepareProgramCopy, StrippedCopyDropsThePackageSection) {
  // The package sits between two sections whose raw data follow it, so the
  // copy must move them.
  std::vector<SectionSpec> sections = {
      {".text", 0x200}, {".data", 0x200}, {".setup", 0x400}, {".rsrc", 0x200}, {".reloc", 0x200}};
  HeaderFields fields;
  Bytes package = HeaderBytes(fields);
  package.resize(package.size() + 24, 0x50);
  TestImage image = MakeImage(sections, package);
  Bytes tail = {'S', 'I', 'G'};
  image.bytes.insert(image.bytes.end(), tail.begin(), tail.end());
  ByteSpan span{image.bytes.data(), image.bytes.size()};
  ProgramFile file = MemoryProgramFile(&span);
  LocateResult located = LocatePackageSection(file);
  ASSERT_EQ(located.outcome, LocateOutcome::kFound);
  HeaderResult header = ReadPackageHeader(SectionBytesInImage(span, located.section));
  ASSERT_EQ(header.outcome, HeaderOutcome::kOk);

  ProgramCopy copy;
  ProgramCopyRequest request;
  request.keep_stripped = true;
  ASSERT_EQ(PrepareProgramCopy(file, located.section, header.header, request, &copy), kCorruptNone);

  const uint8_t* c = copy.stripped.bytes();
  const uint32_t pe = image.pe;
  const uint32_t table = image.table;
  ASSERT_EQ(copy.length, image.bytes.size() - 0x400);
  ASSERT_EQ(static_cast<size_t>(copy.stripped.length()), copy.length);
  EXPECT_EQ(LoadLe16(c + pe + 6), 4);
  EXPECT_EQ(LoadLe32(c + pe + 32), LoadLe32(&image.bytes[pe + 32]) - 0x400);
  EXPECT_EQ(LoadLe32(c + pe + 80), LoadLe32(&image.bytes[pe + 80]) - 0x400);
  // Entries before the package stay; later ones move down a slot with their
  // raw data pointers lowered by the package's raw size.
  EXPECT_EQ(0, std::memcmp(c + table, &image.bytes[table], 80));
  EXPECT_EQ(0, std::memcmp(c + table + 80, ".rsrc", 6));
  EXPECT_EQ(LoadLe32(c + table + 80 + 20), image.raw_pointers[3] - 0x400);
  EXPECT_EQ(0, std::memcmp(c + table + 120, ".reloc", 7));
  EXPECT_EQ(LoadLe32(c + table + 120 + 20), image.raw_pointers[4] - 0x400);
  // The 80 bytes after the table follow it into the freed slot.
  for (uint32_t i = 0; i < 80; ++i) ASSERT_EQ(c[table + 160 + i], static_cast<uint8_t>(0xC0 + i)) << i;
  // The raw data of the later sections, and the tail, follow the head.
  const uint32_t head = image.raw_pointers[2];
  EXPECT_EQ(c[head], 0x13);
  EXPECT_EQ(c[head + 0x200], 0x14);
  EXPECT_EQ(0, std::memcmp(c + copy.length - 3, "SIG", 3));
  // And the copy is a program without a package.
  ByteSpan copy_span{c, static_cast<size_t>(copy.length)};
  EXPECT_EQ(LocatePackageSection(MemoryProgramFile(&copy_span)).outcome, LocateOutcome::kNoPackage);
}

TEST(PrepareProgramCopy, StrippedCopyLeavesFileDataAfterTheSectionBehind) {
  HeaderFields fields;
  fields.file_data_length = 0x300;
  fields.flags2 = 0x20;
  PackagedImage p = MakePackagedImage(fields);
  size_t start = p.section.raw_pointer + p.header.file_data_offset;
  p.image.bytes.resize(start + 0x300, 0x66);
  int code = -1;
  ProgramCopyRequest request;
  request.keep_stripped = true;
  request.file_data_after_section = true;
  ProgramCopy copy = CopyOf(p, request, &code);
  EXPECT_EQ(code, kCorruptNone);
  EXPECT_EQ(copy.length, p.section.raw_pointer);
}

TEST(PrepareProgramCopy, UnreadableTailIsError42) {
  PackagedImage p = MakePackagedImage(HeaderFields(), Bytes(0x100, 0x99));
  ByteSpan span{p.image.bytes.data(), p.image.bytes.size()};
  ProgramFile file = MemoryProgramFile(&span);
  static uint32_t head;
  head = p.section.raw_pointer;
  file.read_at = [](void* context, uint64_t offset, void* out, size_t count) {
    if (offset >= head) return false;
    std::memcpy(out, static_cast<const ByteSpan*>(context)->data + offset, count);
    return true;
  };
  ProgramCopy copy;
  ProgramCopyRequest request;
  request.keep_stripped = true;
  EXPECT_EQ(PrepareProgramCopy(file, p.section, p.header, request, &copy), kCorruptStrippedTailRead);
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
