#include "builder/resource_tree.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "package/byte_order.h"

namespace {

constexpr uint32_t kSectionEntry = 40;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kRelocationDirectory = 5;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kDirectoryHeader = 16;
constexpr uint32_t kDirectoryEntry = 8;
constexpr uint32_t kDataEntry = 16;
constexpr int kLevels = 3;  // type, name, language

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

uint32_t AlignUp(uint64_t value, uint32_t alignment) {
  return static_cast<uint32_t>((value + alignment - 1) / alignment * alignment);
}

uint32_t DataDirectoryAt(const PeLayout& layout, uint32_t index) {
  return layout.pe_offset + 24 + (layout.pe32_plus ? 112u : 96u) + index * 8;
}

bool HasDataDirectory(const PeLayout& layout, uint32_t index) {
  return DataDirectoryAt(layout, index) + 8 <= layout.pe_offset + 24u + layout.optional_header_size;
}

const uint8_t* SectionEntry(const String& image, const PeLayout& layout, uint32_t index) {
  return image.bytes() + layout.table_offset + index * kSectionEntry;
}

// File offset of `length` bytes at `rva`, when some section's raw data holds them.
bool RvaToOffset(const String& image, const PeLayout& layout, uint32_t rva, uint32_t length, uint32_t* offset) {
  for (uint32_t i = 0; i < layout.section_count; ++i) {
    const uint8_t* entry = SectionEntry(image, layout, i);
    const uint32_t va = LoadLe32(entry + 12), raw_size = LoadLe32(entry + 16), raw = LoadLe32(entry + 20);
    if (rva < va || uint64_t{rva} + length > uint64_t{va} + raw_size) continue;
    const uint64_t at = uint64_t{raw} + (rva - va);
    if (at + length > static_cast<uint64_t>(image.length())) return false;
    *offset = static_cast<uint32_t>(at);
    return true;
  }
  return false;
}

// Reads the directory tree below the section's start.
class TreeReader {
 public:
  TreeReader(const String& image, const PeLayout& layout, const ResourceSection& section)
      : image_(image), layout_(layout), section_(section) {}

  bool Read(std::vector<ResourceItem>* items, std::string* error) {
    ResourceItem item;
    if (!Directory(0, 0, &item, items)) return Fail(error, "the program's resource directory is damaged");
    return true;
  }

 private:
  bool Within(uint32_t offset, uint32_t length) const {
    return uint64_t{offset} + length <= section_.raw_size &&
           uint64_t{section_.raw_pointer} + offset + length <= static_cast<uint64_t>(image_.length());
  }
  const uint8_t* At(uint32_t offset) const { return image_.bytes() + section_.raw_pointer + offset; }

  bool Key(uint32_t field, ResourceKey* key) const {
    *key = ResourceKey{};
    if ((field & kHighBit) == 0) {
      key->id = field;
      return true;
    }
    const uint32_t at = field & ~kHighBit;
    if (!Within(at, 2)) return false;
    const uint16_t units = LoadLe16(At(at));
    if (units == 0 || !Within(at + 2, units * 2u)) return false;
    for (uint16_t i = 0; i < units; ++i) key->name.push_back(static_cast<char16_t>(LoadLe16(At(at + 2 + i * 2u))));
    return true;
  }

  bool Directory(uint32_t offset, int level, ResourceItem* item, std::vector<ResourceItem>* items) {
    if (level >= kLevels || !Within(offset, kDirectoryHeader)) return false;
    const uint32_t count = uint32_t{LoadLe16(At(offset + 12))} + LoadLe16(At(offset + 14));
    if (!Within(offset + kDirectoryHeader, count * kDirectoryEntry)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* entry = At(offset + kDirectoryHeader + i * kDirectoryEntry);
      const uint32_t name = LoadLe32(entry), target = LoadLe32(entry + 4);
      ResourceKey key;
      if (!Key(name, &key)) return false;
      if (level == 0) item->type = key;
      if (level == 1) item->name = key;
      if (level == 2) item->language = key.id;
      const bool subdirectory = (target & kHighBit) != 0;
      if (subdirectory != (level < 2)) return false;
      if (subdirectory ? !Directory(target & ~kHighBit, level + 1, item, items) : !Data(target, item, items)) {
        return false;
      }
    }
    return true;
  }

  bool Data(uint32_t offset, ResourceItem* item, std::vector<ResourceItem>* items) const {
    if (!Within(offset, kDataEntry)) return false;
    const uint32_t rva = LoadLe32(At(offset)), size = LoadLe32(At(offset + 4));
    uint32_t file_offset = 0;
    if (!RvaToOffset(image_, layout_, rva, size, &file_offset)) return false;
    item->codepage = LoadLe32(At(offset + 8));
    item->data.assign(image_.c_str() + file_offset, size);
    items->push_back(*item);
    return true;
  }

  const String& image_;
  const PeLayout& layout_;
  const ResourceSection& section_;
};

// The system looks entries up by binary search: names first, in code-unit
// order, then numbers in ascending order.
bool KeyLess(const ResourceKey& a, const ResourceKey& b) {
  if (a.name.empty() != b.name.empty()) return !a.name.empty();
  return a.name.empty() ? a.id < b.id : a.name < b.name;
}

bool ItemLess(const ResourceItem& a, const ResourceItem& b) {
  if (!(a.type == b.type)) return KeyLess(a.type, b.type);
  if (!(a.name == b.name)) return KeyLess(a.name, b.name);
  return a.language < b.language;
}

void Put16(std::string* out, size_t at, uint16_t value) { StoreLe16(reinterpret_cast<uint8_t*>(&(*out)[at]), value); }
void Put32(std::string* out, size_t at, uint32_t value) { StoreLe32(reinterpret_cast<uint8_t*>(&(*out)[at]), value); }

// One directory of the tree while it is written: its entries' keys and what
// each points at (a directory's index, or an item's index on the last level).
struct DirectoryPlan {
  std::vector<ResourceKey> keys;
  std::vector<size_t> targets;
  int level = 0;
  uint32_t offset = 0;
};

// Groups consecutive items (already sorted) by the key of `level`.
void Plan(const std::vector<ResourceItem>& items, size_t first, size_t last, int level,
          std::vector<DirectoryPlan>* directories, size_t self) {
  for (size_t i = first; i < last;) {
    const ResourceKey key = level == 0 ? items[i].type : level == 1 ? items[i].name : ResourceKey{items[i].language, {}};
    size_t end = i + 1;
    while (end < last && (level == 0   ? items[end].type == key
                          : level == 1 ? items[end].name == key
                                       : false)) {
      ++end;
    }
    (*directories)[self].keys.push_back(key);
    if (level == 2) {
      (*directories)[self].targets.push_back(i);
    } else {
      directories->emplace_back();
      const size_t child = directories->size() - 1;
      (*directories)[child].level = level + 1;
      (*directories)[self].targets.push_back(child);
      Plan(items, i, end, level + 1, directories, child);
    }
    i = end;
  }
}

}  // namespace

bool ReadResources(const String& image, const PeLayout& layout, ResourceSection* section,
                   std::vector<ResourceItem>* items, std::string* error) {
  items->clear();
  *section = ResourceSection{0xFFFF};
  if (!HasDataDirectory(layout, kResourceDirectory)) return true;
  const uint32_t rva = LoadLe32(image.bytes() + DataDirectoryAt(layout, kResourceDirectory));
  if (rva == 0) return true;
  for (uint32_t i = 0; i < layout.section_count; ++i) {
    const uint8_t* entry = SectionEntry(image, layout, i);
    if (LoadLe32(entry + 12) != rva) continue;
    *section = ResourceSection{static_cast<uint16_t>(i), rva, LoadLe32(entry + 20), LoadLe32(entry + 16)};
    return TreeReader(image, layout, *section).Read(items, error);
  }
  return Fail(error, "the program's resources do not start a section of their own");
}

String WriteResources(std::vector<ResourceItem> items, uint32_t virtual_address) {
  std::stable_sort(items.begin(), items.end(), ItemLess);
  std::vector<DirectoryPlan> directories(1);
  Plan(items, 0, items.size(), 0, &directories, 0);
  // Directories first, breadth-first as the plan made them; then the names,
  // the data entries and the data.
  uint32_t at = 0;
  for (DirectoryPlan& d : directories) {
    d.offset = at;
    at += kDirectoryHeader + kDirectoryEntry * static_cast<uint32_t>(d.keys.size());
  }
  std::map<std::u16string, uint32_t> names;
  for (const DirectoryPlan& d : directories) {
    for (const ResourceKey& key : d.keys) {
      if (key.name.empty() || names.count(key.name)) continue;
      names[key.name] = at;
      at += 2 + 2 * static_cast<uint32_t>(key.name.size());
    }
  }
  at = AlignUp(at, 4);
  const uint32_t data_entries = at;
  at += kDataEntry * static_cast<uint32_t>(items.size());
  std::vector<uint32_t> data_at(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    at = AlignUp(at, 8);
    data_at[i] = at;
    at += static_cast<uint32_t>(items[i].data.size());
  }

  std::string out(AlignUp(at, 8), '\0');
  for (const DirectoryPlan& plan : directories) {
    const auto named = std::count_if(plan.keys.begin(), plan.keys.end(),
                                     [](const ResourceKey& k) { return !k.name.empty(); });
    Put16(&out, plan.offset + 12, static_cast<uint16_t>(named));
    Put16(&out, plan.offset + 14, static_cast<uint16_t>(plan.keys.size() - static_cast<size_t>(named)));
    for (size_t e = 0; e < plan.keys.size(); ++e) {
      const size_t entry = plan.offset + kDirectoryHeader + e * kDirectoryEntry;
      const ResourceKey& key = plan.keys[e];
      Put32(&out, entry, key.name.empty() ? key.id : (names[key.name] | kHighBit));
      const size_t target = plan.targets[e];
      if (plan.level < kLevels - 1) {
        Put32(&out, entry + 4, directories[target].offset | kHighBit);
        continue;
      }
      const uint32_t data_entry = data_entries + kDataEntry * static_cast<uint32_t>(target);
      Put32(&out, entry + 4, data_entry);
      Put32(&out, data_entry, virtual_address + data_at[target]);
      Put32(&out, data_entry + 4, static_cast<uint32_t>(items[target].data.size()));
      Put32(&out, data_entry + 8, items[target].codepage);
    }
  }
  for (const auto& [name, offset] : names) {
    Put16(&out, offset, static_cast<uint16_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i) Put16(&out, offset + 2 + 2 * i, static_cast<uint16_t>(name[i]));
  }
  for (size_t i = 0; i < items.size(); ++i) out.replace(data_at[i], items[i].data.size(), items[i].data);
  return String(out.data(), static_cast<int32_t>(out.size()));
}

bool ReplaceResourceSection(String* image, const ResourceSection& section, const String& content,
                            std::string* error) {
  PeLayout layout;
  if (!ReadPeLayout(*image, &layout, error)) return false;
  uint8_t* entry = image->data() + layout.table_offset + section.index * kSectionEntry;
  const uint32_t old_virtual = LoadLe32(entry + 8) ? LoadLe32(entry + 8) : section.raw_size;
  const uint32_t new_virtual = static_cast<uint32_t>(content.length());
  const uint32_t new_raw = AlignUp(new_virtual, layout.file_alignment);
  const int64_t raw_delta = int64_t{new_raw} - section.raw_size;
  const int64_t va_delta = int64_t{AlignUp(new_virtual, layout.section_alignment)} -
                           AlignUp(old_virtual, layout.section_alignment);
  const uint64_t old_end = uint64_t{section.raw_pointer} + section.raw_size;
  if (old_end > static_cast<uint64_t>(image->length())) return Fail(error, "the resource section lies beyond the file");
  for (uint32_t i = 0; i < layout.section_count; ++i) {
    uint8_t* other = image->data() + layout.table_offset + i * kSectionEntry;
    if (i == section.index || LoadLe32(other + 12) < section.virtual_address) continue;
    if (std::memcmp(other, ".reloc\0\0", 8) != 0 || LoadLe32(other + 20) < old_end) {
      return Fail(error, "only relocations may follow the program's resources");
    }
    StoreLe32(other + 12, static_cast<uint32_t>(LoadLe32(other + 12) + va_delta));
    StoreLe32(other + 20, static_cast<uint32_t>(LoadLe32(other + 20) + raw_delta));
    if (HasDataDirectory(layout, kRelocationDirectory)) {
      uint8_t* directory = image->data() + DataDirectoryAt(layout, kRelocationDirectory);
      StoreLe32(directory, static_cast<uint32_t>(LoadLe32(directory) + va_delta));
    }
  }
  StoreLe32(entry + 8, new_virtual);
  StoreLe32(entry + 16, new_raw);
  uint8_t* optional = image->data() + layout.pe_offset + 24;
  StoreLe32(optional + 8, static_cast<uint32_t>(LoadLe32(optional + 8) + raw_delta));   // initialised data
  StoreLe32(optional + 56, static_cast<uint32_t>(LoadLe32(optional + 56) + va_delta));  // size of the image
  StoreLe32(image->data() + DataDirectoryAt(layout, kResourceDirectory) + 4, new_virtual);

  String result(image->c_str(), static_cast<int32_t>(section.raw_pointer));
  result.Append(content);
  result.SetLength(static_cast<int32_t>(section.raw_pointer + new_raw));  // zero fill
  result.Append(image->c_str() + old_end, static_cast<int32_t>(image->length() - old_end));
  *image = static_cast<String&&>(result);
  return true;
}
