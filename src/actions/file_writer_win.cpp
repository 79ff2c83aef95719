#include <windows.h>

#include <cstring>

#include "actions/file_date.h"
#include "actions/file_writer.h"
#include "actions/restart_operations.h"
#include "core/file.h"
#include "core/file_ops.h"
#include "core/system_error_text.h"
#include "package/corrupt_report.h"
#include "package/settings_state.h"
#include "records/failure_summary.h"
#include "records/log_writers.h"
#include "setup/install_state.h"

namespace {

constexpr int kAttempts = 3;
constexpr DWORD kRetryDelayMs = 50;
constexpr DWORD kProtectiveAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

const wchar_t* Wide(const String& text) { return reinterpret_cast<const wchar_t*>(text.w_str()); }

// Puts creation and last-write time from a complete date, and the
// attributes unless they are 0, on the open file in one call: a separate
// attribute change by name would cost another open of the file.
void SetBasicInfo(HANDLE file, const FileDate& date, DWORD attributes) {
  FILE_BASIC_INFO info = {};
  uint64_t time = 0;
  if (FileDateToFileTime(date, &time)) {
    info.CreationTime.QuadPart = static_cast<LONGLONG>(time);
    info.LastWriteTime.QuadPart = static_cast<LONGLONG>(time);
  }
  info.FileAttributes = attributes;
  if (time != 0 || attributes != 0) SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info);
}

// Creates or truncates the file with normal attributes, writes all data and
// dates it (and gives it `attributes`, unless 0) on the same handle. False
// with the system's error in *error.
bool WriteOnce(const String& path, FileContent& content, const FileDate& date, DWORD attributes, DWORD* error) {
  File file;
  // A file in use is reported at once: the attempts below do the waiting.
  if (file.Open(path.w_str(), kOpenCreateOrTruncate | kOpenNoRead | kOpenNoSharingWait) != kFileOk) {
    *error = GetLastError();
    return false;
  }
  content.Rewind();
  for (ByteSpan piece = content.Next(); piece.length > 0; piece = content.Next()) {
    if (!file.Write(piece.data, static_cast<int32_t>(piece.length))) {
      *error = GetLastError();
      return false;
    }
  }
  SetBasicInfo(static_cast<HANDLE>(file.handle()), date, attributes);
  return true;
}

// Reads the file back piece by piece and compares it with the content.
bool HoldsData(const String& path, FileContent& content) {
  File file;
  if (file.Open(path.w_str(), kOpenExisting | kOpenNoWrite | kOpenShareRead) != kFileOk ||
      file.Size() != content.length()) {
    return false;
  }
  content.Rewind();
  String stored;
  for (ByteSpan piece = content.Next(); piece.length > 0; piece = content.Next()) {
    stored.SetLength(static_cast<int32_t>(piece.length));
    if (!file.ReadExact(stored.data(), static_cast<int32_t>(piece.length)) ||
        memcmp(stored.bytes(), piece.data, piece.length) != 0) {
      return false;
    }
  }
  return true;
}

// What the first failure may mend: a missing folder, and (when the product
// allows it) the attributes that keep a file from being replaced.
void MendAfterFirstFailure(const String& path, DWORD error) {
  if (error == ERROR_PATH_NOT_FOUND) CreateFolder(ParentFolder(path).w_str());
  if (!Settings().Flag(file_writer_flag::kClearProtection)) return;
  const uint32_t attributes = GetAttributes(path.w_str());
  if (attributes != kNoAttributes && (attributes & kProtectiveAttributes)) {
    SetAttributes(path.w_str(), attributes & ~kProtectiveAttributes);
  }
}

void Finish(const String& path, int32_t attributes) {
  if (attributes != -1) SetAttributes(path.w_str(), EntryAttributes(attributes));
}

// A new empty file with the system's unique name in the destination's own
// folder (a move at restart cannot cross volumes), or empty.
String TemporaryFileBeside(const String& path) {
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(Wide(ParentFolder(path)), L"", 0, name)) return String();
  return String(reinterpret_cast<const char16_t*>(name));
}

void MarkRestartNeeded() {
  Settings().SetFlag(product_flag::kAskRestart, true);
  TheInstall().restart_needed = true;
}

// Puts the data in a temporary file and asks for it to replace `path` at the
// restart. The outcome is added to `text`; true when the move is queued.
bool Stage(const String& path, FileContent& content, const FileDate& date, String& text) {
  const String temporary = TemporaryFileBeside(path);
  DWORD error = ERROR_SUCCESS;
  if (temporary.empty() || !WriteOnce(temporary, content, date, 0, &error)) {
    if (temporary.empty()) error = GetLastError();
    if (!temporary.empty()) DeleteFile(temporary.w_str());
    text.Append(NoTemporaryFileText(path, SystemErrorTextW(error)));
    return false;
  }
  if (MoveFileAtRestart(temporary, path)) {
    MarkRestartNeeded();
    text.Append(StagedText(path, temporary));
    return true;
  }
  text.Append(StagingFailedText(path, temporary, SystemErrorTextW(GetLastError())));
  DeleteFile(temporary.w_str());
  return false;
}

bool DrivePresent(char16_t drive) { return (GetLogicalDrives() >> (drive - u'A') & 1) != 0; }

// The last attempt failed with `error`: report, and stage where allowed.
bool ReportFailure(const String& path, FileContent& content, const FileDate& date, bool existed, DWORD error,
                   bool* pending) {
  String text = WriteFailureHead(Message(kWriteFailedMessage), path);
  const char16_t drive = DriveLetter(path);
  if (drive != 0 && !DrivePresent(drive)) {
    text.Append(MissingDriveText(drive));
  } else {
    text.Append(SystemTextBlock(SystemErrorTextW(error)));
    if (MayStage(existed, Settings().Flag(file_writer_flag::kStageNewFiles), error) &&
        Stage(path, content, date, text)) {
      LogTextW(text);
      *pending = true;
      return false;
    }
  }
  AddFailureW(text.w_str());
  return false;
}

}  // namespace

bool WritePackagedFile(const String& path, FileContent& content, const FileDate& date, int32_t attributes,
                       bool existed, bool* pending) {
  if (content.length() < 0) ReportCorruptPackage(kCorruptNegativeLength);
  *pending = false;
  const bool verify = Settings().Flag(file_writer_flag::kVerifyAfterWrite);
  // Without a read-back the attributes go on with the date. A file that must
  // first read back gets them afterwards: a read-only or hidden file could
  // not be written again when the comparison fails.
  const DWORD attributes_now = !verify && attributes != -1 ? EntryAttributes(attributes) : 0;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = kAttempts - 1; attempt >= 0; --attempt) {
    if (WriteOnce(path, content, date, attributes_now, &error)) {
      if (!verify) return true;
      if (HoldsData(path, content)) {
        Finish(path, attributes);
        return true;
      }
      if (attempt == 0) {
        AddFailureW(VerifyFailureText(Message(kWriteFailedMessage), path, SystemErrorTextW(GetLastError())).w_str());
        return false;
      }
    } else if (attempt == kAttempts - 1) {
      MendAfterFirstFailure(path, error);
    }
    if (attempt > 0) Sleep(kRetryDelayMs);
  }
  return ReportFailure(path, content, date, existed, error, pending);
}

bool WritePackagedFile(const String& path, const void* data, int32_t length, const FileDate& date,
                       int32_t attributes, bool existed, bool* pending) {
  MemoryContent content(data, length);
  return WritePackagedFile(path, content, date, attributes, existed, pending);
}
