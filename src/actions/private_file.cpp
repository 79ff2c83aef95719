#include "actions/private_file.h"

#include "core/format.h"

String PrivateFileName(const char16_t* stem, uint64_t random, const char16_t* extension) {
  String name(stem);
  AppendFormatW(name, u"-%08X%08X", static_cast<uint32_t>(random >> 32), static_cast<uint32_t>(random));
  name.AppendW(extension);
  return name;
}
