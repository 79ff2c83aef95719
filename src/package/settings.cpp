#include "package/settings.h"

namespace {

uint64_t WithBit(uint64_t word, int bit, bool on) {
  uint64_t mask = uint64_t{1} << bit;
  return on ? word | mask : word & ~mask;
}

}  // namespace

const char16_t* PageStyleSuffix(int32_t style) {
  switch (style) {
    case 0:
      return u"Dlg2";
    case 1:
      return u"Dlg";
    case 3:
      return u"Dlg4";
    default:
      return u"Dlg3";
  }
}

void ProductSettings::SetFlag(int bit, bool on) {
  if (bit >= 0 && bit < 64) ProductFlags = WithBit(ProductFlags, bit, on);
}

void ProductSettings::SetFlag2(int bit, bool on) {
  if (bit >= 0 && bit < 32) ProductFlags2 = static_cast<uint32_t>(WithBit(ProductFlags2, bit, on));
}

uint64_t SilentModeFlags(uint64_t flags) {
  // Low word: no folder page (bit 7) and bit 31 off; bits 21, 22, no
  // install-over confirmation (28) and no background window (29) on.
  uint32_t low = static_cast<uint32_t>(flags);
  low = (low & 0x7FFFFF7Fu) | 0x30600000u;
  // High word: bits 34, 35 (error boxes), 36, 41, 44 and the progress page
  // (51) off; no greeting page (43) on.
  uint32_t high = static_cast<uint32_t>(flags >> 32);
  high = (high & ~0x0008121Cu) | 0x00000800u;
  return static_cast<uint64_t>(high) << 32 | low;
}

bool AutomaticModeFromSettings(uint8_t choice, bool automatic, bool silent) {
  if (choice == 1) return true;
  if (choice == 2) return silent;
  return automatic;
}
