// The builder's manifest reader on any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Product product;
  std::string error;
  ParseManifest(text, "fuzz.toml", &product, &error);
  return 0;
}
