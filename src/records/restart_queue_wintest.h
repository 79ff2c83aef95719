// The system's queue of operations at restart, as the Windows tests see it:
// read it, put pairs on it, and take a test's own pairs off again, so that
// nothing a test queued is ever carried out when the prefix starts anew.
#pragma once

#include <windows.h>

#include <string>

#include "core/registry_win.h"
#include "records/restart_queue.h"

inline Vector<PendingRename> ReadPendingQueue() {
  Vector<PendingRename> pairs;
  RegistryKey key;
  RegValue value;
  if (key.Open(RegRoot::kLocalMachine, kSessionManagerKey, kRegOpenOnly | kRegNoStack, KEY_READ, RegView::kDefault) &&
      key.ReadValue(kPendingRenamesValue, &value, 0)) {
    ParsePendingRenames(value.data, &pairs);
  }
  return pairs;
}

inline void WritePendingQueue(const Vector<PendingRename>& pairs) {
  RegistryKey key;
  if (!key.Open(RegRoot::kLocalMachine, kSessionManagerKey, kRegOpenOnly | kRegNoStack, KEY_READ | KEY_SET_VALUE,
                RegView::kDefault)) {
    return;
  }
  if (pairs.IsEmpty()) {
    key.DeleteValue(kPendingRenamesValue, 0);
    return;
  }
  const String data = EncodePendingRenames(pairs);
  key.WriteValue(kPendingRenamesValue, kRegMultiSz, data.c_str(), static_cast<uint32_t>(data.length()), 0);
}

// Whether a stored path lies in `folder` (any case, prefixes ignored).
inline bool PendingPathIn(const String& stored, const std::wstring& folder) {
  const String path = FoldedPath(WithoutPendingPrefix(stored));
  const String wanted = FoldedPath(String(reinterpret_cast<const char16_t*>(folder.c_str())));
  return !wanted.empty() && path.StartsWithW(wanted.w_str());
}

// The queued pairs whose source or target lies in `folder`.
inline Vector<PendingRename> PendingPairsIn(const std::wstring& folder) {
  Vector<PendingRename> found;
  for (const PendingRename& pair : ReadPendingQueue()) {
    if (PendingPathIn(pair.source, folder) || PendingPathIn(pair.target, folder)) found.Add(pair);
  }
  return found;
}

// Takes every pair that touches `folder` off the queue.
inline void ForgetPendingPairsIn(const std::wstring& folder) {
  Vector<PendingRename> kept;
  for (const PendingRename& pair : ReadPendingQueue()) {
    if (!PendingPathIn(pair.source, folder) && !PendingPathIn(pair.target, folder)) kept.Add(pair);
  }
  WritePendingQueue(kept);
}

// Adds pairs at the end of the queue.
inline void QueuePendingPairs(const Vector<PendingRename>& added) {
  Vector<PendingRename> pairs = ReadPendingQueue();
  for (const PendingRename& pair : added) pairs.Add(pair);
  WritePendingQueue(pairs);
}
