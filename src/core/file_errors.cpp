#include "core/file_errors.h"

namespace {

const char* const kErrorTexts[] = {
    "Success.",
    "An unknown error occurred.",
    "The filename is invalid.",
    "The file was not found.",
    "The directory does not exist.",
    "The file is locked by another application.",
    "Failed to read the file into memory.",
    "Failed to write data to the file.",
    "Too many files are already open.",
    "An invalid parameter was used.",
    "The file already exists.",
    "Too many indexed files exist.",
    "Access denied.",
    "The file's Read-Only attribute is set.",
    "The file's contents are corrupted.",
    "Deletion failed.",
    "The file is too large to load into memory.",
    "Aborted by the user.",
    "Failed to create the directory.",
    "The network path is not valid.",
    "The device is not ready (usually because no disk is inserted).",
    "The drive does not exist.",
    "Erasure verification failed.",
};

constexpr int kErrorCount = static_cast<int>(sizeof(kErrorTexts) / sizeof(kErrorTexts[0]));
static_assert(kErrorCount == kFileEraseNotVerified + 1, "one text per code");

bool IsNetworkError(uint32_t os_error) {
  switch (os_error) {
    case 51:    // the remote computer is not available
    case 53:    // the network path was not found
    case 64:    // the network name is no longer available
    case 65:    // network access is denied
    case 67:    // the network name cannot be found
    case 1203:  // no network provider accepted the path
      return true;
    default:
      return false;
  }
}

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

}  // namespace

const char* ErrorText(int code) {
  if (code < 0 || code >= kErrorCount) return kErrorTexts[kFileUnknownError];
  return kErrorTexts[code];
}

String ErrorString(int code) {
  // The table is ASCII, so widening each byte is the conversion.
  const char* text = ErrorText(code);
  String wide;
  for (; *text; ++text) wide.AppendW(static_cast<char16_t>(*text));
  return wide;
}

int FileErrorFromOsError(uint32_t os_error, const OpenFailureFacts& facts) {
  if (IsNetworkError(os_error)) return kFileBadNetworkPath;
  switch (os_error) {
    case os_error::kFileNotFound:
      return kFileNotFound;
    case os_error::kPathNotFound:
      return facts.drive_missing ? kFileNoDrive : kFileNoFolder;
    case os_error::kInvalidDrive:
      return kFileNoDrive;
    case os_error::kTooManyOpenFiles:
      return kFileTooManyOpen;
    case os_error::kAccessDenied:
      return facts.write_to_read_only ? kFileReadOnly : kFileAccessDenied;
    case os_error::kNotReady:
      return kFileNotReady;
    case os_error::kSharingViolation:
      return kFileLocked;
    case os_error::kFileExists:
    case os_error::kAlreadyExists:
      return kFileExists;
    case os_error::kInvalidParameter:
      return kFileBadParameter;
    case os_error::kInvalidName:
      return kFileBadName;
    default:
      return kFileUnknownError;
  }
}

int DriveIndexOfName(const char16_t* name) {
  if (!name || !IsAsciiLetter(name[0]) || name[1] != u':') return -1;
  return (name[0] | 0x20) - u'a';
}
