#include <windows.h>

#include <cstring>

#include "setup/install_mode.h"

namespace {

// Whether the loader mapped a ".setup" section into our image.
bool ImageHasPackageSection() {
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    char name[9] = {};
    std::memcpy(name, section->Name, 8);
    if (std::strcmp(name, ".setup") == 0) return true;
  }
  return false;
}

}  // namespace

bool RunInstallMode() {
  if (!ImageHasPackageSection()) return false;
  // Reading the package and the install sequence follow.
  return true;
}
