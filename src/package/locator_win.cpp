#include "package/locator_win.h"

#include <windows.h>

#include <cstring>


#include "core/codepage.h"
#include "core/environment.h"
#include "core/fatal.h"
#include "core/file.h"
#include "core/format_engine.h"

namespace {

[[noreturn]] void CannotOpenSelf(const String& name, const File& file) {
  const DWORD error = GetLastError();
  String text(u"Error code 1: The installer could not open itself.\r\nFilename: ");
  text.AppendW(name.w_str());
  char number[16];
  FormatTerminated(number, sizeof number, "%lu", static_cast<unsigned long>(error));
  text.AppendW(u"\r\nError #");
  text.Append(AnsiToUtf16(number));
  text.AppendW(u": ");
  text.Append(AnsiToUtf16(file.error()));
  FatalMessageW(text.w_str());
}

}  // namespace

ProgramFile OpenOwnProgramFile() {
  // Process lifetime: the file data and the program copy are read from it
  // long after the header.
  static File file;
  if (!file.IsOpen()) {
    String name = ProgramFilePath();
    if (file.Open(name.w_str(), kOpenExisting | kOpenNoWrite | kOpenShareRead) != kFileOk) {
      CannotOpenSelf(name, file);
    }
  }
  return FileProgramFile(&file);
}

ByteSpan MappedPackageSection(const PackageSection& section) {
  const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleW(nullptr));
  return ByteSpan{base + section.virtual_address, section.mapped_size()};
}

// The section table as the loader mapped it, which it has checked already.
uint32_t OwnPackageFlags2() {
  const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_SECTION_HEADER* entry = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++entry) {
    if (memcmp(entry->Name, kPackageSectionName, sizeof kPackageSectionName) != 0) continue;
    const uint32_t size = entry->Misc.VirtualSize ? entry->Misc.VirtualSize : entry->SizeOfRawData;
    const HeaderResult read = ReadPackageHeader(ByteSpan{base + entry->VirtualAddress, size});
    return read.outcome == HeaderOutcome::kOk ? read.header.flags2 : 0;
  }
  return 0;
}

bool LoadOwnPackage(const char16_t* title, OwnPackage* out) {
  // Keeps the marker in the program: nothing else refers to it, and the
  // linker drops what nothing refers to.
  asm volatile("" : : "r"(kRuntimeMarker));
  out->file = OpenOwnProgramFile();
  if (!FindPackageSection(out->file, &out->section)) return false;
  out->bytes = MappedPackageSection(out->section);
  CheckPackageHeader(out->bytes, title, &out->header);
  return true;
}
