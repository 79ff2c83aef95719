// File error codes: one numbered set with fixed English texts, returned by the
// open and whole-file operations and shown in error reports. The numbers are
// stored in logs and compared by callers, so they never change meaning.
#pragma once

#include <cstdint>

#include "core/string.h"

enum FileError : int {
  kFileOk = 0,
  kFileUnknownError = 1,
  kFileBadName = 2,
  kFileNotFound = 3,
  kFileNoFolder = 4,
  kFileLocked = 5,
  kFileNotLoaded = 6,
  kFileNotWritten = 7,
  kFileTooManyOpen = 8,
  kFileBadParameter = 9,
  kFileExists = 10,
  kFileTooManyIndexed = 11,
  kFileAccessDenied = 12,
  kFileReadOnly = 13,
  kFileCorrupted = 14,
  kFileDeleteFailed = 15,
  kFileTooLarge = 16,
  kFileAborted = 17,
  kFileFolderNotCreated = 18,
  kFileBadNetworkPath = 19,
  kFileNotReady = 20,
  kFileNoDrive = 21,
  kFileEraseNotVerified = 22,
};

// The table text of a code; any number outside the table gives the text of
// code 1. Never null.
const char* ErrorText(int code);
// The same text as UTF-16.
String ErrorString(int code);

// The system error numbers the file layer reasons about. They are the
// Windows values, named here so that portable code can map them.
namespace os_error {
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kTooManyOpenFiles = 4;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidDrive = 15;
constexpr uint32_t kNotReady = 21;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kFileExists = 80;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kInvalidName = 123;
constexpr uint32_t kBadPathname = 161;
constexpr uint32_t kAlreadyExists = 183;
constexpr uint32_t kDirectory = 267;
constexpr uint32_t kCancelled = 1235;
}  // namespace os_error

// What the open knew about the name when the system refused it; both facts
// change the code a bare system error would give.
struct OpenFailureFacts {
  // The name starts with a drive letter and colon, and that drive does not exist.
  bool drive_missing = false;
  // Write access was asked and the file carries the read-only attribute.
  bool write_to_read_only = false;
};

// The file error code for a system error of an open.
int FileErrorFromOsError(uint32_t os_error, const OpenFailureFacts& facts);

// The drive letter's index (0 for A) when `name` starts with a letter and a
// colon, else -1.
int DriveIndexOfName(const char16_t* name);
