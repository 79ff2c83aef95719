#include <windows.h>
#include <shlobj.h>

#include "actions/merge_file.h"
#include "actions/registry_entries.h"
#include "actions/registry_work.h"
#include "records/restart_queue.h"
#include "core/codepage.h"
#include "core/path_rules.h"
#include "core/string_split.h"
#include "core/process_win.h"
#include "core/registry_win.h"
#include "core/system_error_text.h"
#include "core/system_folders.h"
#include "core/temp_files.h"
#include "core/whole_file.h"
#include "package/variables.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "records/record_refusal.h"
#include "records/uninstall_records.h"

namespace {

constexpr uint32_t kOpenOptions = kRegNoStack;

// The keys a path stands for: one, or the same subkey in every user's hive.
struct KeyTargets {
  RegRoot root = RegRoot::kNone;
  bool every_user = false;  // a hive that cannot be opened is passed over
  Array<String> subkeys;
};

bool ResolveKey(const String& path, KeyTargets* targets) {
  RegPath parsed;
  if (!ParseRegKeyPath(path.w_str(), &parsed)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  targets->root = parsed.root;
  if (!parsed.all_users) {
    targets->subkeys.Add(parsed.subkey);
    return true;
  }
  targets->root = RegRoot::kUsers;
  targets->every_user = true;
  Array<String> hives;
  UserHives(&hives);  // a hive that cannot be read is passed over below
  for (int32_t i = 0; i < hives.Count(); ++i) {
    targets->subkeys.Add(UserHiveSubkey(hives[i].w_str(), parsed.subkey.w_str()));
  }
  return true;
}

void ReportKeyFailure(Journal& journal, const String& key) {
  AddFailureFormatW(journal, u"Failed to create registry key: %s\r\n", key.w_str());
}

void ReportValueFailure(Journal& journal, const String& name, uint32_t error) {
  const String reason = SystemErrorTextW(error);
  AddFailureFormatW(journal, u"Failed to create registry value \"%s\": %s\r\n", name.w_str(), reason.w_str());
}

void CreateEntryKey(Journal& journal, const String& path, RegView view) {
  KeyTargets targets;
  if (!ResolveKey(path, &targets)) return ReportKeyFailure(journal, path);
  for (int32_t i = 0; i < targets.subkeys.Count(); ++i) {
    RegistryKey key;
    if (key.Open(targets.root, targets.subkeys[i].w_str(), kOpenOptions, kRegWriteAccess, view) ==
            RegistryKey::kFailed &&
        !targets.every_user) {
      ReportKeyFailure(journal, path);
    }
  }
}

void DeleteEntryValue(const RegistryEntry& entry, RegView view) {
  KeyTargets targets;
  if (!ResolveKey(entry.key, &targets)) return;
  for (int32_t i = 0; i < targets.subkeys.Count(); ++i) {
    RegistryKey key;
    if (key.Open(targets.root, targets.subkeys[i].w_str(), kOpenOptions | kRegOpenOnly, kRegWriteAccess, view) !=
        RegistryKey::kFailed) {
      key.DeleteValue(entry.name.w_str(), 0);
    }
  }
}

void WriteEntryValue(Journal& journal, const RegistryEntry& entry, RegView view) {
  String text = entry.data;
  if (entry.type == kRegSz) ExpandVariables(text);
  String data;
  if (!BuildEntryData(entry.type, text, &data)) return ReportValueFailure(journal, entry.name, ERROR_INVALID_DATA);
  KeyTargets targets;
  if (!ResolveKey(entry.key, &targets)) return ReportKeyFailure(journal, entry.key);
  const uint32_t options = entry.action == static_cast<int32_t>(EntryAction::kWriteIfMissing) ? static_cast<uint32_t>(kRegNoOverwrite) : 0u;
  const uint32_t size = RegWriteSize(entry.type, data.length());
  for (int32_t i = 0; i < targets.subkeys.Count(); ++i) {
    RegistryKey key;
    if (key.Open(targets.root, targets.subkeys[i].w_str(), kOpenOptions, kRegWriteAccess, view) ==
        RegistryKey::kFailed) {
      if (!targets.every_user) ReportKeyFailure(journal, entry.key);
      continue;
    }
    if (!key.WriteValue(entry.name.w_str(), entry.type, data.c_str(), size, options)) {
      ReportValueFailure(journal, entry.name, GetLastError());
    }
  }
}

void ApplyEntry(Journal& journal, const RegistryEntry& entry, const String& line, RegView view) {
  switch (entry.form) {
    case EntryForm::kKey:
      if (!entry.key.empty()) CreateEntryKey(journal, entry.key, view);
      return;
    case EntryForm::kValue:
      if (EntryDeletes(entry.action)) DeleteEntryValue(entry, view);
      if (EntryWrites(entry.action)) WriteEntryValue(journal, entry, view);
      return;
    case EntryForm::kIllegal:
      AddFailureFormatW(journal, u"Illegal registry entry: %s\r\n", line.w_str());
      return;
  }
}

// The line as written, without its line break, for the illegal-entry text.
String EntryLine(const String& entries, int32_t start, int32_t end) {
  String line(entries.w_str() + start, end - start);
  line.TrimEndW(u"\r\n");
  return line;
}

// The merge file's bytes as the registry editor reads them: UTF-16 with its mark.
String MergeFileBytes(const String& text) {
  String bytes;
  if (!text.StartsWithW(u"\xFEFF")) bytes.AppendW(u'\xFEFF');
  bytes.AppendW(text.w_str(), text.wlength());
  return bytes;
}

// The registry editor by its full path, so that no program of the same name
// beside the installer (a download folder) is started instead.
String RegistryEditorCommand(const String& file) {
  String command(u"\"");
  command.Append(JoinPath(FolderPath(FolderSource::kWindows), u"regedit.exe"));
  command.AppendW(u"\" /s \"");
  command.Append(file);
  command.AppendW(u"\"");
  return command;
}

// The first key of `path` that is not there yet; empty when all are. Only
// the first needs a record: the uninstaller deletes it with what it holds.
String FirstMissingKey(const RegPath& path, RegView view) {
  String subkey;
  for (const String& part : SplitW(path.subkey, u"\\")) {
    if (part.empty()) continue;
    if (!subkey.empty()) subkey.AppendW(u'\\');
    subkey.Append(part);
    if (!KeyExists(path.root, subkey.w_str(), kRegReadOnly, view)) return RegPathText(path.root, subkey.w_str());
  }
  return String();
}

bool ValueThere(const RegPath& path, const String& name, RegView view) {
  RegistryKey key;
  return key.Open(path.root, path.subkey.w_str(), kOpenOptions | kRegOpenOnly, kRegReadAccess, view) !=
             RegistryKey::kFailed &&
         key.ValueExists(name.w_str());
}

// Recorded before the registry editor runs: the keys the merge file makes
// and the values it adds to keys that were there. The values it changes keep
// their new data. A top key (one the uninstaller refuses) is not recorded.
void RecordMergeFileWrites(Journal& journal, const String& merge_file, RegView view) {
  const int32_t key_kind = view == RegView::k64 ? kRecordRegistryKey64 : kRecordRegistryKey;
  Array<String> new_keys;
  for (const MergeWrite& write : MergeFileWrites(merge_file)) {
    RegPath path;
    if (!ParseRegKeyPath(write.key.w_str(), &path) || path.all_users) continue;
    const String missing = FirstMissingKey(path, view);
    if (!missing.empty()) {
      bool known = false;
      for (const String& made : new_keys) known = known || made == missing;
      if (!known && !IsTopRegistryKey(missing)) {
        new_keys.Add(missing);
        AddUninstallRecordW(journal.records, missing, key_kind);
      }
      continue;
    }
    if (write.value && !IsTopRegistryKey(write.key) && !ValueThere(path, write.value_name, view)) {
      AddUninstallRecordW(journal.records, RegPathText(path.root, path.subkey.w_str(), write.value_name.w_str()),
                          kRecordRegistryValue);
    }
  }
}

}  // namespace

void CreateProductKey(Journal& journal, const String& product_registry, RegView view) {
  if (product_registry.empty()) return;
  String subkey(u"Software\\");
  subkey.Append(product_registry);
  Array<String> hives;
  UserHives(&hives);
  for (int32_t i = 0; i < hives.Count(); ++i) {
    RegistryKey key;
    key.Open(RegRoot::kUsers, UserHiveSubkey(hives[i].w_str(), subkey.w_str()).w_str(), kOpenOptions,
             kRegAllUsersAccess, view);
  }
  RegistryKey key;
  if (key.Open(RegRoot::kLocalMachine, subkey.w_str(), kOpenOptions, kRegWriteAccess, view) == RegistryKey::kFailed) {
    const uint32_t error = GetLastError();
    const String reason = SystemErrorTextW(error);
    AddFailureFormatW(journal, u"Error creating registry keys at \\Software\\%s\r\nCode %d: %s\r\n\r\n",
                      product_registry.w_str(), static_cast<int>(error), reason.w_str());
  }
}

void ApplyRegistryEntries(Journal& journal, const String& entries, RegView view) {
  int32_t position = 0;
  RegistryEntry entry;
  for (;;) {
    const int32_t start = position;
    if (!ReadRegistryEntry(entries, &position, &entry)) break;
    ApplyEntry(journal, entry, EntryLine(entries, start, position), view);
  }
}

void ImportMergeFile(Journal& journal, const String& merge_file, RegView view) {
  if (merge_file.empty()) return;
  // A new folder of our own, so that no other process can have planted or
  // can swap the file the registry editor reads.
  const String folder = TemporarySubfolder();
  const String file = folder.empty() ? String() : JoinPath(folder, u"Merge.reg");
  const String bytes = MergeFileBytes(merge_file);
  if (file.empty() || WriteWholeFile(file.w_str(), bytes.c_str(), bytes.length()) != 0) {
    const String reason = LastErrorTextW();
    AddFailureFormatW(journal, u"Failed to create the registry merge file: %s\r\n", reason.w_str());
    return;
  }
  RecordMergeFileWrites(journal, merge_file, view);
  LogTextW(journal, u"Merging registry file...");
  if (RunProcess(RegistryEditorCommand(file).w_str(), 0) != kRunNotStarted) {
    LogOk(journal);
  } else {
    const String reason = LastErrorTextW();
    LogFailedBang(journal);
    LogFormatW(journal, u"%s\r\n", reason.w_str());
    AddFailureFormatW(journal, u"Failed to import the registry merge file: %s\r\n", reason.w_str());
  }
  // The registry editor may still be reading it.
  DeleteFileAtRestart(file);
  DeleteFileAtRestart(folder);
}

void ApplyRegistryWork(const RegistryWorkInputs& inputs) {
  Journal& journal = *inputs.journal;
  CreateProductKey(journal, inputs.product_registry, inputs.view);
  ApplyRegistryEntries(journal, inputs.entries, inputs.view);
  ImportMergeFile(journal, inputs.merge_file, inputs.view);
  if (inputs.associations_allowed) ApplyAssociations(inputs);
}
