#include <windows.h>

#include "actions/file_date.h"
#include "actions/file_install.h"
#include "actions/file_install_rules.h"
#include "actions/file_version.h"
#include "actions/file_writer.h"
#include "actions/fonts.h"
#include "actions/install_hooks.h"
#include "actions/install_lists.h"
#include "actions/shared_dlls.h"
#include "core/codepage.h"
#include "core/file_ops.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "package/corrupt.h"
#include "package/corrupt_report.h"
#include "package/entry_queue.h"
#include "package/entry_record.h"
#include "package/locator.h"
#include "package/settings_state.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/marked_path.h"
#include "records/uninstall_records.h"
#include "setup/install_state.h"
#include "setup/run_state.h"
#include "uninstall/pending_renames.h"

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

DestinationFolders CurrentFolders() {
  const InstallState& state = TheInstall();
  DestinationFolders folders;
  folders.install = state.install_folder_full.empty() ? state.install_folder : state.install_folder_full;
  folders.shared = state.shared_folder;
  folders.uninstall = state.uninstall_folder;
  folders.fonts = FolderPath(FolderSource::kFonts);
  folders.system = FolderPath(FolderSource::kSystem);
  folders.portable_shared = state.portable && !Settings().SharedSubfolder.empty() && !state.shared_folder.empty();
  return folders;
}

bool IsFolder(const String& path) {
  const uint32_t attributes = GetAttributes(path.w_str());
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// What the file phase knows of the folders it writes into. Looking a name up
// costs far more under some systems than writing a small file (a missing
// name is searched for in every spelling), so what this run has seen is not
// asked again.
struct FolderMemory {
  DestinationFolders folders;
  FileSet made;         // folders this run created: nothing is in them but what it wrote
  String known_folder;  // the folder the last entry was written into
};

// Nothing can be at `path` when this run made its folder and did not write
// it there.
bool SurelyAbsent(const String& path, const FolderMemory& memory) {
  if (memory.made.Count() == 0) return false;
  return FileSetHas(memory.made, ParentFolder(path)) && !FileSetHas(TheInstallLists().files_written, path);
}

// What is at the destination now: whether anything is, its last-write time,
// and (when the comparison needs it) its file version.
ExistingFile ReadExistingFile(const String& path, bool want_version, const FolderMemory& memory) {
  ExistingFile existing;
  if (SurelyAbsent(path, memory)) return existing;
  // A file this run wrote may still be on its way.
  if (FileSetHas(TheInstallLists().files_written, path)) WaitForWritesBehind();
  if (GetAttributes(path.w_str()) == kNoAttributes) return existing;
  existing.exists = true;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(reinterpret_cast<const wchar_t*>(path.w_str()), GetFileExInfoStandard, &data)) {
    const uint64_t time = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                          data.ftLastWriteTime.dwLowDateTime;
    existing.has_time = time != 0;
    if (existing.has_time) existing.time = FileDateFromFileTime(time);
  }
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
  if (IsFolder(folder)) {
    memory.known_folder = folder;
    return true;
  }
  Array<String> missing;  // deepest first
  for (String level = folder; !level.empty() && GetAttributes(level.w_str()) == kNoAttributes;) {
    missing.Add(level);
    String parent = ParentFolder(level);
    if (parent.wlength() >= level.wlength()) break;
    level = static_cast<String&&>(parent);
  }
  if (!CreateFolder(folder.w_str())) {
    const uint32_t error = GetLastError();
    const String reason = FileInTheWay(folder) ? String(kFileInTheWayText) : SystemErrorTextW(error);
    AddFailureW(FolderFailureText(Message(kFolderFailedMessage), folder, reason, file).w_str());
    return false;
  }
  for (int32_t i = missing.Count() - 1; i >= 0; --i) {
    if (record) AddUninstallRecordW(missing[i], kRecordFolder);
    AddToFileSet(&memory.made, missing[i]);
  }
  memory.known_folder = folder;
  return true;
}

// Step 4 of an entry: the lists decided from its destination alone, before
// any test of what is on the disk.
void ListEntry(const EntryRecord& entry, const String& path, bool removable, InstallLists& lists) {
  if (ListsSharedFile(entry.kind, removable)) {
    lists.shared_listed.Add(SharedListing{MarkPath(path), SharedFileMark(entry.kind, entry.flags)});
  }
  if (entry.kind == kFileKindCom) lists.com_servers.Add(path);
  if (entry.kind == kFileKindTypeLibrary) lists.type_libraries.Add(path);
  if (entry.kind == kFileKindFont && !IsPermanent(entry.flags)) {
    AddProductFont(&lists.product_fonts, entry.version, entry.name);
  }
}

// What follows a written (or, for an applet, staged) file.
void AfterWrite(const EntryRecord& entry, const String& name, const String& path, int32_t percent, bool pending,
                InstallLists& lists) {
  const InstallHooks& hooks = TheInstallHooks();
  switch (entry.kind) {
    case kFileKindFont:
      ReportProgress(percent, FontStatusText(Message(kInstallingFontMessage), name));
      RegisterFont(Utf8ToUtf16(entry.version), name, path);
      lists.font_installed = true;
      break;
    case kFileKindDriver:
      lists.inf_files.Add(path);
      break;
    case kFileKindMsi: {
      const MsiRequest& request = lists.msi_packages.Add(MakeMsiRequest(entry, path, TheRun().args.silent));
      if (hooks.install_msi) hooks.install_msi(request);
      break;
    }
    case kFileKindControlPanel: {
      const ControlPanelRequest& request = lists.control_panels.Add(MakeControlPanelRequest(entry, path, pending));
      if (hooks.register_control_panel) hooks.register_control_panel(request);
      break;
    }
    default:
      break;
  }
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

void InstallEntry(const EntryRecord& entry, FileContent& content, int32_t index, int32_t count,
                  FolderMemory& memory) {
  const ProductSettings& settings = Settings();
  InstallLists& lists = TheInstallLists();
  const bool removable = TheInstall().portable;
  Stop(CheckEntryFields(entry));

  const String name = EntryNameWide(entry.name);
  Destination destination;
  if (!ComputeDestination(entry.kind, entry.flags, name, entry.destination, memory.folders, ExpandVariables,
                          &destination)) {
    Stop(kCorruptEntryName);
  }
  const String& path = destination.path;
  const int32_t percent = FileProgress(index, count);
  const bool shows_name = ShowsFileName(settings.Flag(file_install_flag::kHideFileNames), entry.name);
  ReportProgress(percent, shows_name ? path : Message(kInstallingMessage));
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
  if (!decision.log.empty()) LogTextW(decision.log);
  if (!decision.install) {
    if (decision.record_existing) AddUninstallRecordW(path, kRecordFile);
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
  if (RecordsFile(entry.kind, entry.flags, removable)) AddUninstallRecordW(path, kRecordFile);

  bool pending = false;
  // Files that are acted on right after writing are written at once; the
  // others may be finished behind while the next entry is prepared.
  const bool acted_on = entry.kind == kFileKindFont || entry.kind == kFileKindMsi ||
                        entry.kind == kFileKindControlPanel;
  const int32_t attributes = static_cast<int32_t>(entry.attributes);
  const bool written = acted_on ? WritePackagedFile(path, content, facts.date, attributes, existing.exists, &pending)
                                : WritePackagedFileBehind(path, content, facts.date, attributes, existing.exists,
                                                          &pending);
  if (written && settings.Flag(file_install_flag::kDetailedLog)) LogTextW(WrittenFileLine(name, path));
  if (!written && !(entry.kind == kFileKindControlPanel && pending)) return;
  AfterWrite(entry, name, path, percent, pending, lists);
  if (written) AddToFileSet(&lists.files_written, path);
}

// After the last entry: the file data must end with it.
void FinishEntries(const FileDataDecoder& decoder) {
  FinishWritesBehind();
  Stop(decoder.Finish());
  InstallLists& lists = TheInstallLists();
  ReportProgress(kFilesDoneProgress, Message(kInstallingMessage));
  if (lists.font_installed) BroadcastFontChange();
  CleanPendingOperations(lists.files_written, PendingCleanupMode::kInstall);
  ReportProgress(kRenamesDoneProgress, String());
  RaiseSharedFileCounts(lists);
  ReportProgress(kCountsDoneProgress, String());
}

}  // namespace

void InstallAllEntries(const InstallEntrySource& source) {
  const PackageHeader& header = *source.header;
  // Decompression runs ahead on a second thread while files are written.
  FileDataDecoder decoder(source.file_data->stored, source.coding, true);
  FolderMemory memory;
  memory.folders = CurrentFolders();
  // The set of files written never rehashes: size its table for the whole package.
  TheInstallLists().files_written.RemoveAll(header.entry_count);
  for (int32_t i = 0; i < header.entry_count; ++i) {
    const int32_t size = header.content_size(i);
    EntryRecord entry;
    StopOnDataError(decoder.NextRecord(size, kStreamedContentAbove, &entry), source);
    EntryContent content(decoder, source, entry, size);
    InstallEntry(entry, content, i, header.entry_count, memory);
    // A content that was skipped or written is read to its end and checked.
    StopOnDataError(decoder.FinishContent(), source);
  }
  FinishEntries(decoder);
}
