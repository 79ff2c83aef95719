#include <windows.h>

#include "core/codepage.h"
#include "core/file.h"
#include "core/final_path.h"
#include "core/system_error_text.h"
#include "core/temp_files.h"
#include "core/wide_win.h"

namespace {

HANDLE AsHandle(void* context) { return static_cast<HANDLE>(context); }

int32_t HandleRead(void* context, void* buffer, int32_t size) {
  DWORD got = 0;
  if (!ReadFile(AsHandle(context), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
  return static_cast<int32_t>(got);
}

int32_t HandleWrite(void* context, const void* data, int32_t size) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(context), data, static_cast<DWORD>(size), &written, nullptr)) return -1;
  // A disk file takes less than it was given only when its volume is full
  // (Wine says so with a short count and success); the error left over from
  // before would explain nothing.
  if (written < static_cast<DWORD>(size)) SetLastError(ERROR_DISK_FULL);
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

// A write open never truncates by itself: the file is emptied only once
// its handle is known to lead where the name says (final_path.h).
DWORD SystemCreation(const OpenMode& mode) {
  if (mode.write && mode.creation == OpenCreation::kCreateOrTruncate) return OPEN_ALWAYS;
  return CreationDisposition(mode.creation);
}

// What the system's create-or-truncate does to an existing file, done on
// the checked handle: a hidden or system file is refused as the system
// refuses it; the file is emptied and keeps only the archive attribute.
DWORD ReplaceExisting(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
    return ERROR_ACCESS_DENIED;
  }
  if (!SetEndOfFile(handle)) return GetLastError();
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
  return ERROR_SUCCESS;
}

// The checks of a handle just opened for writing; ERROR_SUCCESS or the
// error that refuses it. A file this open made where a linked folder led is
// taken away again (its handle may delete it, see OpenOrCreate).
DWORD CheckWriteHandle(HANDLE handle, const String& path, const OpenMode& mode, bool existed) {
  if (!HandleLeadsTo(handle, path)) {
    if (!existed) {
      FILE_DISPOSITION_INFO dispose = {TRUE};
      SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof dispose);
    }
    return kErrorLeadsElsewhere;
  }
  if (mode.creation == OpenCreation::kCreateOrTruncate && existed) return ReplaceExisting(handle);
  return ERROR_SUCCESS;
}

// The system's open-or-create in two steps: an existing file is opened, a
// missing one created exclusively. An exclusive create never follows a link
// at the name itself, so a link to a file that does not exist makes nothing
// where it leads: the name is refused as leading elsewhere. A new file's
// handle may also delete it, for the case that a folder of the path was a
// link.
HANDLE OpenOrCreate(const String& path, DWORD access, DWORD share, bool* existed) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    HANDLE handle = CreateFileW(Wide(path.w_str()), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    *existed = true;
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND) return handle;
    handle = CreateFileW(Wide(path.w_str()), access | DELETE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    *existed = false;
    // Exists yet cannot be opened: a dangling link, or a file that came and
    // went between the two calls (then the next round decides).
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
  }
  SetLastError(kErrorLeadsElsewhere);
  return INVALID_HANDLE_VALUE;
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

// Opens a name with the retry policy of the flag word and checks a handle
// opened for writing. The handle, or INVALID_HANDLE_VALUE with *error.
HANDLE OpenWithRetries(const String& path, const OpenMode& mode, DWORD access, DWORD share, uint32_t flags,
                       DWORD* error) {
  OpenRetryState retries;
  const DWORD creation = SystemCreation(mode);
  for (;;) {
    bool existed = false;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (creation == OPEN_ALWAYS) {
      handle = OpenOrCreate(path, access, share, &existed);
    } else {
      // A new file may have to be taken away again, as in OpenOrCreate.
      const DWORD rights = access | (creation == CREATE_NEW && mode.write ? DELETE : 0);
      handle = CreateFileW(Wide(path.w_str()), rights, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
      existed = GetLastError() == ERROR_ALREADY_EXISTS;
    }
    if (handle != INVALID_HANDLE_VALUE) {
      *error = mode.write ? CheckWriteHandle(handle, path, mode, existed) : ERROR_SUCCESS;
      if (*error == ERROR_SUCCESS) return handle;
      CloseHandle(handle);
      return INVALID_HANDLE_VALUE;
    }
    *error = GetLastError();
    const int delay = NextOpenRetryDelay(retries, flags, *error);
    if (delay < 0) return INVALID_HANDLE_VALUE;
    Sleep(static_cast<DWORD>(delay));
  }
}

// The name to open for the plain name forms.
String FormName(const String& given, uint32_t flags) {
  if ((flags & kOpenNameFormMask) != kOpenInTemporaryFolder) return given;
  String path = TemporaryFolder();
  path.Append(given);
  return path;
}

bool MakesTemporary(uint32_t flags) {
  const uint32_t form = flags & kOpenNameFormMask;
  return form == kOpenNewTemporary || form == kOpenNewTemporaryIn || form == kOpenNewTemporaryBeside;
}

// A new temporary file of the name form, created exclusively and kept open:
// its name is never opened a second time. One that must not outlive its
// handle is marked so at once, before anything is written to it. Null with
// the system's error.
HANDLE CreateTemporaryOfForm(const String& given, uint32_t flags, DWORD access, DWORD share, String* name) {
  const uint32_t form = flags & kOpenNameFormMask;
  const char16_t* folder = form == kOpenNewTemporary ? nullptr : given.w_str();
  const bool beside = form == kOpenNewTemporaryBeside;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (flags & kOpenDeleteOnClose) {
    attributes |= FILE_FLAG_DELETE_ON_CLOSE;
    share |= FILE_SHARE_DELETE;
  }
  if (flags & kOpenUntilKept) access |= DELETE;
  HANDLE handle = static_cast<HANDLE>(
      CreateTemporaryFile(folder, beside ? u"" : u"QKT", access, share, !beside, name, attributes));
  if (handle && (flags & kOpenUntilKept) && !SetDeletedOnClose(handle, true)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    DeleteFileW(Wide(name->w_str()));
    SetLastError(error);
    return nullptr;
  }
  return handle;
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

  const OpenMode mode = DecodeOpenFlags(flags);
  const DWORD access = (mode.read ? GENERIC_READ : 0) | (mode.write ? GENERIC_WRITE : 0);
  const DWORD share = (mode.share_read ? FILE_SHARE_READ : 0) | (mode.share_write ? FILE_SHARE_WRITE : 0);
  if (MakesTemporary(flags)) {
    String made;
    HANDLE handle = CreateTemporaryOfForm(wname_, flags, access, share, &made);
    error = handle ? CheckWriteHandle(handle, made, mode, false) : GetLastError();
    if (handle && error == ERROR_SUCCESS) {
      os_ = FileStream{&kHandleOps, handle};
    } else if (handle) {
      CloseHandle(handle);
      DeleteFileW(Wide(made.w_str()));
    }
    if (!made.empty()) wname_ = made;
    name_ = Utf16ToAnsi(wname_);
  } else {
    wname_ = FormName(wname_, flags);
    name_ = Utf16ToAnsi(wname_);
    HANDLE handle = OpenWithRetries(wname_, mode, access, share, flags, &error);
    if (handle != INVALID_HANDLE_VALUE) os_ = FileStream{&kHandleOps, handle};
  }
  if (!os_.ops) {
    const int code = FileErrorFromOsError(error, FactsOfFailure(wname_, mode));
    error_ = SystemErrorText(error);
    SetLastError(error);
    return code;
  }
  can_read_ = mode.read;
  can_write_ = mode.write;
  delete_on_close_ = MakesTemporary(flags) && (flags & kOpenDeleteOnClose) != 0;
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

bool File::Keep(bool keep) {
  if (!os_.ops) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return SetDeletedOnClose(os_.context, !keep);
}

bool File::Rename(const String& target, bool replace) {
  if (!os_.ops) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!RenameOpenFile(os_.context, target, replace)) return false;
  wname_ = target;
  name_ = Utf16ToAnsi(wname_);
  return true;
}

bool File::Link(const String& target, bool replace) {
  if (!os_.ops) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return LinkOpenFile(os_.context, target, replace);
}
