// The "Uninstall.DAT" reader: nothing in the file is ever an error.
#include <cstddef>
#include <cstdint>

#include "records/uninstall_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  String bytes;
  bytes.Append(data, static_cast<int32_t>(size));
  UninstallDataLists lists;
  ProductSettings settings;
  LanguageTable languages;
  ParseUninstallData(bytes, lists, settings, languages);
  return 0;
}
