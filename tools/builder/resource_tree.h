// The resources of a PE image as a flat list, and back: what branding needs
// to swap the program's icon and version record without a Windows tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/pe_section.h"
#include "core/string.h"

// A resource type or name: a number, or (when `name` is not empty) a text.
struct ResourceKey {
  uint32_t id = 0;
  std::u16string name;

  bool operator==(const ResourceKey& other) const { return id == other.id && name == other.name; }
};

struct ResourceItem {
  ResourceKey type;
  ResourceKey name;
  uint32_t language = 0;
  uint32_t codepage = 0;
  std::string data;
};

// Where the resources lie: the section that holds the resource directory,
// which must start at that section's start.
struct ResourceSection {
  uint16_t index = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_pointer = 0;
  uint32_t raw_size = 0;
};

// Reads every resource of the image. False with a reason when the directory
// is damaged; true with no items and *section index 0xFFFF when the image has
// no resources at all.
bool ReadResources(const String& image, const PeLayout& layout, ResourceSection* section,
                   std::vector<ResourceItem>* items, std::string* error);

// The resource section's bytes for `items` placed at `virtual_address`:
// directories in the order the system's lookup expects (named entries first,
// each level sorted), then names, data entries and the data.
String WriteResources(std::vector<ResourceItem> items, uint32_t virtual_address);

// Puts `content` in place of the resource section's data. A larger section
// moves the sections after it, which may only be ".reloc" (nothing refers
// to it by address); sizes, the resource directory entry and the moved
// sections' directory entries follow.
bool ReplaceResourceSection(String* image, const ResourceSection& section, const String& content,
                            std::string* error);
