#include <windows.h>

#include "core/file_ops.h"
#include "core/registry_win.h"
#include "records/log_writers.h"
#include "uninstall/pending_renames.h"

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

void CleanPendingOperations(const FileSet& files, PendingCleanupMode mode) {
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
    LogTextW(u"\r\n");
    LogTextW(cleanup.log);
  }
}
