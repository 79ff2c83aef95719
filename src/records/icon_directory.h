// Icon files and the icon resources made from them. An ".ico" file is a
// directory (reserved word, type 1, image count) followed by one entry per
// image that gives the image's size and its offset in the file. In a
// program's resources each image is an RT_ICON resource of its own, and an
// RT_GROUP_ICON resource repeats the directory with the image's resource
// number in place of its offset.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

// One image as the icon file's directory lists it.
struct IconEntryHeader {
  uint8_t width = 0;  // 0: 256
  uint8_t height = 0;
  uint8_t colour_count = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t bytes = 0;   // the image's size
  uint32_t offset = 0;  // where it starts in the file
};

inline constexpr int32_t kIconDirectorySize = 6;
inline constexpr int32_t kIconFileEntrySize = 16;
inline constexpr int32_t kIconGroupEntrySize = 14;

// Reads the directory of an icon file. False for anything that is not a
// usable icon: a short or foreign header, no images, or an image that does
// not lie wholly inside the file.
bool ReadIconDirectory(const String& file, Vector<IconEntryHeader>* entries);

// The RT_GROUP_ICON data for the images, numbered first_id, first_id + 1, ...
// in directory order.
String IconGroupResource(const Vector<IconEntryHeader>& entries, uint16_t first_id);
