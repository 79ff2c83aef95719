#include "builder/package_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "builder/branding.h"
#include "builder/pe_section.h"
#include "builder/settings_writer.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/entry_queue.h"
#include "package/extras.h"
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
  for (size_t index = 0; index < product.files.size(); ++index) {
    const PackageFile& file = product.files[index];
    const uint64_t stored_before = writer.stored_length();
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
    if (product.options.file_packed) {
      product.options.file_packed(index, static_cast<uint64_t>(content->length()),
                                  writer.stored_length() - stored_before);
    }
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

// The stored settings block laid out for its place: the extras (if any)
// sealed after the compressed stream, and, when target is not 0, zeros
// between them that grow the block so that header and settings fill the
// package section exactly (an enciphered block to within its 8-byte units),
// so that file data kept after the section starts right at its end. The
// decoder stops at the end of the zlib stream, so nothing after it is ever
// read as settings.
bool LayOutSettings(size_t target, const String& extras, const Blowfish* cipher, uint32_t checksum,
                    String* stored) {
  const size_t length = static_cast<size_t>(stored->length());
  if (extras.empty() && target <= length) return true;
  if (target > static_cast<size_t>(kMaxSettingsStoredSize)) return false;
  String block, sealed;
  if (!UnwrapSettingsBlock(stored->bytes(), length, checksum, cipher, &block)) return false;
  if (!extras.empty()) SealExtras(extras, &sealed);
  size_t plain = static_cast<size_t>(block.length() + sealed.length());
  if (target != 0) {
    // The cipher adds the 4-byte length and rounds up to whole units.
    const size_t room = cipher ? target / kBlowfishBlock * kBlowfishBlock - 4 : target;
    if (room < plain) return false;
    plain = room;
  }
  block.SetLength(static_cast<int32_t>(plain - static_cast<size_t>(sealed.length())));  // zeros
  block.Append(sealed);
  return WrapSettingsBlock(block.bytes(), plain, checksum, cipher, stored) &&
         stored->length() <= kMaxSettingsStoredSize;
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

bool CheckRuntimeStub(const String& stub, std::string* error) {
  PeLayout layout;
  std::string reason;
  const std::string hint = "; use the setup.exe of a Bastionix Setup build (--stub build/win32/setup.exe)";
  if (!ReadPeLayout(stub, &layout, &reason)) return Fail(error, "the setup program is not usable: " + reason + hint);
  const std::string bytes(stub.c_str(), static_cast<size_t>(stub.length()));
  if (bytes.find(std::string(kRuntimeMarker, sizeof kRuntimeMarker - 1)) == std::string::npos) {
    return Fail(error, "the setup program is not the Bastionix Setup runtime" + hint);
  }
  for (uint16_t i = 0; i < layout.section_count; ++i) {
    const uint8_t* entry = stub.bytes() + layout.table_offset + i * 40u;
    if (uint64_t{LoadLe32(entry + 20)} + LoadLe32(entry + 16) > static_cast<uint64_t>(stub.length())) {
      return Fail(error, "the setup program is cut short (a section's data lies beyond its end)" + hint);
    }
  }
  return true;
}

bool BuildInstaller(const String& stub, const Product& product, String* installer, std::string* error) {
  return BuildInstallerWithExtras(stub, product, String(), installer, error);
}

bool BuildInstallerWithExtras(const String& runtime, const Product& product, const String& given_extras,
                              String* installer, std::string* error) {
  PeLayout layout;
  std::string reason;
  if (!ReadPeLayout(runtime, &layout, &reason)) return Fail(error, "the setup program is not usable: " + reason);
  String stub, extras = given_extras, brand_extras;
  if (!BrandProgram(runtime, product, &stub, &brand_extras, &reason)) {
    return Fail(error, "the setup program cannot be branded: " + reason);
  }
  extras.Append(brand_extras);
  if (!ReadPeLayout(stub, &layout, &reason)) return Fail(error, "the branded setup program is not usable: " + reason);
  EncodedPackage package;
  if (!EncodePackage(product, &package, error)) return false;

  const bool after = package.file_data_after_section;
  const size_t header_length = static_cast<size_t>(package.header.length());
  Blowfish blowfish;
  const Blowfish* cipher = PackageCipher(product, &blowfish);
  const uint32_t checksum = LoadLe32(package.header.bytes() + package.settings_size_at + 4);
  const String bare_settings = package.settings;
  if (!LayOutSettings(0, extras, cipher, checksum, &package.settings)) {
    return Fail(error, "the extras could not be added to the settings");
  }
  if (after) {
    // Padding goes between the compressed stream and the extras, which stay last.
    const size_t section = PeSectionRawSize(layout, header_length + package.settings.length());
    package.settings = bare_settings;
    if (!LayOutSettings(section - header_length, extras, cipher, checksum, &package.settings)) {
      return Fail(error, "the settings could not be laid out for file data after the section");
    }
  }
  const size_t head_length = header_length + static_cast<size_t>(package.settings.length());
  const uint64_t package_end = head_length + static_cast<uint64_t>(package.file_data.length());
  if (package_end > 0x7FFFFFFF) return Fail(error, "the package is larger than one installer can carry");
  StoreLe32(package.header.data() + package.settings_size_at, static_cast<uint32_t>(package.settings.length()));
  StoreLe32(package.header.data() + package.package_end_at, static_cast<uint32_t>(package_end));

  // The section is made empty and filled in place, so that the file data is
  // never held twice beside the image.
  const size_t section_length = head_length + (after ? 0 : static_cast<size_t>(package.file_data.length()));
  String image = stub;
  AddedSection added;
  if (!AddPeSection(&image, kPackageSectionName, nullptr, section_length, &added, &reason)) {
    return Fail(error, "the package cannot be added to the setup program: " + reason);
  }
  uint8_t* section = image.data() + added.raw_pointer;
  std::memcpy(section, package.header.bytes(), header_length);
  std::memcpy(section + header_length, package.settings.bytes(), static_cast<size_t>(package.settings.length()));
  if (!after) {
    std::memcpy(section + head_length, package.file_data.bytes(), static_cast<size_t>(package.file_data.length()));
    package.file_data = String();
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

// The system's reason for the last failed call.
static std::string SystemReason() { return errno ? std::string(": ") + std::strerror(errno) : std::string(); }

bool ReadFileBytes(const std::string& path, String* bytes, std::string* error) {
  bytes->Clear();
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Fail(error, "cannot open \"" + path + "\"" + SystemReason());
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size < String::kToEnd - 2 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok && size > 0) {
    bytes->SetLengthExact(static_cast<int32_t>(size));
    ok = std::fread(bytes->data(), 1, static_cast<size_t>(size), file) == static_cast<size_t>(size);
  }
  if (!ok && errno == 0 && std::ferror(file)) errno = EIO;
  std::fclose(file);
  if (!ok) {
    bytes->Clear();
    return Fail(error, "cannot read \"" + path + "\"" + SystemReason());
  }
  return true;
}

namespace {

bool WriteWithMode(const std::string& path, const char* mode, const String& bytes, std::string* error) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (!file) return Fail(error, "cannot create \"" + path + "\"" + SystemReason());
  const size_t length = static_cast<size_t>(bytes.length());
  bool ok = std::fwrite(bytes.bytes(), 1, length, file) == length;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) return Fail(error, "cannot write \"" + path + "\"" + SystemReason());
  return true;
}

}  // namespace

bool WriteFileBytes(const std::string& path, const String& bytes, std::string* error) {
  return WriteWithMode(path, "wb", bytes, error);
}

bool WriteNewFileBytes(const std::string& path, const String& bytes, std::string* error) {
  return WriteWithMode(path, "wbx", bytes, error);
}
