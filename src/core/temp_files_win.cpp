#include <windows.h>
#include <ntsecapi.h>

#include <cstring>

#include "core/temp_files.h"
#include "core/wide_win.h"

namespace {

constexpr int kFileAttempts = 100;
constexpr int kFolderAttempts = 500;

bool IsEmpty(const char16_t* text) { return !text || !*text; }

// 64 bits from the system's generator. Should it ever fail, the tick count
// and the stack's address still give a name the exclusive create checks.
uint64_t RandomBits() {
  uint64_t bits = 0;
  if (!RtlGenRandom(&bits, sizeof bits)) {
    bits = GetTickCount64() ^ (reinterpret_cast<uintptr_t>(&bits) << 20) ^ GetCurrentProcessId();
  }
  return bits;
}

// Whether a failed exclusive create may try another name in the same place.
bool NameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

HANDLE CreateUnder(const String& folder, const char16_t* prefix, DWORD access, DWORD share, DWORD attributes,
                   String* name) {
  *name = RandomTemporaryName(folder, prefix, RandomBits());
  return CreateFileW(Wide(name->w_str()), access, share, nullptr, CREATE_NEW, attributes, nullptr);
}

}  // namespace

String TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD units = GetTempPathW(MAX_PATH + 1, buffer);
  if (units > MAX_PATH) units = 0;  // longer than the buffer: treated as no answer
  return TemporaryFolderFromAnswer(reinterpret_cast<const char16_t*>(buffer), static_cast<int32_t>(units));
}

void* CreateTemporaryFile(const char16_t* folder, const char16_t* prefix, uint32_t access, uint32_t share,
                          bool fall_back, String* name, uint32_t attributes) {
  const String temporary = TemporaryFolder();
  const String given = IsEmpty(folder) ? temporary : String(folder);
  bool use_given = true;
  for (int attempt = 0; attempt < kFileAttempts; ++attempt) {
    HANDLE handle = CreateUnder(use_given ? given : temporary, prefix, access, share, attributes, name);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    // A taken name is tried again under a new one; a folder that refuses
    // is left for the temporary folder when that is allowed.
    if (!NameTaken(GetLastError())) {
      if (!use_given || !fall_back) break;
      use_given = false;
    }
  }
  name->Clear();
  return nullptr;
}

bool SetDeletedOnClose(void* handle, bool deleted) {
  FILE_DISPOSITION_INFO dispose = {};
  dispose.DeleteFile = deleted ? TRUE : FALSE;
  return SetFileInformationByHandle(static_cast<HANDLE>(handle), FileDispositionInfo, &dispose, sizeof dispose) != 0;
}

bool RenameOpenFile(void* handle, const String& target, bool replace) {
  const int32_t units = target.length();
  String buffer;
  buffer.SetLength(static_cast<int32_t>(sizeof(FILE_RENAME_INFO)) + units * 2);
  FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(units) * 2;
  memcpy(info->FileName, target.w_str(), static_cast<size_t>(units) * 2);
  return SetFileInformationByHandle(static_cast<HANDLE>(handle), FileRenameInfo, info,
                                    static_cast<DWORD>(buffer.length())) != 0;
}

namespace {

// FILE_LINK_INFORMATION of the native interface, which the Win32 one lacks.
struct LinkInformation {
  BOOLEAN replace_if_exists;
  HANDLE root_directory;
  ULONG name_length;
  WCHAR name[1];
};
constexpr ULONG kFileLinkInformation = 11;
using SetInformationFile = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, ULONG);
using StatusToError = ULONG(WINAPI*)(LONG);

// The native form of a full path: "\??\C:\...", "\??\UNC\server\...".
String NativePath(const String& path) {
  const char16_t* text = path.w_str();
  String native(u"\\??\\");
  if (path.StartsWithW(u"\\\\?\\")) {
    native.Append(String(text + 4));
  } else if (path.StartsWithW(u"\\\\")) {
    native.Append(String(u"UNC\\"));
    native.Append(String(text + 2));
  } else {
    native.Append(path);
  }
  return native;
}

}  // namespace

bool LinkOpenFile(void* handle, const String& target, bool replace) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto set = reinterpret_cast<SetInformationFile>(
      reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "NtSetInformationFile") : nullptr));
  const auto to_error = reinterpret_cast<StatusToError>(
      reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "RtlNtStatusToDosError") : nullptr));
  if (!set || !to_error) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  const String native = NativePath(target);
  const int32_t units = native.wlength();
  String buffer;
  buffer.SetLength(static_cast<int32_t>(sizeof(LinkInformation)) + units * 2);
  LinkInformation* info = reinterpret_cast<LinkInformation*>(buffer.data());
  info->replace_if_exists = replace ? TRUE : FALSE;
  info->root_directory = nullptr;
  info->name_length = static_cast<ULONG>(units) * 2;
  memcpy(info->name, native.w_str(), static_cast<size_t>(units) * 2);
  uint64_t status_block[2] = {};
  const LONG status = set(static_cast<HANDLE>(handle), status_block, info, static_cast<ULONG>(buffer.length()),
                          kFileLinkInformation);
  if (status >= 0) return true;
  SetLastError(to_error(status));
  return false;
}

String TemporaryFileName(const char16_t* folder, const char16_t* prefix) {
  String name;
  HANDLE handle = CreateTemporaryFile(folder, prefix, GENERIC_WRITE, 0, true, &name);
  if (handle == nullptr) return String();
  CloseHandle(handle);
  return name;
}

String TemporarySubfolder(const char16_t* parent) {
  const String base = IsEmpty(parent) ? TemporaryFolder() : String(parent);
  String name;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    name = RandomTemporaryName(base, u"QKT", RandomBits());
    if (CreateDirectoryW(Wide(name.w_str()), nullptr)) {
      name.AppendW(u'\\');
      return name;
    }
    if (!NameTaken(GetLastError())) break;
  }
  return String();
}
