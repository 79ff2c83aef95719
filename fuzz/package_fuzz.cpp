// A whole installer image as setup.exe checks its own file: locator, header,
// settings, program copy, file data and every entry through to its
// destination.
#include <cstddef>
#include <cstdint>

#include "builder/test_unpack.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  String image;
  image.Append(data, static_cast<int32_t>(size));
  const Unpacked unpacked = Unpack(image);
  for (const EntryRecord& entry : unpacked.entries) fuzz::CheckDestination(entry);
  return 0;
}
