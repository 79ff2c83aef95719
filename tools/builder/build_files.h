// The builder's own files: the product's sources it reads and the installer
// it writes. The system calls behind them differ between the host, where
// setup-builder runs, and Windows, where the end-to-end tests build.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "builder/package_writer.h"
#include "core/string.h"
#include "package/program_file.h"
#include "package/reader.h"

// "cannot <what> "<path>": <the system's reason>", from errno.
std::string FileFault(const char* what, const std::string& path);

// ": <the system's reason>" for the last failed call, from errno; empty when
// errno names none.
std::string SystemReason();

// Whole-file helpers for the command line and the tests.
bool ReadFileBytes(const std::string& path, String* bytes, std::string* error);
bool WriteFileBytes(const std::string& path, const String& bytes, std::string* error);
// Creates the file, failing when anything (a planted link, say) is there
// already: for the builder's temporary files, which it reads back or renames.
bool WriteNewFileBytes(const std::string& path, const String& bytes, std::string* error);

// Moves to a 64-bit offset; false with errno set when it cannot.
bool SeekFile(std::FILE* file, uint64_t offset);

// Opens a source file for reading. Fails, naming the file and the system's
// reason, unless it is a plain file; never waits on a pipe or a device put
// where a file was. *size is its size as opened.
std::FILE* OpenSourceFile(const std::string& path, uint64_t* size, std::string* error);

// An installer written straight to a new file, so that a large product is
// never held in memory.
class InstallerFile : public InstallerOutput {
 public:
  InstallerFile() = default;
  ~InstallerFile() override;
  InstallerFile(const InstallerFile&) = delete;
  InstallerFile& operator=(const InstallerFile&) = delete;

  // Creates the file, failing when anything (a planted link, say) is there
  // already: the builder renames it into place afterwards.
  bool Create(const std::string& path, std::string* error);
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t length, std::string* error) override;
  // Closes the file, reporting a write that failed only then.
  bool Close(std::string* error);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

// A built installer read back the way the runtime reads its own file: the
// file data by position, the package section through a read-only view whose
// pages take memory only where they are read (its header and settings). So
// checking a large installer never holds it in memory. (On Windows, where
// only the tests build installers, the file is read whole.)
class InstallerImage {
 public:
  InstallerImage() = default;
  ~InstallerImage();
  InstallerImage(const InstallerImage&) = delete;
  InstallerImage& operator=(const InstallerImage&) = delete;

  // Fails with the file and the system's reason.
  bool Open(const std::string& path, std::string* error);
  // Valid while this object lives.
  ProgramFile program();
  ByteSpan bytes() const { return span_; }

 private:
  int fd_ = -1;
  String whole_;
  ByteSpan span_;
};
