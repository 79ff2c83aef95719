#include <windows.h>
#include <objbase.h>

#include <cstring>

#include "actions/private_file.h"
#include "core/path_rules.h"
#include "core/temp_files.h"
#include "core/wide_win.h"

namespace {

constexpr int kAttempts = 16;

// 64 bits nobody can guess: a random (version 4) GUID.
bool RandomNumber(uint64_t* number) {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) return false;
  uint64_t halves[2];
  static_assert(sizeof(halves) == sizeof(guid), "a GUID is 128 bits");
  std::memcpy(halves, &guid, sizeof(guid));
  *number = halves[0] ^ halves[1];
  return true;
}

bool WriteAll(HANDLE file, const String& bytes) {
  DWORD written = 0;
  if (bytes.empty()) return true;
  if (!WriteFile(file, bytes.c_str(), static_cast<DWORD>(bytes.length()), &written, nullptr)) return false;
  if (written == static_cast<DWORD>(bytes.length())) return true;
  SetLastError(ERROR_HANDLE_DISK_FULL);
  return false;
}

}  // namespace

PrivateFile::~PrivateFile() { Remove(); }

bool PrivateFile::Create(const String& folder, const char16_t* stem, const char16_t* extension, const String& bytes,
                         Holding holding) {
  Remove();
  // A program that fills the file opens it for writing, which our own write
  // access would refuse it.
  const bool ours = holding == Holding::kWrittenByUs;
  const DWORD access = ours ? GENERIC_READ | GENERIC_WRITE | DELETE : GENERIC_READ;
  const DWORD share = ours ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    uint64_t random = 0;
    if (!RandomNumber(&random)) return false;
    const String path = JoinPath(folder, PrivateFileName(stem, random, extension).w_str());
    // CREATE_NEW: a file already there (planted, or a link) is never opened.
    HANDLE file = CreateFileW(Wide(path), access, share, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    handle_ = file;
    path_ = path;
    if ((!ours || SetDeletedOnClose(file, true)) && WriteAll(file, bytes)) return true;
    const DWORD error = GetLastError();
    Remove();
    SetLastError(error);
    return false;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return false;
}

bool PrivateFile::Write(const String& bytes) {
  if (!handle_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return WriteAll(static_cast<HANDLE>(handle_), bytes);
}

bool PrivateFile::ReadAll(String* bytes) {
  bytes->Clear();
  if (!handle_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const HANDLE file = static_cast<HANDLE>(handle_);
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
    if (got == 0) return true;
    bytes->Append(buffer, static_cast<int32_t>(got));
  }
  return false;
}

bool PrivateFile::Keep() {
  if (!handle_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return SetDeletedOnClose(handle_, false);
}

void PrivateFile::Release() {
  if (handle_) {
    Keep();
    CloseHandle(static_cast<HANDLE>(handle_));
  }
  handle_ = nullptr;
  path_.Clear();
}

void PrivateFile::Remove() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  if (!path_.empty()) DeleteFileW(Wide(path_));
  path_.Clear();
}
