#include <windows.h>
#include <objbase.h>

#include "core/environment.h"
#include "core/os_facts.h"
#include "core/registry_win.h"
#include "core/system_folders.h"
#include "core/system_library_win.h"
#include "core/temp_files.h"

namespace {

using SHGetSpecialFolderPathFn = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
using SHGetKnownFolderPathFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);

const char16_t* Narrow(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// Both shell functions are missing on some systems: the known folders
// before Vista, the special folders on stripped-down ones. The program may
// not have loaded shell32 yet; it stays loaded once asked for.
const SystemLibrary& Shell32() {
  static const SystemLibrary library(L"shell32.dll");
  return library;
}

String SpecialFolder(int32_t csidl) {
  auto get = Shell32().Get<SHGetSpecialFolderPathFn>("SHGetSpecialFolderPathW");
  wchar_t path[MAX_PATH + 1] = {};
  if (!get || !get(nullptr, path, csidl, FALSE)) return String();
  return String(Narrow(path));
}

String KnownFolder(const char16_t* id) {
  auto get = Shell32().Get<SHGetKnownFolderPathFn>("SHGetKnownFolderPath");
  GUID guid;
  if (!get || FAILED(IIDFromString(reinterpret_cast<LPCOLESTR>(id), &guid))) return String();
  PWSTR path = nullptr;
  const HRESULT result = get(guid, 0, nullptr, &path);
  String answer;
  if (SUCCEEDED(result) && path) answer = String(Narrow(path));
  CoTaskMemFree(path);
  return answer;
}

String Expand(const String& text) {
  String out = text;
  ExpandEnvironment(out);
  return out;
}

// GetWindowsDirectoryW and GetSystemDirectoryW return the units they wrote,
// or the units they need when the buffer is short.
template <class Get>
String DirectoryAnswer(Get get) {
  wchar_t path[MAX_PATH + 1];
  const UINT units = get(path, MAX_PATH + 1);
  if (units == 0 || units > MAX_PATH) return String();
  return String(Narrow(path), static_cast<int32_t>(units));
}

String WindowsDirectory() { return DirectoryAnswer(GetWindowsDirectoryW); }
String SystemDirectory() { return DirectoryAnswer(GetSystemDirectoryW); }

String RegistryText(RegRoot root, const char16_t* key_path, const char16_t* value, bool create_key) {
  RegistryKey key;
  const uint32_t options = create_key ? kRegNoStack : kRegNoStack | kRegOpenOnly;
  if (key.Open(root, key_path, options, kRegReadAccess, RegView::kDefault) == RegistryKey::kFailed) return String();
  String text;
  if (!key.ReadText(value, &text, 0)) return String();
  // A text stored with its terminating zeros, or several, ends at the first.
  for (int32_t i = 0; i < text.wlength(); ++i) {
    if (text.AtW(i) == 0) {
      text.TruncateAtW(i);
      break;
    }
  }
  return text;
}

String UserName() {
  wchar_t name[257] = {};
  DWORD units = 257;
  if (!GetUserNameW(name, &units)) return String();
  return String(Narrow(name));
}

bool Nt() { return IsNT(); }
bool SixtyFour() { return Is64BitWindows(); }

}  // namespace

const FolderSystem& TheFolderSystem() {
  static const FolderSystem system = {SpecialFolder,   KnownFolder,     EnvironmentVariable, Expand,
                                      WindowsDirectory, SystemDirectory, TemporaryFolder,     RegistryText,
                                      UserName,         Nt,              SixtyFour};
  return system;
}
