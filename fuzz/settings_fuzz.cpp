// The settings block alone, as it is after deciphering and inflating.
#include <cstddef>
#include <cstdint>

#include "package/settings_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ProductSettings settings;
  LanguageTable languages;
  SettingsReadOptions options;
  options.silent = size > 0 && (data[0] & 1);
  ReadSettings(data, size, options, &settings, &languages);
  return 0;
}
