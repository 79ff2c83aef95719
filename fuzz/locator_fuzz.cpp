// A whole program image through the locator and, when a package section is
// found, the stripped copy kept for uninstalling.
#include <cstddef>
#include <cstdint>

#include "package/program_copy.h"
#include "package/program_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteSpan image{data, size};
  ProgramFile file = MemoryProgramFile(&image);
  const LocateResult located = LocatePackageSection(file);
  if (located.outcome != LocateOutcome::kFound) return 0;
  const HeaderResult header = ReadPackageHeader(SectionBytesInImage(image, located.section));
  if (header.outcome != HeaderOutcome::kOk) return 0;
  for (int variant = 0; variant < 2; ++variant) {
    ProgramCopyRequest request;
    request.verify_checksum = true;
    request.keep_stripped = true;
    request.file_data_after_section = variant == 1;
    ProgramCopy copy;
    PrepareProgramCopy(file, located.section, header.header, request, &copy);
  }
  return 0;
}
