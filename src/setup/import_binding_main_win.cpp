// setup.exe binds its system libraries itself, but for kernel32 and the C
// runtime, which must be there before its first line: the loader looks beside
// the program first, where anyone may have left a DLL of the same name
// (Windows' known-DLL list covers most of them, Wine has none). Each function's
// slot is filled here, after the search has been narrowed to the system
// folder; cmake/make-bound-lib.sh writes the entries, the linker sorts them
// by library between the two ends below.
#include "setup/import_binding_main_win.h"

#include <cstdint>

namespace {

struct ImportEntry {
  FARPROC function;
  // The name's image-relative address; the top byte is the library's place
  // in kLibraries.
  uint32_t name_and_library;
};

// Names in place rather than pointers, which would each need relocating.
const char kLibraries[][16] = {BX_BOUND_LIBRARIES};

HMODULE LoadSystemLibrary(const char* name) {
  // By name, not by path, so that the manifest's common-controls version
  // still applies; the flag keeps the search in the system folder.
  HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Systems without the search flags refuse it; RestrictDllSearchToSystem
  // narrowed their search as far as they allow.
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryA(name);
  return module;
}

// Hidden from the optimiser: the entries between the ends belong to no object
// of this file.
ImportEntry* Opaque(ImportEntry* entry) {
  asm("" : "+r"(entry));
  return entry;
}

}  // namespace

extern "C" {
extern IMAGE_DOS_HEADER __ImageBase;
__attribute__((section(".data$bxi_0"), used)) ImportEntry bx_imports_begin = {};
__attribute__((section(".data$bxi_zzz"), used)) ImportEntry bx_imports_end = {};
}

bool BindSystemImports() {
  const char* base = reinterpret_cast<const char*>(&__ImageBase);
  HMODULE module = nullptr;
  uint32_t library = ~0u;
  ImportEntry* const end = Opaque(&bx_imports_end);
  for (ImportEntry* entry = Opaque(&bx_imports_begin) + 1; entry < end; ++entry) {
    if (entry->name_and_library >> 24 != library) {
      library = entry->name_and_library >> 24;
      if (library >= sizeof kLibraries / sizeof kLibraries[0]) return false;
      module = LoadSystemLibrary(kLibraries[library]);
      if (!module) return false;
    }
    entry->function = GetProcAddress(module, base + (entry->name_and_library & 0xFFFFFF));
    if (!entry->function) return false;
  }
  return true;
}
