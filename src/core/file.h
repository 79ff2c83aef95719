// The file object: opens a file with the compact flag word of file_flags.h and
// reads and writes blocks. An attached stream (file_stream.h) replaces the
// system handle, so code that reads or writes blocks works the same on bytes
// held in memory.
//
// Every failing operation leaves a readable text in error(): a file error
// table text, one of the block messages ("Read past end of file", ...) or the
// system's own message for its last error.
#pragma once

#include <cstdint>

#include "core/file_errors.h"
#include "core/file_flags.h"
#include "core/file_stream.h"
#include "core/string.h"

class File {
 public:
  // Data goes to the system in pieces of at most this many bytes.
  static constexpr int32_t kWritePiece = 0x100000;

  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `name` (8-bit, or UTF-16 with kOpenWideName) and returns a file
  // error code; the system's text of a failure stays in error() and the
  // system's error in the thread's last error. With kOpenRequired a failure
  // does not return. Any file open before is closed first. The wide form
  // adds kOpenWideName itself. Windows only.
  int Open(const String& name, uint32_t flags);
  int Open(const char16_t* name, uint32_t flags);
  // Open with kOpenRequired.
  int OpenRequired(const String& name, uint32_t flags);
  int OpenRequired(const char16_t* name, uint32_t flags);

  // Closes the handle or detaches the stream; harmless when nothing is open.
  void Close();
  // For a file opened with kOpenUntilKept: whether it stays when its handle
  // closes (Keep(false) lets it go again). False when the system refuses.
  bool Keep(bool keep = true);
  // Gives the open file (kOpenUntilKept) the full name `target` (UTF-16),
  // replacing a file of that name when `replace`. False with the system's
  // last error; the file then keeps its name.
  bool Rename(const String& target, bool replace);
  // Gives the open file (kOpenDeleteOnClose) the full name `target` as a
  // second name (a hard link), replacing a file of that name when
  // `replace`; the name it was opened by still goes as the handle closes.
  // False with the system's last error.
  bool Link(const String& target, bool replace);
  // Whether the file was opened with kOpenDeleteOnClose.
  bool Linked() const { return delete_on_close_; }
  bool IsOpen() const { return os_.ops != nullptr || stream_.ops != nullptr; }

  // Uses `stream` instead of a handle, with read and write access where its
  // table has the operation. Closes what was open before.
  void AttachStream(FileStream stream);

  // Reads exactly `size` bytes; a short read fails with "Read past end of
  // file". Size 0 succeeds.
  bool ReadExact(void* buffer, int32_t size);
  // Reads up to `size` (> 0) bytes; returns the count read, 0 at the end and
  // on failure.
  int32_t ReadUpTo(void* buffer, int32_t size);
  // Writes all `size` bytes, in pieces of at most kWritePiece. Size 0 succeeds.
  bool Write(const void* data, int32_t size);
  // Moves the position by `distance` bytes; SeekTo moves it to a position.
  bool Seek(int64_t distance);
  bool SeekTo(int64_t position);
  // The position, or -1 on failure.
  int64_t Position();
  // The size in bytes, or -1 on failure; the position is kept.
  int64_t Size();
  // Reads everything from the position to the end into `out`, sized exactly.
  // Returns kFileOk, kFileTooLarge (2 GiB or more, or no memory for it) or
  // kFileNotLoaded (the read failed); `out` is emptied on failure.
  int ReadAll(String& out);

  // The name as opened (for the temporary forms: the name made), 8-bit in the
  // ANSI code page and UTF-16.
  const String& name() const { return name_; }
  const String& wname() const { return wname_; }
  bool can_read() const { return can_read_; }
  bool can_write() const { return can_write_; }
  const String& error() const { return error_; }
  // The system handle (a HANDLE), null while closed or streaming.
  void* handle() const { return os_.context; }
  // How many write calls went to the system or the stream since the file was
  // opened.
  int32_t write_calls() const { return write_calls_; }

 private:
  // The table and context that serve reads: the loaded copy, the stream or
  // the handle.
  FileStream ReadSide();
  // The table and context that take writes: the stream or the handle.
  FileStream WriteSide() const;
  bool CheckOpen();
  bool SeekFrom(int64_t distance, SeekOrigin origin);
  bool WritePieces(FileStream side, const uint8_t* data, int32_t size);
  bool LoadIntoMemory();
  void SetError(const char* text);
  void SetFailureText(FileStream side, const char* fallback);

  // Windows parts.
  int OpenNamed(const String& name, uint32_t flags);
  int FinishOpen(uint32_t flags);

  // The system's table with the handle as context, while a file is open.
  FileStream os_;
  FileStream stream_;
  // The whole file, for files opened with kOpenLoadIntoMemory.
  MemoryStream loaded_;
  bool is_loaded_ = false;
  String name_;
  String wname_;
  bool can_read_ = false;
  bool can_write_ = false;
  String error_;
  int32_t write_calls_ = 0;
  bool delete_on_close_ = false;
};

// Reports a required file that cannot be opened through the fatal path:
// "Failed to open required file:\r\n<name>\r\n\r\n<code's text>".
[[noreturn]] void FailRequiredFile(const String& wide_name, int code);
