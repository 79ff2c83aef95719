// Icon files for the tests of the icon directory and the icon replacement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline void PutLe16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
inline void PutLe32(std::string& s, uint32_t v) {
  PutLe16(s, static_cast<uint16_t>(v));
  PutLe16(s, static_cast<uint16_t>(v >> 16));
}

// One image of an icon file: what its directory entry says, and its bytes.
struct TestIconImage {
  uint8_t width = 16;  // 0: 256
  uint8_t height = 16;
  uint8_t colour_count = 0;
  uint16_t bit_count = 32;
  std::string bytes;
};

// The icon file: the directory, one entry per image, the images in order.
inline std::string TestIconFile(const std::vector<TestIconImage>& images) {
  std::string file;
  PutLe16(file, 0);
  PutLe16(file, 1);
  PutLe16(file, static_cast<uint16_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const TestIconImage& image : images) {
    file.push_back(static_cast<char>(image.width));
    file.push_back(static_cast<char>(image.height));
    file.push_back(static_cast<char>(image.colour_count));
    file.push_back('\0');
    PutLe16(file, 1);
    PutLe16(file, image.bit_count);
    PutLe32(file, static_cast<uint32_t>(image.bytes.size()));
    PutLe32(file, offset);
    offset += static_cast<uint32_t>(image.bytes.size());
  }
  for (const TestIconImage& image : images) file += image.bytes;
  return file;
}

// The group resource the icon file should give: its directory with the
// resource numbers first_id, first_id + 1, ... in place of the offsets.
inline std::string TestIconGroup(const std::string& icon_file, uint16_t first_id) {
  const size_t count = static_cast<uint8_t>(icon_file[4]) | static_cast<uint8_t>(icon_file[5]) << 8;
  std::string group = icon_file.substr(0, 6);
  for (size_t i = 0; i < count; ++i) {
    group += icon_file.substr(6 + 16 * i, 12);
    PutLe16(group, static_cast<uint16_t>(first_id + i));
  }
  return group;
}
