// Extras: tagged records the builder carries in the settings block after the
// end of its compressed stream, where the settings decoder never looks. They
// hold what the settings fields have no room for (the uninstaller's carried
// signature and resources, the product icon). Installers built without
// extras simply have none; the place and the tags stay as they are, so that
// every installer built with extras keeps being read the same way.
//
// Layout, at the very end of the unwrapped (deciphered or unscrambled)
// settings block: the records (tag u32, length u32, bytes), then the footer:
// records length u32, package checksum of the records u32, kExtrasMagic u32.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.h"
#include "package/reader.h"

struct PackageHeader;

inline constexpr uint32_t kExtrasMagic = 0x58455842;  // "BXEX"
inline constexpr size_t kExtrasFooterSize = 12;

namespace extras_tag {
// The uninstaller's signature: the CheckSum field value u32, the number of
// zero bytes that go before the certificate table u32, the certificate table.
inline constexpr uint32_t kUninstallerSignature = 1;
// The uninstaller's own resource section (its icon): the file offset u32 of
// the section's raw data in the stripped copy, then the bytes that replace it
// (as many as the installer's section holds, so nothing else moves). Made at
// build time, so that a carried signature covers it.
inline constexpr uint32_t kUninstallerResources = 2;
// The product icon: an ".ico" file, written as "product.ico".
inline constexpr uint32_t kProductIcon = 3;
// The uninstaller icon: an ".ico" file, written as "uninstall.ico" for the
// uninstaller's shortcuts and windows.
inline constexpr uint32_t kUninstallerIcon = 4;
}  // namespace extras_tag

// Finds the records at the end of an unwrapped settings block. False when
// there are none or their footer does not check out (damage is never taken
// for records).
bool FindExtras(const ByteSpan& unwrapped, ByteSpan* records);

// The first record with the tag, or false.
bool FindExtra(const ByteSpan& records, uint32_t tag, ByteSpan* value);

// Unwraps the package's stored settings block and finds its records in
// *storage. An empty *records when there are none.
void ReadPackageExtras(const PackageHeader& header, String* storage, ByteSpan* records);

// The stripped copy takes the carried resource bytes in place. False, leaving
// it as it is, when the record is malformed or would reach past its end.
bool ApplyCarriedResources(String* image, const ByteSpan& carried);

// The product icon and the uninstaller icon the package carries; empty when
// none.
String PackageProductIcon(const PackageHeader& header);
String PackageUninstallerIcon(const PackageHeader& header);

// The builder's side: appends one record, and closes the records with their
// footer (Seal appends to the block after its compressed stream and padding).
void AppendExtra(String* records, uint32_t tag, const uint8_t* data, size_t length);
void SealExtras(const String& records, String* unwrapped_block);
