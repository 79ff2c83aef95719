#include "package/scramble.h"

#include "package/byte_order.h"

void ScrambleSettings(uint8_t* data, size_t length, uint32_t word) {
  size_t i = 0;
  for (; i + 4 <= length; i += 4) StoreLe32(data + i, LoadLe32(data + i) ^ word);
  for (size_t k = 0; i < length; ++i, ++k) data[i] ^= static_cast<uint8_t>(word >> (8 * k));
}
