#include "builder/package_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "builder/branding.h"
#include "builder/build_files.h"
#include "builder/pe_section.h"
#include "builder/settings_writer.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/entry_queue.h"
#include "package/extras.h"
#include "package/program_copy.h"
#include "package/settings_block.h"
#include "package/writer.h"

namespace {

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

std::string Narrow(const String& text) { return std::string(text.c_str(), static_cast<size_t>(text.length())); }

// Pieces of a file's content read at a time: small beside a block, so that
// reading one overlaps the coding of the blocks before it.
constexpr size_t kReadPiece = 256 << 10;

// The stored file data on its way to the output: coded blocks go out as soon
// as they are done, so that no more than a few blocks are ever held.
class FileDataStream {
 public:
  FileDataStream(BlockCoding coding, const PackageOptions& options, InstallerOutput* out, uint64_t start,
                 PeChecksumBuilder* pe)
      : writer_(coding, &coded_, options.block_size, options.jobs), out_(out), start_(start), pe_(pe) {}

  bool StartEntry(size_t length) { return writer_.StartEntry(length); }
  bool Add(const uint8_t* data, size_t length) { return writer_.AddBytes(data, length); }
  bool Finish() { return writer_.Finish(); }
  // Sends what is coded so far to the output.
  bool Drain(std::string* error) {
    if (coded_.empty()) return true;
    const size_t length = static_cast<size_t>(coded_.length());
    if (written_ + length > kMaxStoredFileData) {
      return Fail(error, "the file data is larger than the 2 GiB one installer can carry");
    }
    pe_->Add(start_ + written_, coded_.bytes(), length);
    if (!out_->WriteAt(start_ + written_, coded_.bytes(), length, error)) return false;
    written_ += length;
    coded_.SetLength(0);
    return true;
  }
  uint64_t written() const { return written_; }
  uint32_t checksum() const { return writer_.checksum(); }

 private:
  String coded_;
  FileDataWriter writer_;
  InstallerOutput* out_;
  uint64_t start_;
  PeChecksumBuilder* pe_;
  uint64_t written_ = 0;
};

// Where a file's content comes from: its source file, read piece by piece,
// or the bytes the product holds.
class ContentSource {
 public:
  explicit ContentSource(const PackageFile& file) : file_(file) {}
  ~ContentSource() {
    if (stream_) std::fclose(stream_);
  }
  ContentSource(const ContentSource&) = delete;
  ContentSource& operator=(const ContentSource&) = delete;

  bool Open(uint64_t* size, std::string* error) {
    if (file_.source_path.empty()) {
      *size = static_cast<uint64_t>(file_.content.length());
      return true;
    }
    stream_ = OpenSourceFile(file_.source_path, size, error);
    return stream_ != nullptr;
  }
  // The next piece of at most `room` bytes; 0 at the end.
  bool Read(uint8_t* buffer, size_t room, const uint8_t** piece, size_t* length, std::string* error) {
    if (!stream_) {
      const size_t left = static_cast<size_t>(file_.content.length()) - offset_;
      *length = left < room ? left : room;
      *piece = file_.content.bytes() + offset_;
      offset_ += *length;
      return true;
    }
    errno = 0;
    *length = std::fread(buffer, 1, room, stream_);
    *piece = buffer;
    if (*length == 0 && std::ferror(stream_)) {
      if (errno == 0) errno = EIO;
      return Fail(error, "cannot read " + Quoted());
    }
    return true;
  }

 private:
  std::string Quoted() const { return "\"" + file_.source_path + "\"" + SystemReason(); }

  const PackageFile& file_;
  std::FILE* stream_ = nullptr;
  size_t offset_ = 0;
};

// Packs one file as an entry record: its fields, its content piece by piece
// and the content's checksum.
bool PackFile(const PackageFile& file, std::vector<uint8_t>* buffer, FileDataStream* stream, uint32_t* size,
              std::string* error) {
  const std::string name = Narrow(file.entry.name);
  ContentSource source(file);
  uint64_t length = 0;
  if (!source.Open(&length, error)) return false;
  if (length > static_cast<uint64_t>(kMaxEntryContentSize)) {
    return Fail(error, "\"" + name + "\" is larger than the 1 GiB a packaged file may have");
  }
  String fields;
  if (!EncodeEntryFields(file.entry, &fields)) {
    return Fail(error, "\"" + name + "\" cannot be packaged: its name is empty or one of its texts holds a zero character");
  }
  const std::string coding_failed = "\"" + name + "\" could not be compressed or enciphered";
  if (!stream->StartEntry(static_cast<size_t>(fields.length()) + length + 4) ||
      !stream->Add(fields.bytes(), static_cast<size_t>(fields.length()))) {
    return Fail(error, coding_failed);
  }
  ChecksumBuilder sum;
  uint64_t read = 0;
  for (;;) {
    const uint8_t* piece = nullptr;
    size_t got = 0;
    if (!source.Read(buffer->data(), buffer->size(), &piece, &got, error)) return false;
    if (got == 0) break;
    read += got;
    // The length went into the record already: a file that grows while it is
    // packed must not overrun it.
    if (read > length) break;
    sum.Add(piece, got);
    if (!stream->Add(piece, got)) return Fail(error, coding_failed);
    if (!stream->Drain(error)) return false;
  }
  if (read != length) {
    return Fail(error, "\"" + file.source_path + "\" changed while it was being packed; build again");
  }
  uint8_t checksum[4];
  StoreLe32(checksum, sum.Finish());
  if (!stream->Add(checksum, sizeof checksum)) return Fail(error, coding_failed);
  *size = static_cast<uint32_t>(length);
  return true;
}

// What the header records of the file data.
struct StoredFileData {
  uint64_t length = 0;
  uint32_t checksum = 0;
  String content_sizes;
};

// Files share blocks, so a file's stored size is its share of the stored
// bytes: what the data grows by is shared among the files packed since it
// last grew, by their sizes, and each is told once its share is known.
class StoredShares {
 public:
  explicit StoredShares(const Product& product) : product_(product) {}

  void Packed(size_t index, uint32_t size) { waiting_.push_back({index, size}); }

  // The data has grown by `stored` since the last call.
  void Grew(uint64_t stored) {
    if (stored == 0 || waiting_.empty()) return;
    uint64_t plain = 0;
    for (const auto& file : waiting_) plain += file.second;
    uint64_t left = stored;
    for (size_t i = 0; i < waiting_.size(); ++i) {
      const auto [index, size] = waiting_[i];
      const uint64_t share = i + 1 == waiting_.size() ? left
                             : plain ? stored * size / plain
                                     : stored / waiting_.size();
      left -= share;
      if (product_.options.file_packed) product_.options.file_packed(index, size, share);
    }
    waiting_.clear();
  }

 private:
  const Product& product_;
  std::vector<std::pair<size_t, uint32_t>> waiting_;
};

bool PackFiles(const Product& product, FileDataStream* stream, StoredFileData* data, std::string* error) {
  std::vector<uint8_t> buffer(kReadPiece);
  PackageWriter sizes(&data->content_sizes);
  StoredShares shares(product);
  for (size_t index = 0; index < product.files.size(); ++index) {
    const uint64_t stored_before = stream->written();
    uint32_t size = 0;
    if (!PackFile(product.files[index], &buffer, stream, &size, error) || !stream->Drain(error)) return false;
    sizes.WriteU32(size);
    shares.Packed(index, size);
    shares.Grew(stream->written() - stored_before);
  }
  const uint64_t stored_before = stream->written();
  if (!stream->Finish()) return Fail(error, "the file data could not be compressed or enciphered");
  if (!stream->Drain(error)) return false;
  shares.Grew(stream->written() - stored_before);
  data->length = stream->written();
  data->checksum = stream->checksum();
  return true;
}

// The header (fields 1 to 12) with every value final but the program
// checksum, which is stored at *program_checksum_at once the program around
// it is known.
String HeaderBytes(const Product& product, size_t settings_length, uint32_t settings_checksum,
                     const StoredFileData& data, uint64_t package_end, size_t* program_checksum_at) {
  const ProductSettings& s = product.settings;
  String out;
  PackageWriter header(&out);
  header.WriteU32(kPackageMagic);
  header.WriteZeroTerminated(kInstallerVersion, sizeof kInstallerVersion - 1);
  header.WriteU32(s.ProductFlags2);
  header.WriteS32(static_cast<int32_t>(settings_length));
  header.WriteU32(settings_checksum);
  *program_checksum_at = static_cast<size_t>(out.length());
  header.WriteU32(0);
  header.WriteS32(static_cast<int32_t>(package_end));
  header.WriteS32(static_cast<int32_t>(product.files.size()));
  header.WriteS32(static_cast<int32_t>(data.length));
  header.WriteU32(data.checksum);
  header.WriteBytes(data.content_sizes.bytes(), static_cast<size_t>(data.content_sizes.length()));
  if (s.Flag2(product_flag2::kEnciphered)) {
    header.WriteBytes(product.options.cipher_key, kPackageCipherKeyLength);
  }
  return out;
}

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

// The stored settings block, with the extras and, for file data after the
// section, laid out to fill the section.
bool EncodeSettings(const Product& product, const PeLayout& layout, const String& extras, size_t header_length,
                    String* stored, uint32_t* checksum, std::string* error) {
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
  String bare;
  if (!EncodeSettingsBlock(plain.bytes(), static_cast<size_t>(plain.length()), cipher, &bare, checksum)) {
    return Fail(error, "the settings could not be compressed, or are larger than the installer accepts");
  }
  *stored = bare;
  if (!LayOutSettings(0, extras, cipher, *checksum, stored)) {
    return Fail(error, "the extras could not be added to the settings");
  }
  if (s.FileDataOutside != 0) {
    // Padding goes between the compressed stream and the extras, which stay last.
    const size_t section = PeSectionRawSize(layout, header_length + static_cast<size_t>(stored->length()));
    *stored = bare;
    if (!LayOutSettings(section - header_length, extras, cipher, *checksum, stored)) {
      return Fail(error, "the settings could not be laid out for file data after the section");
    }
  }
  return true;
}

// An installer held in memory.
class StringOutput : public InstallerOutput {
 public:
  explicit StringOutput(String* out) : out_(out) {}
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t length, std::string* error) override {
    const uint64_t end = offset + length;
    if (end > static_cast<uint64_t>(String::kToEnd - 2)) return Fail(error, "the installer is too large");
    if (end > static_cast<uint64_t>(out_->length())) out_->SetLength(static_cast<int32_t>(end));
    if (length > 0) std::memcpy(out_->data() + offset, data, length);
    return true;
  }

 private:
  String* out_;
};

// The program before the package section: the branded stub with the
// section's entry, then the package's header and settings, with the program
// checksum and the PE CheckSum (which covers the whole file, `file_data` its
// part beyond the head) filled in.
bool WriteHead(const Product& product, const String& stub, const String& header, size_t program_checksum_at,
               const String& settings, uint64_t section_length, uint64_t file_end, PeChecksumBuilder file_data,
               InstallerOutput* out, std::string* error) {
  String image = stub;
  AddedSection added;
  std::string reason;
  if (!AddPeSectionEntry(&image, kPackageSectionName, section_length, &added, &reason)) {
    return Fail(error, "the package cannot be added to the setup program: " + reason);
  }
  PeLayout layout;
  if (!ReadPeLayout(image, &layout, &reason)) return Fail(error, "the setup program is not usable: " + reason);
  image.SetLength(static_cast<int32_t>(added.raw_pointer));
  image.Append(header);
  image.Append(settings);
  uint8_t* program_checksum = image.data() + added.raw_pointer + program_checksum_at;
  if (product.settings.Flag(product_flag::kCheckProgramChecksum)) {
    StoreLe32(program_checksum, ProgramImageChecksum(image.bytes(), added.raw_pointer, layout.pe_offset));
  }
  if (product.options.update_pe_checksum) {
    StoreLe32(image.data() + layout.checksum_offset(), 0);
    file_data.Add(0, image.bytes(), static_cast<size_t>(image.length()));
    StoreLe32(image.data() + layout.checksum_offset(), file_data.Finish(file_end));
  }
  return out->WriteAt(0, image.bytes(), static_cast<size_t>(image.length()), error);
}

}  // namespace

namespace {

// A program whose headers end early reads as one once the missing bytes are
// there: it was cut short, not something else.
bool HeadersCutShort(const String& stub) {
  if (stub.length() < 2 || stub.bytes()[0] != 'M' || stub.bytes()[1] != 'Z') return false;
  String padded = stub;
  padded.Append(String(std::string(0x2000, '\0').c_str(), 0x2000));
  PeLayout layout;
  return ReadPeLayout(padded, &layout, nullptr);
}

bool SectionsCutShort(const String& stub, const PeLayout& layout) {
  for (uint16_t i = 0; i < layout.section_count; ++i) {
    const uint8_t* entry = stub.bytes() + layout.table_offset + i * 40u;
    if (uint64_t{LoadLe32(entry + 20)} + LoadLe32(entry + 16) > static_cast<uint64_t>(stub.length())) return true;
  }
  return false;
}

}  // namespace

bool CheckRuntimeStub(const String& stub, const std::string& path, std::string* error) {
  PeLayout layout;
  std::string reason;
  const std::string named = "the setup program \"" + path + "\" ";
  const std::string hint = "; use the setup.exe of a Bastionix Setup build (--stub build/win32/setup.exe)";
  const bool readable = ReadPeLayout(stub, &layout, &reason);
  if (readable ? SectionsCutShort(stub, layout) : HeadersCutShort(stub)) {
    return Fail(error, named + "is cut short (" + (readable ? "a section's data lies beyond its end" : reason) + ")" +
                           hint);
  }
  if (!readable) return Fail(error, named + "is not a PE program (" + reason + ")" + hint);
  const std::string bytes(stub.c_str(), static_cast<size_t>(stub.length()));
  if (bytes.find(std::string(kRuntimeMarker, sizeof kRuntimeMarker - 1)) == std::string::npos) {
    return Fail(error, named + "is another program, not the Bastionix Setup runtime" + hint);
  }
  return true;
}

bool BuildInstaller(const String& stub, const Product& product, String* installer, std::string* error) {
  return BuildInstallerWithExtras(stub, product, String(), installer, error);
}

bool BuildInstallerWithExtras(const String& stub, const Product& product, const String& extras, String* installer,
                              std::string* error) {
  String built;
  StringOutput out(&built);
  uint64_t size = 0;
  if (!BuildInstallerTo(stub, product, extras, &out, &size, error)) return false;
  *installer = static_cast<String&&>(built);
  return true;
}

bool BuildInstallerTo(const String& runtime, const Product& product, const String& given_extras,
                      InstallerOutput* out, uint64_t* size, std::string* error) {
  PeLayout layout;
  std::string reason;
  if (!ReadPeLayout(runtime, &layout, &reason)) return Fail(error, "the setup program is not usable: " + reason);
  String stub, extras = given_extras, brand_extras;
  if (!BrandProgram(runtime, product, &stub, &brand_extras, &reason)) {
    return Fail(error, "the setup program cannot be branded: " + reason);
  }
  extras.Append(brand_extras);
  if (!ReadPeLayout(stub, &layout, &reason)) return Fail(error, "the branded setup program is not usable: " + reason);

  // The header's length does not depend on its values.
  StoredFileData placeholder;
  placeholder.content_sizes.SetLength(static_cast<int32_t>(product.files.size() * 4));
  size_t unused = 0;
  const size_t header_length = static_cast<size_t>(HeaderBytes(product, 0, 0, placeholder, 0, &unused).length());
  String settings;
  uint32_t settings_checksum = 0;
  if (!EncodeSettings(product, layout, extras, header_length, &settings, &settings_checksum, error)) return false;
  const size_t head_length = header_length + static_cast<size_t>(settings.length());
  // The section's place, known before any file is packed; the stub is also
  // checked to take the section before the work of packing starts.
  String probe = stub;
  AddedSection place;
  if (!AddPeSectionEntry(&probe, kPackageSectionName, head_length, &place, &reason)) {
    return Fail(error, "the package cannot be added to the setup program: " + reason);
  }

  const uint64_t data_start = uint64_t{place.raw_pointer} + head_length;
  Blowfish blowfish;
  BlockCoding coding{PackageCipher(product, &blowfish), product.settings.Flag(product_flag::kCompressedBlocks)};
  PeChecksumBuilder pe;
  StoredFileData data;
  {
    FileDataStream stream(coding, product.options, out, data_start, &pe);
    if (!PackFiles(product, &stream, &data, error)) return false;
  }
  const uint64_t package_end = head_length + data.length;
  if (package_end > 0x7FFFFFFF) return Fail(error, "the package is larger than one installer can carry");

  // File data inside the section fills it, padded to its raw size; file
  // data after the section starts right after the settings, runs to the end
  // of the file, and must reach at least to the end of the section's raw data.
  const bool after = product.settings.FileDataOutside != 0;
  const uint64_t section_length = after ? head_length : package_end;
  const uint64_t section_end = uint64_t{place.raw_pointer} + PeSectionRawSize(layout, section_length);
  const uint64_t data_end = data_start + data.length;
  if (after && data_end < section_end) {
    return Fail(error, "an enciphered package with its file data after the section needs at least one file");
  }
  const uint64_t file_end = after ? data_end : section_end;
  if (file_end > data_end) {
    const std::vector<uint8_t> zeros(static_cast<size_t>(file_end - data_end));
    if (!out->WriteAt(data_end, zeros.data(), zeros.size(), error)) return false;
  }
  size_t program_checksum_at = 0;
  const String header = HeaderBytes(product, static_cast<size_t>(settings.length()), settings_checksum, data,
                                      package_end, &program_checksum_at);
  if (!WriteHead(product, stub, header, program_checksum_at, settings, section_length, file_end, pe, out, error)) {
    return false;
  }
  *size = file_end;
  return true;
}
