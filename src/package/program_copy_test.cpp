#include "package/program_copy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "package/byte_order.h"
#include "package/corrupt.h"
#include "package/package_image_test_util.h"

namespace {

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

}  // namespace
