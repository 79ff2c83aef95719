// Host stand-in: no system message table, so every number below 0x10000 gets
// a made-up text with the trailing line break the system puts on its own.
#include "core/format.h"
#include "core/system_error_text.h"

namespace system_error {

bool LookUp(uint32_t error, String* text) {
  if (error > 0xFFFF) return false;
  *text = FormatW(u"System error %u. \r\n", error);
  return true;
}

uint32_t Last() { return 0; }

}  // namespace system_error
