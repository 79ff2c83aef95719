#include "core/system_library_win.h"

#include <string>

namespace {

std::wstring SystemFolderPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path + name;
}

}  // namespace

bool RestrictDllSearchToSystem() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto set_default = LoadedSystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (!set_default || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    // Older systems: at least take the current folder out of the search.
    SetDllDirectoryW(L"");
    return false;
  }
  return true;
}

SystemLibrary::SystemLibrary(const wchar_t* name) {
  const std::wstring path = SystemFolderPath(name);
  if (path.empty()) return;
  // The full path pins the library itself, and its own dependencies are
  // looked for in the system folder alone (an altered search path would
  // bring the program's folder and PATH back for them).
  module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // A system without the search flags refuses them; its search path was
  // narrowed by RestrictDllSearchToSystem instead.
  if (!module_ && GetLastError() == ERROR_INVALID_PARAMETER) module_ = LoadLibraryExW(path.c_str(), nullptr, 0);
}

SystemLibrary::~SystemLibrary() {
  if (module_) {
    const DWORD error = GetLastError();
    FreeLibrary(module_);
    SetLastError(error);
  }
}
