#include "builder/installer_reader.h"

#include "actions/file_install_rules.h"
#include "core/codepage.h"
#include "package/blowfish.h"
#include "package/corrupt.h"
#include "package/entry_queue.h"
#include "package/file_blocks.h"
#include "package/program_copy.h"
#include "package/settings_block.h"
#include "package/settings_reader.h"

namespace {

// The installer takes contents above this piece by piece; so does the reader.
constexpr size_t kStreamAbove = 0x10000;

struct CodeText {
  int code;
  const char* text;
};

constexpr CodeText kCodeTexts[] = {
    {kCorruptNoRawData, "package section has no raw data"},
    {kCorruptSeekRawData, "package section starts beyond the end of the file"},
    {kCorruptStatusTime, "minimum status display time above 9999"},
    {kCorruptMagic, "header magic is not 0xA4F23DE5"},
    {kCorruptSettingsSize, "settings stored size out of range"},
    {kCorruptLicenceCount, "licence text count outside 0..20"},
    {kCorruptSettingsChecksum, "checksum of the decoded settings differs"},
    {kCorruptReadmeCount, "readme text count outside 0..20"},
    {kCorruptEntryCount, "header entry count negative"},
    {kCorruptHeaderContentSize, "a header content size outside 0..0x40000000"},
    {kCorruptFileDataLength, "header file-data length negative"},
    {kCorruptLanguageCount, "language count 0 or above 200"},
    {kCorruptMessageCount, "message count outside 1..10000"},
    {kCorruptSettingsEndMarker, "settings end marker missing"},
    {kCorruptProgramRead, "the program image cannot be read"},
    {kCorruptShortcutCount, "shortcut record count outside 0..1000"},
    {kCorruptUninstallValueCount, "uninstall value count outside 0..1000"},
    {kCorruptDeletionListLength, "deletion list too long"},
    {kCorruptPercentage, "percentage outside 0..100"},
    {kCorruptProgramChecksum, "program checksum mismatch"},
    {kCorruptCloseListLength, "list of programs to close too long"},
    {kCorruptStrippedTailRead, "the file's tail cannot be read"},
    {kCorruptPeOffset, "PE offset outside 64..4096"},
    {kCorruptSectionCount, "section count outside 4..99"},
    {kCorruptPackageEnd, "header package end negative"},
    {kCorruptFileDataPlace, "file-data length does not match its place"},
    {kCorruptSettingsInflate, "the settings cannot be decoded"},
    {kCorruptAssociationCount, "association count outside 0..1000"},
    {kCorruptFileDataChecksum, "checksum of the whole file data differs"},
    {kCorruptBlockDecode, "a file-data block cannot be decoded"},
    {kCorruptBlockLength, "block stored length below 1"},
    {kCorruptBlockChecksum, "block checksum mismatch"},
    {kCorruptBlockOverrun, "block longer than the file data left, or none left"},
    {kCorruptEntryName, "entry name empty or leaving its folder"},
    {kCorruptEntryNegativeSize, "entry content size negative"},
    {kCorruptEntrySizeTooLarge, "entry content size above 0x40000000"},
    {kCorruptFontName, "font entry without its display name"},
    {kCorruptControlPanelClass, "control-panel entry without its class identifier"},
    {kCorruptFileDataLeft, "file data left after the last entry"},
    {kCorruptEntryDataLeft, "decoded entry data left after the last entry"},
    {kCorruptFirewallLine, "firewall line without exactly four fields"},
    {kCorruptEntryChecksum, "entry content checksum mismatch"},
    {kCorruptEntryKind, "entry kind unknown"},
    {kCorruptUninstallValueType, "uninstall value of unknown type"},
};

ReadOutcome Failed(int code, std::string where) {
  ReadOutcome outcome;
  outcome.code = code;
  outcome.where = std::move(where);
  return outcome;
}

// A leading variable makes an override a path of its own, as its expansion
// would: marked as a UNC root so that the installer's rule keeps it whole.
void MarkLeadingVariable(String& text) {
  if (text.wlength() > 0 && text.AtW(0) == u'%') {
    String marked(u"\\\\");
    marked.Append(text);
    text = marked;
  }
}

ReadOutcome ReadHeaderAndSettings(const ByteSpan& section, InstallerContents* out) {
  HeaderResult header = ReadPackageHeader(section);
  if (header.outcome == HeaderOutcome::kVersionMismatch) {
    return Failed(kReadVersionMismatch, "package header: installer version \"" +
                                            std::string(reinterpret_cast<const char*>(header.header.version.data),
                                                        header.header.version.length) +
                                            "\", this reader reads " + kInstallerVersion);
  }
  if (header.outcome != HeaderOutcome::kOk) return Failed(header.corrupt_code, "package header");
  out->header = header.header;
  Blowfish cipher;
  if (out->header.has_cipher_key) cipher.SetKey(out->header.cipher_key, kPackageCipherKeyLength);
  String block;
  const int decoded = DecodeSettingsBlock(out->header.settings_block.data, out->header.settings_block.length,
                                          out->header.settings_checksum,
                                          out->header.has_cipher_key ? &cipher : nullptr, &block);
  if (decoded != kCorruptNone) return Failed(decoded, "settings block");
  out->settings.ProductFlags2 = out->header.flags2;
  const int read = ReadSettings(block.bytes(), static_cast<size_t>(block.length()), SettingsReadOptions(),
                                &out->settings, &out->languages);
  if (read != kCorruptNone) return Failed(read, "settings");
  return ReadOutcome();
}

std::string EntryPlace(const InstallerContents& contents, int32_t index, const EntryRecord& record) {
  std::string where = "entry " + std::to_string(index + 1) + " of " + std::to_string(contents.header.entry_count);
  if (!record.name.empty()) where += " (" + Utf8(EntryNameWide(record.name)) + ")";
  return where;
}

// The content's pieces to the sink, then its checksum.
int PassContent(FileDataDecoder& decoder, const EntryRecord& record, EntrySink* sink, std::string* error) {
  if (!sink->wants_content()) return decoder.FinishContent();
  if (!decoder.streaming()) {
    if (record.content.length > 0 && !sink->Write(record.content, error)) return kCorruptNone;
    return decoder.FinishContent();
  }
  for (ByteSpan piece;;) {
    const int code = decoder.ReadContent(&piece);
    if (code != kCorruptNone) return code;
    if (piece.length == 0) break;
    if (!sink->Write(piece, error)) return kCorruptNone;
  }
  return decoder.FinishContent();
}

// Every entry as the installer takes it: the record, its kind's fields, its
// name's place, its content's checksum; then the end of the file data.
ReadOutcome ReadEntries(const FileData& data, EntrySink* sink, InstallerContents* out) {
  Blowfish cipher;
  BlockCoding coding{nullptr, out->settings.Flag(product_flag::kCompressedBlocks)};
  if (out->header.has_cipher_key) {
    cipher.SetKey(out->header.cipher_key, kPackageCipherKeyLength);
    coding.cipher = &cipher;
  }
  FileDataDecoder decoder(data.stored, coding);
  for (int32_t i = 0; i < out->header.entry_count; ++i) {
    InstalledEntry entry;
    entry.index = i;
    entry.size = out->header.content_size(i);
    int code = decoder.NextRecord(entry.size, kStreamAbove, &entry.record);
    if (code == kCorruptNone) code = CheckEntryFields(entry.record);
    if (code == kCorruptNone && !DestinationByName(entry.record, out->settings, &entry.destination)) {
      code = kCorruptEntryName;
    }
    if (code != kCorruptNone) return Failed(code, EntryPlace(*out, i, entry.record));
    const EntryRecord record = entry.record;
    entry.record.content = {};
    ReadOutcome outcome;
    if (!sink->Begin(entry, &outcome.sink_error)) return outcome;
    code = PassContent(decoder, record, sink, &outcome.sink_error);
    if (code != kCorruptNone || !outcome.sink_error.empty()) {
      sink->Abort();
      if (code != kCorruptNone) return Failed(code, EntryPlace(*out, i, record));
      return outcome;
    }
    if (!sink->End(&outcome.sink_error)) return outcome;
    out->entries_read = i + 1;
  }
  const int end = decoder.Finish();
  if (end != kCorruptNone) return Failed(end, "after the last entry");
  return ReadOutcome();
}

}  // namespace

std::string Utf8(const String& wide) {
  const String bytes = Utf16ToUtf8(wide);
  return std::string(bytes.c_str(), static_cast<size_t>(bytes.length()));
}

std::string CorruptCodeText(int code) {
  for (const CodeText& entry : kCodeTexts) {
    if (entry.code == code) return std::to_string(code) + " (" + entry.text + ")";
  }
  if (code == kStoredDataReadFailed) return "read failure (the file could not be read)";
  return std::to_string(code);
}

bool DestinationByName(const EntryRecord& record, const ProductSettings& settings, String* destination) {
  DestinationFolders folders;
  folders.install = String(u"%InstallDir%");
  if (settings.Flag(product_flag::kDetectInstallation)) folders.shared = String(u"%SharedDir%");
  folders.uninstall = String(u"%UninstallDir%");
  folders.fonts = String(u"%FontDir%");
  folders.system = String(u"%SystemDir%");
  Destination place;
  if (!ComputeDestination(record.kind, record.flags, EntryNameWide(record.name), record.destination, folders,
                          MarkLeadingVariable, &place)) {
    return false;
  }
  *destination = place.path;
  if (destination->wlength() > 2 && destination->AtW(0) == u'\\' && destination->AtW(2) == u'%') {
    *destination = String(destination->w_str() + 2);
  }
  return true;
}

ReadOutcome ReadInstaller(const ProgramFile& file, const ByteSpan& image, EntrySink* sink, InstallerContents* out) {
  out->file_size = file.size;
  const LocateResult located = LocatePackageSection(file);
  if (located.outcome == LocateOutcome::kNoPackage) return Failed(kReadNoPackage, "section table: no .setup section");
  if (located.outcome == LocateOutcome::kCorrupt) return Failed(located.corrupt_code, "PE headers");
  out->section = located.section;
  out->signed_file = ProgramContentEnd(out->section, file.size) < file.size;
  const ByteSpan section = SectionBytesInImage(image, out->section);
  ReadOutcome outcome = ReadHeaderAndSettings(section, out);
  if (!outcome.ok()) return outcome;

  ProgramCopyRequest request;
  request.verify_checksum = out->settings.Flag(product_flag::kCheckProgramChecksum);
  request.keep_stripped = out->settings.Flag2(product_flag2::kStrippedCopy);
  request.file_data_after_section = out->settings.FileDataOutside != 0;
  ProgramCopy copy;
  const int program = PrepareProgramCopy(file, out->section, out->header, request, &copy);
  if (program != kCorruptNone) return Failed(program, "program image before the package");

  FileData data;
  if (LocateFileData(file, out->section, section, out->header, request.file_data_after_section, &data) !=
      FileDataOutcome::kOk) {
    return Failed(kCorruptFileDataPlace, request.file_data_after_section ? "file data after the section"
                                                                         : "file data inside the section");
  }
  const int whole = CheckFileData(data.stored, out->header.file_data_checksum);
  if (whole != kCorruptNone) return Failed(whole, "file data");
  return sink ? ReadEntries(data, sink, out) : ReadOutcome();
}
