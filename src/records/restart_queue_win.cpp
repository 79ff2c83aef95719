#include <windows.h>

#include "records/restart_queue.h"

#include "core/codepage.h"
#include "core/file_errors.h"
#include "core/file_ops.h"
#include "core/full_path.h"
#include "core/os_facts.h"
#include "core/registry_win.h"
#include "core/system_folders.h"
#include "core/system_library_win.h"
#include "core/whole_file.h"
#include "core/wide_win.h"
#include "records/log_writers.h"

namespace {


bool Deferred() {
  SetLastError(kDeferredOperationError);
  return true;
}

String WindowsFile(const char16_t* name) {
  String path = FolderPath(FolderSource::kWindows);
  if (!path.EndsWithW(u"\\")) path.AppendW(u'\\');
  path.AppendW(name);
  return path;
}

// Systems that still run wininit.exe at start-up also read wininit.ini.
bool HasWininit() { return GetFileAttributesW(Wide(WindowsFile(u"wininit.exe").w_str())) != INVALID_FILE_ATTRIBUTES; }

// MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT; a null target deletes.
// Looked up, as systems of the 9x family lack it. False with the system's
// error, or ERROR_CALL_NOT_IMPLEMENTED when there is no such function.
bool AskSystem(const String& source, const String* target) {
  using MoveFileExFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  static const auto move = LoadedSystemFunction<MoveFileExFn>(L"kernel32.dll", "MoveFileExW");
  if (!move) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  const DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (target ? MOVEFILE_REPLACE_EXISTING : 0);
  return move(Wide(source.w_str()), target ? Wide(target->w_str()) : nullptr, flags) != FALSE;
}

// Adds "target=source" to wininit.ini; the target is "NUL" for a deletion.
bool AddToWininit(const String& source, const String* target) {
  const String file = WindowsFile(u"wininit.ini");
  String content;
  const int read = ReadWholeFile(file.w_str(), content);
  if (read != kFileOk && GetFileAttributesW(Wide(file.w_str())) != INVALID_FILE_ATTRIBUTES) return false;
  const String target_text = target ? Utf16ToAnsi(*target) : String(kWininitDeleteTarget);
  AddWininitRename(&content, target_text, Utf16ToAnsi(source));
  return WriteWholeFile(file.w_str(), content.c_str(), content.length()) == kFileOk;
}

bool AtRestart(const String& given_source, const String* given_target) {
  const String source = FullPathName(given_source);
  const String target = given_target ? FullPathName(*given_target) : String();
  if (source.empty() || (given_target && target.empty())) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  const String* target_or_none = given_target ? &target : nullptr;
  if (IsNT()) {
    if (AskSystem(source, target_or_none)) return Deferred();
    const DWORD error = GetLastError();
    if (!HasWininit()) {
      SetLastError(error);
      return false;
    }
  }
  return AddToWininit(source, target_or_none) && Deferred();
}

}  // namespace

bool MoveFileAtRestart(const String& source, const String& target) { return AtRestart(source, &target); }

bool DeleteFileAtRestart(const String& path) { return AtRestart(path, nullptr); }

namespace {

// SYSTEM is shared by both registry views; no redirection applies.
constexpr RegView kSessionManagerView = RegView::kDefault;

// The queue as pairs; false when there is none or it is not a list.
bool ReadQueue(RegistryKey& key, Vector<PendingRename>* pairs) {
  RegValue value;
  if (!key.ReadValue(kPendingRenamesValue, &value, 0) || value.type != kRegMultiSz) return false;
  ParsePendingRenames(value.data, pairs);
  return pairs->Count() > 0;
}

void WriteQueue(RegistryKey& key, const Vector<PendingRename>& pairs) {
  // The system removes the value once it has done the work; an empty queue
  // is left the same way.
  if (pairs.IsEmpty()) {
    key.DeleteValue(kPendingRenamesValue, 0);
    return;
  }
  const String data = EncodePendingRenames(pairs);
  key.WriteValue(kPendingRenamesValue, kRegMultiSz, data.c_str(), static_cast<uint32_t>(data.length()), 0);
}

}  // namespace

void CleanPendingOperations(Journal& journal, const FileSet& files, PendingCleanupMode mode) {
  RegistryKey key;
  if (!key.Open(RegRoot::kLocalMachine, kSessionManagerKey, kRegOpenOnly | kRegNoStack, KEY_READ | KEY_SET_VALUE,
                kSessionManagerView)) {
    return;
  }
  Vector<PendingRename> pairs;
  if (!ReadQueue(key, &pairs)) return;
  const PendingCleanup cleanup = DropPendingOperations(&pairs, files);
  for (const String& source : cleanup.orphaned_sources) DeleteFile(source.w_str(), kDeleteToRecycleBin);
  if (cleanup.changed) WriteQueue(key, pairs);
  if (mode == PendingCleanupMode::kInstall) {
    LogTextW(journal, u"\r\n");
    LogTextW(journal, cleanup.log);
  }
}
