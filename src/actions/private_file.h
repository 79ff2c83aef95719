// Files that we write and then run or read back (batch files, their output
// capture). Such a file must be ours from its creation to its use: it is
// created new under a name nobody can predict, never opened when a file of
// that name is already there, and while we hold it nobody else may write,
// rename or delete it.
#pragma once

#include <cstdint>

#include "core/string.h"

class PrivateFile {
 public:
  PrivateFile() = default;
  ~PrivateFile();
  PrivateFile(const PrivateFile&) = delete;
  PrivateFile& operator=(const PrivateFile&) = delete;

  // Creates "<stem>-<16 random hex digits><extension>" in `folder`, writes
  // `bytes` and keeps the file open, readable by others but not writable.
  // False with the system's last error when no such file could be made.
  bool Create(const String& folder, const char16_t* stem, const char16_t* extension, const String& bytes);
  // Appends `bytes` to the file while it is held.
  bool Write(const String& bytes);
  // Lets go of the file without deleting it (for a batch that removes
  // itself); afterwards the object forgets it.
  void Release();
  // Closes and deletes the file.
  void Remove();

  const String& path() const { return path_; }

 private:
  void* handle_ = nullptr;  // a HANDLE; null when none
  String path_;
};

// "<stem>-" and 16 hex digits of `random` and the extension: the name part.
String PrivateFileName(const char16_t* stem, uint64_t random, const char16_t* extension);
