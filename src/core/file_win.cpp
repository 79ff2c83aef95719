#include <windows.h>

#include "core/codepage.h"
#include "core/file.h"
#include "core/system_error_text.h"
#include "core/temp_files.h"

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
HANDLE AsHandle(void* context) { return static_cast<HANDLE>(context); }

int32_t HandleRead(void* context, void* buffer, int32_t size) {
  DWORD got = 0;
  if (!ReadFile(AsHandle(context), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
  return static_cast<int32_t>(got);
}

int32_t HandleWrite(void* context, const void* data, int32_t size) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(context), data, static_cast<DWORD>(size), &written, nullptr)) return -1;
  return static_cast<int32_t>(written);
}

int64_t HandleSeek(void* context, int64_t distance, SeekOrigin origin) {
  static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER move;
  LARGE_INTEGER now;
  move.QuadPart = distance;
  if (!SetFilePointerEx(AsHandle(context), move, &now, kMethods[static_cast<int>(origin)])) return -1;
  return now.QuadPart;
}

int64_t HandlePosition(void* context) { return HandleSeek(context, 0, SeekOrigin::kCurrent); }

void HandleFailureText(void*, String& text) { text = SystemErrorText(GetLastError()); }

void HandleClose(void* context) {
  const DWORD error = GetLastError();
  CloseHandle(AsHandle(context));
  SetLastError(error);
}

const FileStreamOps kHandleOps = {
    &HandleRead, &HandleWrite, &HandleSeek, &HandlePosition, &HandleFailureText, &HandleClose,
};

DWORD CreationDisposition(OpenCreation creation) {
  switch (creation) {
    case OpenCreation::kOpenExisting:
      return OPEN_EXISTING;
    case OpenCreation::kCreateNew:
      return CREATE_NEW;
    case OpenCreation::kCreateOrTruncate:
      return CREATE_ALWAYS;
    case OpenCreation::kOpenOrCreate:
      break;
  }
  return OPEN_ALWAYS;
}

// What the system refused, looked at more closely: a missing drive letter
// and a read-only file give their own codes.
OpenFailureFacts FactsOfFailure(const String& path, const OpenMode& mode) {
  OpenFailureFacts facts;
  const int drive = DriveIndexOfName(path.w_str());
  facts.drive_missing = drive >= 0 && !(GetLogicalDrives() & (1u << drive));
  if (mode.write) {
    const DWORD attributes = GetFileAttributesW(Wide(path.w_str()));
    facts.write_to_read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  }
  return facts;
}

// The name to open for the flag word's name form; an empty String with the
// system's last error when a temporary name cannot be made.
String FormName(const String& given, uint32_t flags) {
  switch (flags & kOpenNameFormMask) {
    case kOpenNewTemporary:
      return TemporaryFileName();
    case kOpenNewTemporaryIn:
      return TemporaryFileName(given.w_str());
    case kOpenInTemporaryFolder: {
      String path = TemporaryFolder();
      path.Append(given);
      return path;
    }
    default:
      return given;
  }
}

}  // namespace

int File::Open(const String& name, uint32_t flags) {
  const int code = OpenNamed(name, flags);
  if (code != kFileOk && (flags & kOpenRequired)) FailRequiredFile(wname_, code);
  return code;
}

int File::Open(const char16_t* name, uint32_t flags) { return Open(String(name), flags | kOpenWideName); }

int File::OpenRequired(const String& name, uint32_t flags) { return Open(name, flags | kOpenRequired); }

int File::OpenRequired(const char16_t* name, uint32_t flags) { return Open(name, flags | kOpenRequired); }

int File::OpenNamed(const String& name, uint32_t flags) {
  Close();
  write_calls_ = 0;
  error_.Clear();
  wname_ = (flags & kOpenWideName) ? name : AnsiToUtf16(name);
  name_ = Utf16ToAnsi(wname_);
  DWORD error = ERROR_SUCCESS;
  if (!IsKnownNameForm(flags)) error = ERROR_INVALID_PARAMETER;
  if (!NameFormNeedsNoName(flags) && wname_.empty()) error = ERROR_INVALID_NAME;
  if (error != ERROR_SUCCESS) {
    error_ = SystemErrorText(error);
    SetLastError(error);
    return FileErrorFromOsError(error, OpenFailureFacts());
  }

  const bool makes_temporary = (flags & kOpenNameFormMask) == kOpenNewTemporary ||
                               (flags & kOpenNameFormMask) == kOpenNewTemporaryIn;
  const String path = FormName(wname_, flags);
  if (path.empty()) {
    error = GetLastError();
    error_ = SystemErrorText(error);
    SetLastError(error);
    return FileErrorFromOsError(error, FactsOfFailure(wname_, OpenMode()));
  }
  wname_ = path;
  name_ = Utf16ToAnsi(wname_);

  const OpenMode mode = DecodeOpenFlags(flags);
  const DWORD access = (mode.read ? GENERIC_READ : 0) | (mode.write ? GENERIC_WRITE : 0);
  const DWORD share = (mode.share_read ? FILE_SHARE_READ : 0) | (mode.share_write ? FILE_SHARE_WRITE : 0);
  OpenRetryState retries;
  for (;;) {
    HANDLE handle = CreateFileW(Wide(wname_.w_str()), access, share, nullptr, CreationDisposition(mode.creation),
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      os_ = FileStream{&kHandleOps, handle};
      break;
    }
    error = GetLastError();
    const int delay = NextOpenRetryDelay(retries, flags, error);
    if (delay < 0) break;
    Sleep(static_cast<DWORD>(delay));
  }
  if (!os_.ops) {
    const int code = FileErrorFromOsError(error, FactsOfFailure(wname_, mode));
    error_ = SystemErrorText(error);
    if (makes_temporary) DeleteFileW(Wide(wname_.w_str()));
    SetLastError(error);
    return code;
  }
  can_read_ = mode.read;
  can_write_ = mode.write;
  return FinishOpen(flags);
}

int File::FinishOpen(uint32_t flags) {
  if ((flags & kOpenTruncate) && !SetEndOfFile(AsHandle(os_.context))) {
    const DWORD error = GetLastError();
    error_ = SystemErrorText(error);
    Close();
    SetLastError(error);
    return FileErrorFromOsError(error, OpenFailureFacts());
  }
  if ((flags & kOpenLoadIntoMemory) && !LoadIntoMemory()) {
    Close();
    return kFileNotLoaded;
  }
  if (flags & kOpenTestOnly) Close();
  return kFileOk;
}
