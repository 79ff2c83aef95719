#include "uninstall/uninstall_mode.h"

uint64_t FlagsFromText(const String& text) {
  int32_t i = 0;
  const bool negative = text.wlength() > 0 && text.AtW(0) == u'-';
  if (negative) ++i;
  uint64_t number = 0;
  for (; i < text.wlength() && text.AtW(i) >= u'0' && text.AtW(i) <= u'9'; ++i) {
    number = number * 10 + static_cast<uint64_t>(text.AtW(i) - u'0');
  }
  // The two's complement of the magnitude gives back the bits of a value
  // written as negative.
  return negative ? ~number + 1 : number;
}
