// A DLL that leaves a mark when it is loaded: "<its own path>.loaded". Planted
// under the name of a library setup.exe loads at run time, it shows whether
// that library was taken from somewhere other than the system folder. It
// refuses to stay loaded, so that nothing of it ever runs in the program.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH];
  const DWORD units = GetModuleFileNameW(self, path, MAX_PATH);
  if (units == 0 || units >= MAX_PATH) return FALSE;
  const std::wstring mark = std::wstring(path, units) + L".loaded";
  HANDLE file = CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return FALSE;
}
