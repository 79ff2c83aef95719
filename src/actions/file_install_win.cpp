#include <windows.h>

#include "actions/file_date.h"
#include "actions/file_install.h"
#include "actions/file_install_rules.h"
#include "actions/file_version.h"
#include "actions/file_writer.h"
#include "actions/fonts.h"
#include "actions/install_hooks.h"
#include "actions/install_lists.h"
#include "core/codepage.h"
#include "core/file_ops.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/entry_queue.h"
#include "package/entry_record.h"
#include "package/locator.h"
#include "package/message_numbers.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/marked_path.h"
#include "records/restart_queue.h"
#include "records/shared_files.h"
#include "records/record_refusal.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_records.h"

namespace {

// The progress after the last entry, and once the pending renames and the
// shared-file counts are done.
constexpr int32_t kFilesDoneProgress = 91;
constexpr int32_t kRenamesDoneProgress = 92;
constexpr int32_t kCountsDoneProgress = 93;

// Damage ends the run; the file being finished behind is completed first,
// as a file written at once would have been.
void Stop(int code) {
  if (code == kCorruptNone) return;
  FinishWritesBehind();
  ReportCorruptPackage(code);
}

void StopOnDataError(int code, const InstallEntrySource& source) {
  if (code == kCorruptNone) return;
  FinishWritesBehind();
  StopOnFileDataError(code, *source.header, *source.file_data);
}

DestinationFolders CurrentFolders(const InstallEntrySource& source) {
  DestinationFolders folders;
  folders.install = source.install_folder;
  folders.shared = source.shared_folder;
  folders.uninstall = source.uninstall_folder;
  folders.fonts = FolderPath(FolderSource::kFonts);
  folders.system = FolderPath(FolderSource::kSystem);
  folders.portable_shared = source.removable && !source.product->settings.SharedSubfolder.empty() && !source.shared_folder.empty();
  return folders;
}

// What the file phase knows of the folders it writes into. Looking a name up
// costs far more under some systems than writing a small file (a missing
// name is searched for in every spelling), so what this run has seen is not
// asked again.
struct FolderMemory {
  const InstallEntrySource* source = nullptr;
  FileWriteRules rules;  // the product's, made once for every file
  DestinationFolders folders;
  // Folders this run created: nothing is in them but what it tried to write,
  // as long as nothing else has run meanwhile (Forget).
  FileSet made;
  FileSet failed;       // files that failed or were staged: part of one may be there
  String in_flight;     // the file on its way, until its outcome is known
  String known_folder;  // the folder the last entry was written into
};

// An MSI package installed meanwhile may have put anything anywhere.
void Forget(FolderMemory& memory) {
  memory.made.RemoveAll();
  memory.known_folder.Clear();
}

// Whether `path` is the file handed behind whose outcome is not known yet.
bool OnItsWay(const String& path, const FolderMemory& memory) {
  return !memory.in_flight.empty() && memory.in_flight.EqualsNoCaseW(path.w_str());
}

// Nothing can be at `path` when this run made its folder and never tried to
// write it there (a failed write may leave part of a file).
bool SurelyAbsent(const String& path, const FolderMemory& memory) {
  if (memory.made.Count() == 0) return false;
  return FileSetHas(memory.made, ParentFolder(path)) && !FileSetHas(memory.source->lists->files_written, path) &&
         (memory.failed.Count() == 0 || !FileSetHas(memory.failed, path)) && !OnItsWay(path, memory);
}

// What is at the destination now: whether anything is, its last-write time,
// and (when the comparison needs it) its file version.
ExistingFile ReadExistingFile(const String& path, bool want_version, const FolderMemory& memory) {
  ExistingFile existing;
  if (SurelyAbsent(path, memory)) return existing;
  // A file this run wrote may still be on its way.
  if (OnItsWay(path, memory)) WaitForWritesBehind();
  // One look at the name tells both whether anything is there and its date.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(reinterpret_cast<const wchar_t*>(path.w_str()), GetFileExInfoStandard, &data)) {
    return existing;
  }
  existing.exists = true;
  const uint64_t time = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                        data.ftLastWriteTime.dwLowDateTime;
  existing.has_time = time != 0;
  if (existing.has_time) existing.time = FileDateFromFileTime(time);
  if (want_version) existing.version = FileVersion(path);
  return existing;
}

// Whether a file (not a folder) holds the name of `folder` or of a folder
// above it.
bool FileInTheWay(const String& folder) {
  for (String level = folder; !level.empty();) {
    const uint32_t attributes = GetAttributes(level.w_str());
    if (attributes != kNoAttributes) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    String parent = ParentFolder(level);
    if (parent.wlength() >= level.wlength()) break;
    level = static_cast<String&&>(parent);
  }
  return false;
}

// Makes the missing folders above `file`; the ones made are recorded for
// uninstall when `record`. A folder that cannot be made costs the entry.
bool MakeEntryFolder(const String& file, bool record, FolderMemory& memory) {
  const String folder = ParentFolder(file);
  if (folder.empty() || folder == memory.known_folder) return true;
  if (FolderExists(folder.w_str())) {
    memory.known_folder = folder;
    return true;
  }
  const Array<String> missing = MissingFolders(folder);
  if (!CreateFolder(folder.w_str())) {
    const uint32_t error = GetLastError();
    const String reason = FileInTheWay(folder) ? String(kFileInTheWayText) : SystemErrorTextW(error);
    AddFailureW(*memory.source->journal, FolderFailureText(MessageText(memory.source->product->languages, message_number::kFolderFailed), folder, reason, file).w_str());
    return false;
  }
  for (int32_t i = missing.Count() - 1; i >= 0; --i) {
    if (record) AddUninstallRecordW(memory.source->journal->records, missing[i], kRecordFolder);
    AddToFileSet(&memory.made, missing[i]);
  }
  memory.known_folder = folder;
  return true;
}

// The lists an entry joins by its destination alone, before any test of
// what is on the disk.
// A font the product did not bring: on the disk and registered before this
// installation, and not listed by an earlier installation of the product
// (whose list the run starts from). It stays at uninstall.
bool SomeoneElsesFont(const EntryRecord& entry, const String& path, const InstallLists& lists) {
  String pair;
  AddProductFont(&pair, entry.display_name(), entry.name);
  if (lists.product_fonts.Find(pair.c_str()) >= 0) return false;
  return GetAttributes(path.w_str()) != kNoAttributes && FontRegistered(Utf8ToUtf16(entry.display_name()));
}

void ListEntry(const EntryRecord& entry, const String& path, bool removable, InstallLists& lists) {
  if (ListsSharedFile(entry.kind, removable)) {
    lists.shared_listed.Add(SharedListing{MarkPath(path), SharedFileMark(entry.kind, entry.flags)});
  }
  if (entry.kind == entry_kind::kSystemCom) lists.com_servers.Add(path);
  if (entry.kind == entry_kind::kSystemTypeLibrary) lists.type_libraries.Add(path);
  if (entry.kind == entry_kind::kFont && !IsPermanent(entry.flags) && !SomeoneElsesFont(entry, path, lists)) {
    String pair;
    AddProductFont(&pair, entry.display_name(), entry.name);
    if (lists.product_fonts.Find(pair.c_str()) < 0) lists.product_fonts.Append(pair);
  }
}

// What follows a written (or, for an applet, staged) file.
void AfterWrite(const EntryRecord& entry, const String& name, const String& path, int32_t percent, bool pending,
                const InstallEntrySource& source, InstallLists& lists) {
  const InstallHooks& hooks = source.hooks;
  switch (entry.kind) {
    case entry_kind::kFont:
      ReportProgress(source.progress, percent, FontStatusText(MessageText(source.product->languages, message_number::kInstallingFont), name));
      RegisterFont(*source.journal, Utf8ToUtf16(entry.display_name()), name, path);
      lists.font_installed = true;
      break;
    case entry_kind::kDriver:
      lists.inf_files.Add(path);
      break;
    case entry_kind::kMsi: {
      const MsiRequest& request = lists.msi_packages.Add(MakeMsiRequest(entry, path, source.silent));
      if (hooks.install_msi) hooks.install_msi(request, source.progress, source.product->languages, *source.journal);
      break;
    }
    case entry_kind::kControlPanel: {
      const ControlPanelRequest& request = lists.control_panels.Add(MakeControlPanelRequest(entry, path, pending));
      if (hooks.register_control_panel) hooks.register_control_panel(request, source.progress, source.product->languages, *source.journal);
      break;
    }
    default:
      break;
  }
}

// The outcome of a write (a FolderMemory is the context). A file that holds
// its data is named in the detailed log, and the pending renames at the end
// must not undo it; one that does not is remembered as maybe there.
void FileDone(void* context, const String& path, const String& entry_name, bool written) {
  FolderMemory& memory = *static_cast<FolderMemory*>(context);
  if (OnItsWay(path, memory)) memory.in_flight.Clear();
  if (!written) {
    AddToFileSet(&memory.failed, path);
    return;
  }
  if (memory.source->product->settings.Flag(product_flag::kDetailedLog)) LogTextW(*memory.source->journal, WrittenFileLine(entry_name, path));
  AddToFileSet(&memory.source->lists->files_written, path);
}

// Files acted on right after writing are written at once (an INF file joins
// its list only once it is there); the others may be finished behind while
// the next entry is prepared.
bool WrittenAtOnce(uint32_t kind) {
  return kind == entry_kind::kFont || kind == entry_kind::kDriver || kind == entry_kind::kMsi ||
         kind == entry_kind::kControlPanel;
}

// The content of the entry at hand: in memory, or read from the file data
// while it is written.
class EntryContent final : public FileContent {
 public:
  EntryContent(FileDataDecoder& decoder, const InstallEntrySource& source, const EntryRecord& entry, int32_t size)
      : decoder_(decoder), source_(source), memory_(entry.content.data, static_cast<int64_t>(entry.content.length)),
        size_(size) {}

  int64_t length() const override { return decoder_.streaming() ? size_ : memory_.length(); }
  void Rewind() override {
    if (decoder_.streaming()) {
      decoder_.RewindContent();
    } else {
      memory_.Rewind();
    }
  }
  ByteSpan Next() override {
    if (!decoder_.streaming()) return memory_.Next();
    ByteSpan piece;
    StopOnDataError(decoder_.ReadContent(&piece), source_);
    return piece;
  }

 private:
  FileDataDecoder& decoder_;
  const InstallEntrySource& source_;
  MemoryContent memory_;
  int64_t size_;
};

// A file left as it was is the product's to remove in its own folders, or
// where an earlier installation of it took the file on; elsewhere (the
// system folder, Common Files) it belongs to whoever put it there.
bool TakesOnExistingFile(const String& path, const InstallEntrySource& source) {
  return IsSameOrBelow(path, source.install_folder) ||
         (!source.uninstall_folder.empty() && IsSameOrBelow(path, source.uninstall_folder)) ||
         (source.earlier_files && FileSetHas(*source.earlier_files, path));
}

void InstallEntry(const EntryRecord& entry, FileContent& content, int32_t index, const InstallEntrySource& source,
                  FolderMemory& memory) {
  const ProductSettings& settings = source.product->settings;
  InstallLists& lists = *source.lists;
  const bool removable = source.removable;
  const int32_t count = source.header->entry_count;
  Stop(CheckEntryFields(entry));

  const String name = EntryNameWide(entry.name);
  Destination destination;
  if (!ComputeDestination(entry.kind, entry.flags, name, entry.destination, memory.folders, ExpandVariables,
                          &destination)) {
    Stop(kCorruptEntryName);
  }
  const String& path = destination.path;
  const int32_t percent = FileProgress(index, count);
  const bool shows_name = ShowsFileName(settings.Flag(product_flag::kHideFileNames), entry.name);
  ReportProgress(source.progress, percent, shows_name ? path : MessageText(source.product->languages, message_number::kInstalling));
  ListEntry(entry, path, removable, lists);
  if (SkipsSilently(entry.flags)) return;

  EntryFacts facts;
  facts.kind = entry.kind;
  facts.flags = entry.flags;
  facts.date = EntryDate(entry);
  if (IsVersionedKind(entry.kind)) facts.version = Utf8ToUtf16(entry.version);
  facts.removable = removable;
  const ExistingFile existing = ReadExistingFile(path, !facts.version.empty(), memory);
  const FileDecision decision = DecideFile(facts, path, existing);
  if (!decision.log.empty()) {
    // The file on its way says " >>> " first: the log keeps package order.
    WaitForWritesBehind();
    LogTextW(*source.journal, decision.log);
  }
  if (!decision.install) {
    if (decision.record_existing && TakesOnExistingFile(path, source)) {
      AddUninstallRecordW(source.journal->records, path, kRecordFile);
    }
    return;
  }

  // Shortcuts are asked for before the file is written: one that fails to
  // write still gets them.
  if (RequestsShortcut(entry.kind, entry.flags)) lists.shortcuts.Add(MakeShortcutRequest(entry, path));
  if (CreatesFolder(entry.kind, entry.flags, destination.from_override) &&
      !MakeEntryFolder(path, RecordsFolder(entry.kind, entry.flags), memory)) {
    return;
  }
  // Recorded before writing, so that a file that fails to write is listed.
  if (RecordsFile(entry.kind, entry.flags, removable)) AddUninstallRecordW(source.journal->records, path, kRecordFile);

  bool pending = false;
  const int32_t attributes = static_cast<int32_t>(entry.attributes);
  if (!WrittenAtOnce(entry.kind)) {
    // Noted as written only once its write has completed (FileDone).
    memory.in_flight = path;
    WritePackagedFileBehind(memory.rules, path, content, facts.date, attributes, existing.exists, &pending,
                            WriteDone{&FileDone, &memory, name});
    return;
  }
  const bool written = WritePackagedFile(memory.rules, path, content, facts.date, attributes, existing.exists, &pending);
  FileDone(&memory, path, name, written);
  if (!written && !(entry.kind == entry_kind::kControlPanel && pending)) return;
  AfterWrite(entry, name, path, percent, pending, source, lists);
  if (entry.kind == entry_kind::kMsi) Forget(memory);
}

// After the last entry: the file data must end with it.
void FinishEntries(const FileDataDecoder& decoder, const InstallEntrySource& source) {
  FinishWritesBehind();
  Stop(decoder.Finish());
  InstallLists& lists = *source.lists;
  ReportProgress(source.progress, kFilesDoneProgress, MessageText(source.product->languages, message_number::kInstalling));
  if (lists.font_installed) BroadcastFontChange();
  CleanPendingOperations(*source.journal, lists.files_written, PendingCleanupMode::kInstall);
  ReportProgress(source.progress, kRenamesDoneProgress, String());
  // Counts are kept only for a product that can be uninstalled from a fixed drive.
  if (source.uninstall_supported && !source.removable) {
    const String& key_name = source.product->settings.UninstallKeyName;
    RaiseSharedFileCounts(*source.journal, lists.shared_listed, &lists.shared_files,
                          key_name.empty() ? String() : UninstallKeyPath(key_name));
  }
  ReportProgress(source.progress, kCountsDoneProgress, String());
}

}  // namespace

void InstallAllEntries(const InstallEntrySource& source) {
  const PackageHeader& header = *source.header;
  // Decompression runs ahead on a second thread while files are written.
  FileDataDecoder decoder(source.file_data->stored, source.coding, true);
  FolderMemory memory;
  memory.source = &source;
  memory.rules = FileWriteRulesOf(*source.product, *source.journal);
  memory.folders = CurrentFolders(source);
  // The set of files written never rehashes: size its table for the whole package.
  source.lists->files_written.RemoveAll(header.entry_count);
  for (int32_t i = 0; i < header.entry_count; ++i) {
    const int32_t size = header.content_size(i);
    EntryRecord entry;
    StopOnDataError(decoder.NextRecord(size, kStreamedContentAbove, &entry), source);
    EntryContent content(decoder, source, entry, size);
    InstallEntry(entry, content, i, source, memory);
    // A content that was skipped or written is read to its end and checked.
    StopOnDataError(decoder.FinishContent(), source);
  }
  FinishEntries(decoder, source);
}
