// The program left behind for the uninstaller: the installer's own file
// without its package section (the "stripped copy"), checked against the
// program checksum the builder stored, with the uninstaller's own resources
// and signature when the package carries them. The builder computes the
// same checksum and signs the same copy, so both halves use this file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.h"
#include "package/locator.h"
#include "package/program_file.h"

// What to keep of the program beside the package.
struct ProgramCopyRequest {
  bool verify_checksum = false;  // settings flag: check the program checksum
  bool keep_stripped = false;    // header flag: keep the program without its package
  bool file_data_after_section = false;
};

// The program left behind for uninstalling: either the stripped copy or, when
// none was asked for, only the length of the whole file.
struct ProgramCopy {
  String stripped;  // empty unless a stripped copy was asked for
  uint64_t length = 0;  // of the stripped copy, else of the whole file
};

// Reads the file before the package section when either request needs it
// (35 when that fails), compares the program checksum (40), and builds the
// stripped copy (42 when its tail cannot be read). The copy never keeps the
// installer's certificate table (it would sign other bytes); it takes the
// uninstaller's own resources and then its signature instead when the package
// carries them. Returns 0 or the number.
int PrepareProgramCopy(const ProgramFile& file, const PackageSection& section,
                       const PackageHeader& header, const ProgramCopyRequest& request,
                       ProgramCopy* out);

// The program checksum over an image prefix: the bytes from PE + 92 to the
// end, the Security entry taken as zeros (signing fills it in afterwards).
uint32_t ProgramImageChecksum(const uint8_t* image, size_t length, uint32_t pe_offset);

// Turns the file bytes before the package section, followed by the tail of the
// file after the section's raw data, into an executable without the package:
// one section fewer, the data and image sizes reduced, the package's table
// slot removed. `head_length` is the length of the part before the tail.
void PatchStrippedCopy(String* image, size_t head_length, const PackageSection& section);

// Gives a stripped copy the signature the builder made for it: the carried
// CheckSum value, the alignment bytes and the certificate table appended, the
// Security entry pointing at it. False, leaving the copy as it is, when the
// carried record is malformed.
bool AttachCarriedSignature(String* image, uint32_t pe_offset, const ByteSpan& carried);

// The run-time's way through PrepareProgramCopy: checks the program checksum
// and keeps the stripped copy as requested; damage ends the process through
// the corrupt-package report.
void KeepProgramCopy(const ProgramFile& file, const PackageSection& section,
                     const PackageHeader& header, const ProgramCopyRequest& request,
                     ProgramCopy* out);
