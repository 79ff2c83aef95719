#include <windows.h>

#include "core/temp_files.h"

namespace {

constexpr int kFileAttempts = 100;
constexpr int kFolderAttempts = 500;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool IsEmpty(const char16_t* text) { return !text || !*text; }

// One attempt of GetTempFileNameW, which creates the file it names.
bool MakeTemporaryFile(const char16_t* folder, const char16_t* prefix, String& name) {
  wchar_t buffer[MAX_PATH];
  if (!GetTempFileNameW(Wide(folder), Wide(prefix ? prefix : u""), 0, buffer)) return false;
  name.AssignW(reinterpret_cast<const char16_t*>(buffer));
  return true;
}

}  // namespace

String TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD units = GetTempPathW(MAX_PATH + 1, buffer);
  if (units > MAX_PATH) units = 0;  // longer than the buffer: treated as no answer
  return TemporaryFolderFromAnswer(reinterpret_cast<const char16_t*>(buffer), static_cast<int32_t>(units));
}

String TemporaryFileName(const char16_t* folder, const char16_t* prefix) {
  const String temporary = TemporaryFolder();
  String name;
  for (int attempt = 0; attempt < kFileAttempts; ++attempt) {
    if (!IsEmpty(folder) && MakeTemporaryFile(folder, prefix, name)) return name;
    if (MakeTemporaryFile(temporary.w_str(), prefix, name)) return name;
  }
  return String();
}

String TemporarySubfolder(const char16_t* parent) {
  const String base = IsEmpty(parent) ? TemporaryFolder() : String(parent);
  String name;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    // The unique file name is reserved only as long as the file exists, so
    // another process may take it between the delete and the create; the
    // next attempt then gets a new name.
    if (!MakeTemporaryFile(base.w_str(), u"QKT", name)) continue;
    DeleteFileW(Wide(name.w_str()));
    if (CreateDirectoryW(Wide(name.w_str()), nullptr)) {
      name.AppendW(u'\\');
      return name;
    }
  }
  return String();
}
