// Finding the installation package inside the program's own executable and
// checking its header.
//
// The package travels as a PE section named ".setup". The section table is
// read from the program file; the header is read from the section's bytes,
// which at run time are the section as the loader mapped it and in tests (or a
// fuzzer) any memory buffer. Every function here is bounded by the lengths it
// is given and never reads outside them; a check that fails answers with the
// corrupt-package number of its stage (package/corrupt.h), and the caller
// hands that number to the corrupt-package report.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.h"
#include "package/entry_record.h"
#include "package/file_blocks.h"
#include "package/program_file.h"
#include "package/reader.h"
#include "package/settings.h"
#include "package/settings_block.h"

inline constexpr uint32_t kPackageMagic = 0xA4F23DE5;
inline constexpr char kInstallerVersion[] = "37.0";
inline constexpr char kPackageSectionName[] = ".setup";
inline constexpr size_t kPackageCipherKeyLength = 8;

// PE layout offsets, relative to the PE signature.
inline constexpr uint32_t kPeSectionCountOffset = 6;
inline constexpr uint32_t kPeOptionalHeaderSizeOffset = 20;
inline constexpr uint32_t kPeOptionalHeaderOffset = 24;
inline constexpr uint32_t kPeInitializedDataOffset = 32;
inline constexpr uint32_t kPeImageSizeOffset = 80;
// The program checksum starts right after the optional header's CheckSum.
inline constexpr uint32_t kPeProgramChecksumStart = 92;
inline constexpr uint32_t kPeCheckSumFieldOffset = 88;
// The Security data-directory entry (file offset and size of the certificate
// table that signing appends), present when the optional header reaches it.
inline constexpr uint32_t kPeSecurityEntryOffset = 152;
inline constexpr uint32_t kPeSecurityEntrySize = 8;
inline constexpr uint16_t kMinOptionalHeaderWithSecurity = 136;
// Signing tools start the certificate table on an 8-byte boundary.
inline constexpr uint32_t kCertificateAlignment = 8;

// Marks a program as this runtime, so the builder can tell it from any other
// executable. Not a resource, so branding (icons, version record) leaves it.
inline constexpr char kRuntimeMarker[] = "Bastionix Setup runtime 37.0 marker 7f3a91c2e5d84b06";
inline constexpr uint32_t kSectionEntrySize = 40;
inline constexpr uint32_t kDosPeOffsetField = 0x3C;
inline constexpr uint32_t kMinPeOffset = 64;
inline constexpr uint32_t kMaxPeOffset = 4096;
inline constexpr uint16_t kMinSectionCount = 4;
inline constexpr uint16_t kMaxSectionCount = 99;

// The package section's place, taken from its section-table entry.
struct PackageSection {
  uint32_t pe_offset = 0;
  uint32_t table_offset = 0;  // file offset of the section table
  uint16_t section_count = 0;
  uint16_t index = 0;  // slot of the package section in the table
  uint32_t virtual_size = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t raw_pointer = 0;
  uint32_t certificate_offset = 0;  // the Security entry, 0 when unsigned
  uint32_t certificate_size = 0;

  // Bytes of the section that the loader maps (its virtual size, or the raw
  // size when the virtual size is 0).
  uint32_t mapped_size() const { return virtual_size ? virtual_size : raw_size; }
};

enum class LocateOutcome { kFound, kNoPackage, kCorrupt };

struct LocateResult {
  LocateOutcome outcome = LocateOutcome::kNoPackage;
  int corrupt_code = 0;  // with kCorrupt
  PackageSection section;
};

// Searches the section table for the first entry named ".setup" (its 8 name
// bytes compared as a zero-terminated text, case-sensitively). A table without
// one is kNoPackage; a bad PE offset (43), a bad section count (44), a zero
// PointerToRawData (9) or raw data that starts beyond the end of the file (10)
// is kCorrupt.
LocateResult LocatePackageSection(const ProgramFile& file);

// The section's bytes inside a program image held in memory, the way the
// loader would map them (at most the raw data that the file holds).
ByteSpan SectionBytesInImage(const ByteSpan& image, const PackageSection& section);

// The package header (fields 1 to 13); views point into the section bytes.
struct PackageHeader {
  ByteSpan version;  // the installer version text, without its zero
  uint32_t flags2 = 0;
  int32_t settings_stored_size = 0;
  uint32_t settings_checksum = 0;
  uint32_t program_checksum = 0;
  int32_t package_end = 0;
  int32_t entry_count = 0;
  int32_t file_data_length = 0;
  uint32_t file_data_checksum = 0;
  ByteSpan content_sizes;  // entry_count little-endian s32 values
  bool has_cipher_key = false;
  uint8_t cipher_key[kPackageCipherKeyLength] = {};
  ByteSpan settings_block;  // the stored (still encoded) settings
  size_t file_data_offset = 0;  // where the file data starts in the section

  bool enciphered() const { return (flags2 >> product_flag2::kEnciphered & 1) != 0; }
  // Content size of entry i (0 <= i < entry_count), in entry order.
  int32_t content_size(int32_t i) const;
  // Sum of all content sizes (each already checked to 0..0x40000000).
  int64_t total_content_size() const;
};

enum class HeaderOutcome { kOk, kCorrupt, kVersionMismatch };

struct HeaderResult {
  HeaderOutcome outcome = HeaderOutcome::kCorrupt;
  int corrupt_code = 0;  // with kCorrupt
  PackageHeader header;  // complete with kOk; version set with kVersionMismatch
};

// Reads and checks the header at the start of the section bytes. Each field is
// checked as it is read. A header cut short by the end of the section is
// reported with the number of the check belonging to the field it stops in
// (magic and version 20, flags and stored size 22, checksums and package end
// 45, entry count 27, file-data length and checksum 29, content sizes 28,
// cipher key and settings block 22).
HeaderResult ReadPackageHeader(const ByteSpan& section);

// The version message: "The installer version (37.0) does not match the
// version of <title> (<found>).  Close all applications and reinstall <title>."
String VersionMismatchText(const char16_t* title, const ByteSpan& found_version);

// Where the stored file data is read from.
struct FileData {
  StoredData stored;
  uint64_t file_position = 0;  // where it starts in the file (after-section place)
};

enum class FileDataOutcome { kOk, kCorrupt };

// Where the bytes that belong to the program end: the start of the
// certificate table when the Security entry points to one that lies after the
// section's start and within the file (a signed installer), else the file's
// end.
uint64_t ProgramContentEnd(const PackageSection& section, uint64_t file_size);

// Finds the file data in its place and checks its length against the header
// (46 when they differ, or when the data would lie outside the section's
// bytes). After the section, the bytes run to the end of the file, or of a
// signed file to its certificate table (less the up to 7 zero bytes that
// align the table). In either
// place the bytes are read from the file piece by piece as they are needed;
// only data inside the section that the file itself does not hold (the
// loader's zero fill) is read from the section's bytes. The file and the
// section bytes must outlive *out.
FileDataOutcome LocateFileData(const ProgramFile& file, const PackageSection& section,
                               const ByteSpan& section_bytes, const PackageHeader& header,
                               bool after_section, FileData* out);

// A ProgramFile over an open file object (the program's own file at run time).
class File;
ProgramFile FileProgramFile(File* file);

// The run-time's way through the checks above. Each returns only when its
// check passed; damage ends the process through the corrupt-package report.

// Finds the package section; false when the program carries none.
bool FindPackageSection(const ProgramFile& file, PackageSection* section);
// Reads and checks the header from the section's bytes. A version other than
// this installer's ends with the version message, naming the product title.
void CheckPackageHeader(const ByteSpan& section_bytes, const char16_t* title, PackageHeader* header);
// Finds the file data in its place.
void MakeFileDataAvailable(const ProgramFile& file, const PackageSection& section,
                           const ByteSpan& section_bytes, const PackageHeader& header,
                           bool after_section, FileData* out);
// Ends the run on an error of the file data's stages: a corrupt-package
// number through its report, a failed read (kStoredDataReadFailed) with
// "Error code 2: failed to read archive data\r\nsize=%d pos=%d". Returns on
// kCorruptNone.
void StopOnFileDataError(int code, const PackageHeader& header, const FileData& data);
