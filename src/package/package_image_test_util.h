// Test images of a program that carries a package: a minimal 32-bit PE file
// with a ".setup" section and a package header built from its fields. Shared
// by the locator's and the program copy's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/byte_order.h"
#include "package/locator.h"

using Bytes = std::vector<uint8_t>;

inline void PutLe32(Bytes* out, uint32_t value) {
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

inline Bytes HeaderBytes(const HeaderFields& f) {
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

inline uint32_t AlignUp(uint32_t value, uint32_t alignment) {
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

inline TestImage MakeImage(const std::vector<SectionSpec>& sections, const Bytes& package = {},
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

inline std::vector<SectionSpec> FourSections(uint32_t package_size = 0x400) {
  return {{".text", 0x200}, {".rdata", 0x200}, {".data", 0x200}, {".setup", package_size}};
}

inline LocateResult Locate(const Bytes& bytes) {
  ByteSpan span{bytes.data(), bytes.size()};
  return LocatePackageSection(MemoryProgramFile(&span));
}

// The header's views point into the bytes, which stay until the next call.
inline HeaderResult ReadHeader(const HeaderFields& fields) {
  static Bytes header;
  header = HeaderBytes(fields);
  return ReadPackageHeader(ByteSpan{header.data(), header.size()});
}

// A program image with the package and a place for its file data.
struct PackagedImage {
  TestImage image;
  PackageSection section;
  ByteSpan section_bytes;
  PackageHeader header;
};

inline PackagedImage MakePackagedImage(const HeaderFields& fields, const Bytes& after_file = {},
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
