#include "package/dib.h"

namespace {

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr int32_t kFileHeader = 14;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kRgb = 0;

}  // namespace

bool ParseDib(const uint8_t* data, int32_t size, DibView& view) {
  if (!data || size < static_cast<int32_t>(kInfoHeader)) return false;
  int32_t header = 0;
  int64_t bits = -1;
  if (data[0] == 'B' && data[1] == 'M') {
    if (size < kFileHeader + static_cast<int32_t>(kInfoHeader)) return false;
    header = kFileHeader;
    bits = U32(data + 10);
  }
  const uint8_t* info = data + header;
  const uint32_t header_size = U32(info);
  if (header_size < kInfoHeader || header_size > static_cast<uint32_t>(size - header)) return false;
  const int32_t width = static_cast<int32_t>(U32(info + 4));
  const int32_t height = static_cast<int32_t>(U32(info + 8));
  const uint16_t bit_count = U16(info + 14);
  const uint32_t compression = U32(info + 16);
  uint32_t colours = U32(info + 32);
  if (width <= 0 || width > 32768 || height == 0 || height < -32768 || height > 32768) return false;
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32) {
    return false;
  }
  if (colours == 0 && bit_count <= 8) colours = 1u << bit_count;
  if (colours > 256) return false;
  // Compressed rows carry no size of their own that could be checked here.
  if (compression != kRgb && compression != kBitfields) return false;
  const int64_t palette = header + static_cast<int64_t>(header_size) + (compression == kBitfields ? 12 : 0) +
                          static_cast<int64_t>(colours) * 4;
  if (bits < 0) bits = palette;
  if (bits < palette || bits > size) return false;
  const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
  const int64_t stride = (static_cast<int64_t>(width) * bit_count + 31) / 32 * 4;
  if (bits + stride * rows > size) return false;
  view.header_offset = header;
  view.bits_offset = static_cast<int32_t>(bits);
  view.width = width;
  view.height = static_cast<int32_t>(rows);
  return true;
}
