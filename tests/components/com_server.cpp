// A stand-in COM server for the registration tests. DllRegisterServer counts
// its calls in HKCU\Software\Bastionix Test COM Server under the name of the
// file it was loaded from, then acts by that name:
//   "...refuse..." returns a failure (regsvr32 reports it),
//   "...crash..."  writes through a null pointer,
//   anything else  succeeds.
// DllUnregisterServer counts its calls the same way under "unregistered "
// and the file's name.
#include <windows.h>

#include <string>

namespace {

HMODULE g_module = nullptr;

std::wstring OwnName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(g_module, path, MAX_PATH);
  const wchar_t* slash = wcsrchr(path, L'\\');
  return slash ? slash + 1 : path;
}

void CountCall(const std::wstring& name) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Bastionix Test COM Server", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  DWORD count = 0;
  DWORD size = sizeof(count);
  RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size);
  ++count;
  RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
  RegCloseKey(key);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring name = OwnName();
  CountCall(name);
  if (name.find(L"crash") != std::wstring::npos) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }
  return name.find(L"refuse") != std::wstring::npos ? E_FAIL : S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  CountCall(L"unregistered " + OwnName());
  return S_OK;
}
