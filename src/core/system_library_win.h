// Loading of optional system libraries. Installers are run elevated from
// download folders, where a planted DLL must never be picked up: every library
// the program loads at run time comes from the system folder by full path.
#pragma once

#include <windows.h>

// Limits the DLL search path of the whole process to the system folder, when
// the system offers SetDefaultDllDirectories. Call it before anything loads a
// library. Returns whether the restriction is in force.
bool RestrictDllSearchToSystem();

// Owns a library loaded from the system folder; frees it when it goes.
class SystemLibrary {
 public:
  // Loads `name` (a bare file name such as L"msi.dll") from the system folder.
  explicit SystemLibrary(const wchar_t* name);
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }

  // The named function, or null when the library or the function is missing.
  template <class Function>
  Function Get(const char* function_name) const {
    return module_ ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, function_name)))
                   : nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};

// A function of a library the process already has loaded (kernel32, user32),
// looked up because older systems lack it.
template <class Function>
Function LoadedSystemFunction(const wchar_t* module_name, const char* function_name) {
  HMODULE module = GetModuleHandleW(module_name);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, function_name)))
                : nullptr;
}
