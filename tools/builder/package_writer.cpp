#include "builder/package_writer.h"

#include <cstdio>
#include <cstring>

#include "builder/pe_section.h"
#include "builder/settings_writer.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/entry_queue.h"
#include "package/settings_block.h"
#include "package/writer.h"

namespace {

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

std::string Narrow(const String& text) { return std::string(text.c_str(), static_cast<size_t>(text.length())); }

// The content of a file: held, or read from its source now.
bool LoadContent(const PackageFile& file, String* scratch, const String** content, std::string* error) {
  if (file.source_path.empty()) {
    *content = &file.content;
    return true;
  }
  if (!ReadFileBytes(file.source_path, scratch, error)) return false;
  *content = scratch;
  return true;
}

bool EncodeFiles(const Product& product, const BlockCoding& coding, EncodedPackage* package,
                 String* content_sizes, std::string* error) {
  FileDataWriter writer(coding, &package->file_data, product.options.block_size);
  PackageWriter sizes(content_sizes);
  for (const PackageFile& file : product.files) {
    const std::string name = Narrow(file.entry.name);
    String scratch;
    const String* content = nullptr;
    if (!LoadContent(file, &scratch, &content, error)) return false;
    if (content->length() > kMaxEntryContentSize) {
      return Fail(error, "\"" + name + "\" is larger than the 1 GiB a packaged file may have");
    }
    EntryRecord entry = file.entry;
    entry.content = ByteSpan{content->bytes(), static_cast<size_t>(content->length())};
    String record;
    if (!EncodeEntryRecord(entry, &record)) {
      return Fail(error, "\"" + name + "\" cannot be packaged: its name is empty or one of its texts holds a zero character");
    }
    if (!writer.AddEntry(record.bytes(), static_cast<size_t>(record.length()))) {
      return Fail(error, "\"" + name + "\" could not be compressed or enciphered");
    }
    sizes.WriteS32(content->length());
  }
  if (!writer.Finish()) return Fail(error, "the file data could not be compressed or enciphered");
  if (package->file_data.length() != static_cast<int32_t>(writer.stored_length())) {
    return Fail(error, "the file data is larger than one installer can carry");
  }
  return true;
}

void WriteHeader(const Product& product, const EncodedPackage& package, uint32_t settings_checksum,
                 uint32_t file_data_checksum, const String& content_sizes, EncodedPackage* out) {
  const ProductSettings& s = product.settings;
  PackageWriter header(&out->header);
  header.WriteU32(kPackageMagic);
  header.WriteZeroTerminated(kInstallerVersion, sizeof kInstallerVersion - 1);
  header.WriteU32(s.ProductFlags2);
  out->settings_size_at = static_cast<size_t>(out->header.length());
  header.WriteS32(package.settings.length());
  header.WriteU32(settings_checksum);
  out->program_checksum_at = static_cast<size_t>(out->header.length());
  header.WriteU32(0);  // filled in once the program around it is known
  out->package_end_at = static_cast<size_t>(out->header.length());
  header.WriteS32(0);  // likewise
  header.WriteS32(static_cast<int32_t>(product.files.size()));
  header.WriteS32(package.file_data.length());
  header.WriteU32(file_data_checksum);
  header.WriteBytes(content_sizes.bytes(), static_cast<size_t>(content_sizes.length()));
  if (s.Flag2(product_flag2::kEnciphered)) {
    header.WriteBytes(product.options.cipher_key, kPackageCipherKeyLength);
  }
}

// Grows the stored settings block so that header and settings fill the
// package section exactly (an enciphered block to within its 8-byte units),
// so that file data kept after the section starts right at its end. The
// decoder stops at the end of the zlib stream, so zero bytes after it are
// never read as settings.
bool PadSettingsTo(size_t target, const Blowfish* cipher, String* stored) {
  const size_t length = static_cast<size_t>(stored->length());
  if (target <= length) return true;
  if (target > static_cast<size_t>(kMaxSettingsStoredSize)) return false;
  if (!cipher) {
    // Scrambling works byte by byte from the start, so the bytes already
    // stored keep their form; the padding is stored as zeros.
    stored->SetLength(static_cast<int32_t>(target));
    return true;
  }
  String compressed;
  if (!DecipherCopy(*cipher, stored->bytes(), length, &compressed)) return false;
  const size_t whole_units = target / kBlowfishBlock * kBlowfishBlock;
  compressed.SetLength(static_cast<int32_t>(whole_units - 4));  // the cipher adds the 4-byte length
  return EncipherCopy(*cipher, compressed.bytes(), static_cast<size_t>(compressed.length()), stored);
}

// The package's block cipher, or null when the package is not enciphered.
const Blowfish* PackageCipher(const Product& product, Blowfish* storage) {
  if (!product.settings.Flag2(product_flag2::kEnciphered)) return nullptr;
  storage->SetKey(product.options.cipher_key, kPackageCipherKeyLength);
  return storage;
}

}  // namespace

bool EncodePackage(const Product& product, EncodedPackage* package, std::string* error) {
  *package = EncodedPackage();
  const ProductSettings& s = product.settings;
  const LanguageTable languages = MakeLanguageTable(product.languages);
  if (languages.LanguageCount() == 0) return Fail(error, "the product has no language");
  CorruptCode limit = CheckSettingsLimits(s, languages);
  if (limit != kCorruptNone) {
    return Fail(error, "a setting is outside what the installer accepts (it would report the package as corrupt, code " +
                           std::to_string(static_cast<int>(limit)) + ")");
  }
  String plain;
  if (!WriteSettings(s, languages, &plain)) {
    return Fail(error, "a setting is too long for its field or holds a zero character");
  }

  Blowfish blowfish;
  const Blowfish* cipher = PackageCipher(product, &blowfish);
  uint32_t settings_checksum = 0;
  if (!EncodeSettingsBlock(plain.bytes(), static_cast<size_t>(plain.length()), cipher, &package->settings,
                           &settings_checksum)) {
    return Fail(error, "the settings could not be compressed, or are larger than the installer accepts");
  }

  String content_sizes;
  BlockCoding coding{cipher, s.Flag(product_flag::kCompressedBlocks)};
  if (!EncodeFiles(product, coding, package, &content_sizes, error)) return false;
  const uint32_t file_data_checksum =
      PackageChecksum(package->file_data.bytes(), static_cast<size_t>(package->file_data.length()));
  package->file_data_after_section = s.FileDataOutside != 0;
  WriteHeader(product, *package, settings_checksum, file_data_checksum, content_sizes, package);
  return true;
}

bool BuildInstaller(const String& stub, const Product& product, String* installer, std::string* error) {
  PeLayout layout;
  std::string reason;
  if (!ReadPeLayout(stub, &layout, &reason)) return Fail(error, "the setup program is not usable: " + reason);
  EncodedPackage package;
  if (!EncodePackage(product, &package, error)) return false;

  const bool after = package.file_data_after_section;
  const size_t header_length = static_cast<size_t>(package.header.length());
  if (after) {
    Blowfish blowfish;
    const size_t section = PeSectionRawSize(layout, header_length + package.settings.length());
    if (!PadSettingsTo(section - header_length, PackageCipher(product, &blowfish), &package.settings)) {
      return Fail(error, "the settings could not be laid out for file data after the section");
    }
  }
  const size_t head_length = header_length + static_cast<size_t>(package.settings.length());
  const uint64_t package_end = head_length + static_cast<uint64_t>(package.file_data.length());
  if (package_end > 0x7FFFFFFF) return Fail(error, "the package is larger than one installer can carry");
  StoreLe32(package.header.data() + package.settings_size_at, static_cast<uint32_t>(package.settings.length()));
  StoreLe32(package.header.data() + package.package_end_at, static_cast<uint32_t>(package_end));

  String content = package.header;
  content.Append(package.settings);
  if (!after) content.Append(package.file_data);

  String image = stub;
  AddedSection added;
  if (!AddPeSection(&image, kPackageSectionName, content.bytes(), static_cast<size_t>(content.length()), &added,
                    &reason)) {
    return Fail(error, "the package cannot be added to the setup program: " + reason);
  }
  if (after) {
    // The file data starts right after the settings and runs to the end of
    // the file; it must reach at least to the end of the section's raw data.
    const uint64_t start = uint64_t{added.raw_pointer} + head_length;
    if (start + static_cast<uint64_t>(package.file_data.length()) < uint64_t{added.raw_pointer} + added.raw_size) {
      return Fail(error, "an enciphered package with its file data after the section needs at least one file");
    }
    image.SetLength(static_cast<int32_t>(start));
    if (!image.Append(package.file_data)) return Fail(error, "the installer is too large");
  }
  if (product.settings.Flag(product_flag::kCheckProgramChecksum)) {
    uint32_t checksum = ProgramImageChecksum(image.bytes(), added.raw_pointer, layout.pe_offset);
    StoreLe32(image.data() + added.raw_pointer + package.program_checksum_at, checksum);
  }
  if (product.options.update_pe_checksum) UpdatePeChecksum(&image, layout);
  *installer = static_cast<String&&>(image);
  return true;
}

bool ReadFileBytes(const std::string& path, String* bytes, std::string* error) {
  bytes->Clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Fail(error, "cannot open \"" + path + "\"");
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size < String::kToEnd - 2 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok && size > 0) {
    bytes->SetLengthExact(static_cast<int32_t>(size));
    ok = std::fread(bytes->data(), 1, static_cast<size_t>(size), file) == static_cast<size_t>(size);
  }
  std::fclose(file);
  if (!ok) {
    bytes->Clear();
    return Fail(error, "cannot read \"" + path + "\"");
  }
  return true;
}

bool WriteFileBytes(const std::string& path, const String& bytes, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return Fail(error, "cannot create \"" + path + "\"");
  const size_t length = static_cast<size_t>(bytes.length());
  bool ok = std::fwrite(bytes.bytes(), 1, length, file) == length;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) return Fail(error, "cannot write \"" + path + "\"");
  return true;
}
