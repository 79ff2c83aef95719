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

  // How the file is held: written by us, others may only read it; or filled
  // by a program we start (an output capture), which may write it while we
  // hold it for reading only. Nobody may rename or delete it either way.
  // A file written by us is deleted by the system should the run end before
  // it is kept (Keep, Release): a killed run leaves none, and none that is
  // half written.
  enum class Holding { kWrittenByUs, kFilledByOthers };

  // Creates "<stem>-<16 random hex digits><extension>" in `folder`, writes
  // `bytes` (none for kFilledByOthers) and keeps the file open as `holding`
  // says. False with the system's last error when no such file could be
  // made.
  bool Create(const String& folder, const char16_t* stem, const char16_t* extension, const String& bytes,
              Holding holding = Holding::kWrittenByUs);
  // Appends `bytes` to the file while it is held.
  bool Write(const String& bytes);
  // The whole file as it is now, read from its start while it is held.
  bool ReadAll(String* bytes);
  // The file is complete: it stays should the run end now (a batch that
  // another program is to open while we hold it). False with the system's
  // last error.
  bool Keep();
  // Keeps the file and lets go of it without deleting it (for a batch that
  // removes itself); afterwards the object forgets it.
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
